"""The release signed with a throwaway self-signed code-signing certificate,
made here and never kept: scripts/release.sh --no-build into a folder of its
own, the signatures checked with osslsigncode against that certificate, the
signed exe's self-test and the signed package's install under Wine, and the
signatures taken off again. A wrong password, an expired certificate and an
unreachable time-stamp server each fail the release and leave nothing behind.
"""

import hashlib
import os
import shutil
import subprocess
import tempfile
import unittest

from test_msi import msiexec, msi_property, entries
from test_package import SOURCE_DIR, EXPECTED_REPORT, package, selftest, unpack

RELEASE = os.path.join(SOURCE_DIR, "scripts", "release.sh")


def run(*command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def make_certificate(folder, name, clock=None):
    """A self-signed code-signing certificate as PFX, its password file and
    its PEM; `clock` (faketime's form) dates it in the past."""
    prefix = ["faketime", "-f", clock] if clock else []
    key, pem = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".pem")
    run(*prefix, "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", pem,
        "-days", "1", "-subj", "/CN=Ostrivel test signer", "-addext", "extendedKeyUsage=codeSigning",
        "-addext", "keyUsage=digitalSignature", check=True)
    password = os.path.join(folder, name + ".password")
    with open(password, "w") as f:
        f.write("throwaway %s\n" % name)
    pfx = os.path.join(folder, name + ".pfx")
    run("openssl", "pkcs12", "-export", "-inkey", key, "-in", pem, "-out", pfx, "-passout", "file:" + password,
        check=True)
    os.remove(key)
    return pfx, password, pem


def release(dist, pfx, password, timestamp=None):
    env = dict(os.environ, OSTRIVEL_SIGN_PFX=pfx, OSTRIVEL_SIGN_PASSWORD_FILE=password)
    if timestamp:
        env["OSTRIVEL_SIGN_TIMESTAMP_URL"] = timestamp
    return run("bash", RELEASE, "--no-build", "--dist", dist, env=env, timeout=600)


def verify(path, pem):
    return run("osslsigncode", "verify", "-CAfile", pem, "-in", path).returncode == 0


def unsign(path, out):
    if os.path.exists(out):
        os.remove(out)   # osslsigncode overwrites nothing
    run("osslsigncode", "remove-signature", "-in", path, "-out", out, check=True)
    with open(out, "rb") as f:
        return f.read()


def msi_contents(msi):
    """Every table as text, every stream's bytes and the summary information:
    what a signature must leave alone, though the compound file around them
    is written anew."""
    scratch = tempfile.mkdtemp()   # msiinfo export writes binary columns into the current folder

    def digest(command):
        done = subprocess.run(command, check=True, capture_output=True, cwd=scratch)
        return hashlib.sha256(done.stdout).hexdigest()

    tables = run("msiinfo", "tables", msi, check=True).stdout.split()
    streams = run("msiinfo", "streams", msi, check=True).stdout.split()
    contents = {"summary": digest(["msiinfo", "suminfo", msi])}
    for table in tables:
        contents["table " + table] = digest(["msiinfo", "export", msi, table])
    for stream in streams:
        # "\x05SummaryInformation" and the like: named without the mark.
        contents["stream " + stream.lstrip("\x05")] = digest(["msiinfo", "extract", msi, stream])
    shutil.rmtree(scratch)
    return contents


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="ostrivel-signing-")
        cls.pfx, cls.password, cls.pem = make_certificate(cls.dir, "good")
        cls.dist = os.path.join(cls.dir, "dist")
        done = release(cls.dist, cls.pfx, cls.password)
        if done.returncode != 0:
            raise AssertionError("signed release failed:\n" + done.stdout + done.stderr)
        cls.log = done.stdout + done.stderr
        cls.zip = [n for n in os.listdir(cls.dist) if n.endswith(".zip")][0]
        cls.top, _ = unpack(os.path.join(cls.dist, cls.zip), os.path.join(cls.dir, "unpacked"))
        cls.exes = {f: os.path.join(cls.top, f, package.EXE_NAME)
                    for f in (package.X64_FOLDER, package.X86_FOLDER)
                    if os.path.exists(os.path.join(cls.top, f, package.EXE_NAME))}
        cls.msis = {arch: os.path.join(cls.dist, cls.zip.replace("-windows.zip", "-%s.msi" % arch))
                    for arch in ("x64", "x86")}

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_secrets_stay_out_of_the_log_and_the_release(self):
        with open(self.password) as f:
            secret = f.read().strip()
        self.assertNotIn(secret, self.log)
        self.assertEqual(sorted(os.listdir(self.dist)),
                         sorted([self.zip, "SHA256SUMS.txt"] + [os.path.basename(m) for m in self.msis.values()]))

    def test_every_exe_and_package_is_signed_and_a_changed_byte_breaks_it(self):
        for path in list(self.exes.values()) + list(self.msis.values()):
            with self.subTest(path=os.path.basename(path)):
                self.assertTrue(verify(path, self.pem))
        # The exes inside the packages are the signed ones.
        inside = os.path.join(self.dir, "inside")
        os.makedirs(inside)
        # msiextract puts the icons in the current folder, whatever -C says.
        run("msiextract", "-C", inside, self.msis["x64"], cwd=inside, check=True)
        exe = [os.path.join(d, n) for d, _, ns in os.walk(inside) for n in ns if n == package.EXE_NAME][0]
        self.assertTrue(verify(exe, self.pem))
        changed = os.path.join(self.dir, "changed.exe")
        with open(self.exes[package.X64_FOLDER], "rb") as f:
            data = bytearray(f.read())
        data[len(data) // 3] ^= 0x01
        with open(changed, "wb") as f:
            f.write(data)
        self.assertFalse(verify(changed, self.pem))

    def test_signature_taken_off_gives_back_the_unsigned_exe(self):
        built = {package.X64_FOLDER: "windows", package.X86_FOLDER: "windows-x86"}
        for folder, path in self.exes.items():
            with self.subTest(exe=folder):
                with open(os.path.join(SOURCE_DIR, "build", built[folder], package.EXE_NAME), "rb") as f:
                    unsigned = f.read()
                self.assertNotEqual(os.path.getsize(path), len(unsigned))
                self.assertEqual(unsign(path, os.path.join(self.dir, "unsigned.exe")), unsigned)

    def test_signature_on_a_package_leaves_its_streams(self):
        # The compound file is written anew when a package is signed, so its
        # bytes change; every table and stream but the signature must not.
        plain = os.path.join(self.dir, "plain.msi")
        unsign(self.msis["x64"], plain)
        signed = os.path.join(self.dir, "signed-again.msi")
        env = dict(os.environ, OSTRIVEL_SIGN_PFX=self.pfx, OSTRIVEL_SIGN_PASSWORD_FILE=self.password)
        run("bash", "-c", 'source "$1"; codesign_file "$2" "$3"', "sign",
            os.path.join(SOURCE_DIR, "scripts", "codesign.sh"), plain, signed, env=env, check=True)
        self.assertTrue(verify(signed, self.pem))
        contents = msi_contents(signed)
        self.assertIn("stream DigitalSignature", contents)
        del contents["stream DigitalSignature"]
        contents.pop("stream MsiDigitalSignatureEx", None)
        plain_contents = msi_contents(plain)
        self.assertGreater(len(plain_contents), 30)
        self.assertEqual(contents, plain_contents)

    def test_signed_exe_runs_and_signed_package_installs(self):
        work = tempfile.mkdtemp(dir=self.dir)
        code, report, errors = selftest(self.exes[package.X64_FOLDER], work)
        self.assertEqual((code, report), (0, EXPECTED_REPORT), errors)
        msi = self.msis["x64"]
        try:
            self.assertEqual(msiexec("/i", msi), 0)
            self.assertIn(msi_property(msi, "ProductCode"), entries("x64"))
        finally:
            self.assertEqual(msiexec("/x", msi), 0)

    def test_bad_certificates_fail_the_release_and_leave_nothing(self):
        wrong = os.path.join(self.dir, "wrong.password")
        with open(wrong, "w") as f:
            f.write("not the password\n")
        expired = make_certificate(self.dir, "expired", clock="2020-01-01 00:00:00")
        cases = [
            ("wrong password", (self.pfx, wrong), "wrong password"),
            ("no such PFX", (os.path.join(self.dir, "missing.pfx"), self.password), "no readable file"),
            ("expired", expired[:2], "expired"),
            ("time-stamp server", (self.pfx, self.password, "http://127.0.0.1:9/"), "did not answer"),
        ]
        for name, args, said in cases:
            with self.subTest(case=name):
                dist = os.path.join(self.dir, "bad-" + name.replace(" ", "-"))
                os.makedirs(dist)
                # A whole release of the same version from before.
                for old in os.listdir(self.dist):
                    shutil.copy(os.path.join(self.dist, old), dist)
                done = release(dist, *args)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn("release.sh: cannot sign: ", done.stderr)
                self.assertIn(said, done.stderr)
                self.assertEqual(os.listdir(dist), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
