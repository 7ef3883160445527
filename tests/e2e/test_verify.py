"""The real Ostrivel.exe --verify under Wine: the report of a good exe passes,
an exe with one byte of its tool definition changed fails (while its
self-test still passes), an unwritable path leaves no file, and the record
log is left as it was."""
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib  # noqa: E402
from e2e_lib import BOM, HEADER, log_path, suite_dir  # noqa: E402

EXE = os.environ["OSTRIVEL_EXE"]

SELFTEST = ("TOOL|112|Ostrivel|感染指标\r\nLEVEL|0\r\nOUT|分级|0|级\r\nVERDICT|CRP 正常\r\n"
            "DETAIL|分级：0 级 \r\nERRORS|0\r\n").encode("utf-8")
GRADE_FORMULA = b"crp<10?0:crp<40?1:crp<100?2:3"
RAISED_VERDICT = "轻度升高，结合症状复查".encode("utf-16-le")
KEYWORDS = ["VERIFY", "PROGRAM", "SHA256", "SIZE", "SIGNATURE", "COMPUTER", "USER", "WINDOWS", "TIME", "LOG"]


def run_exe(exe, *args, cwd):
    # No display: the verification, like the self-test, opens no window.
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    e2e_lib.ensure_wineserver()
    return subprocess.run([e2e_lib.WINE_RUN, exe, *args], cwd=cwd, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)


def resource_version(exe):
    """The FileVersion text of the exe's version resource: the key, its NUL,
    the padding to 32 bits, then the value up to its NUL."""
    key = "FileVersion\0".encode("utf-16-le")
    [at] = [m.end() for m in re.finditer(re.escape(key), exe)]
    while exe[at:at + 2] == b"\0\0":
        at += 2
    end = exe.index(b"\0\0", at)
    end += (end - at) % 2
    return exe[at:end].decode("utf-16-le")


def report_lines(path):
    with open(path, "rb") as f:
        data = f.read()
    return data, data[len(BOM):].decode("utf-8").split("\r\n")


def cases(lines):
    """CASE lines as (number, what, input, expected, actual, verdict)."""
    return [tuple(line.split("|")[1:]) for line in lines if line.startswith("CASE|")]


class Verify(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="ostrivel-verify-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def changed_copy(self, name, old, new):
        """A copy of the exe with the one occurrence of `old` replaced."""
        with open(EXE, "rb") as f:
            data = f.read()
        self.assertEqual(data.count(old), 1, "the definition's text is held once")
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data.replace(old, new))
        return path

    def test_the_built_exe_passes_and_names_itself(self):
        started = time.monotonic()
        proc = run_exe(EXE, "--verify", cwd=self.dir)
        print(f"--verify under Wine: {time.monotonic() - started:.2f} s", file=sys.stderr)
        self.assertEqual(proc.returncode, 0, proc.stderr[-2000:])
        data, lines = report_lines(os.path.join(self.dir, "verify.txt"))
        self.assertTrue(data.startswith(BOM))
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "CR LF line ends only")
        self.assertEqual([line.split("|")[0] for line in lines[:len(KEYWORDS)]], KEYWORDS)
        with open(EXE, "rb") as f:
            exe = f.read()
        fields = {line.split("|")[0]: line.split("|")[1:] for line in lines[:len(KEYWORDS)]}
        self.assertEqual(fields["SHA256"], [hashlib.sha256(exe).hexdigest()])
        self.assertEqual(fields["SIZE"], [str(len(exe))])
        self.assertEqual(fields["PROGRAM"][:2], ["Ostrivel", resource_version(exe)])
        self.assertTrue(fields["PROGRAM"][2].endswith("\\" + os.path.basename(EXE)), fields["PROGRAM"])
        self.assertEqual(fields["SIGNATURE"][0], "NONE")   # the build is not signed
        self.assertRegex(fields["WINDOWS"][0], r"^\d+\.\d+\.\d+$")
        self.assertRegex(fields["TIME"][0], r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC[+-]\d\d:\d\d$")
        found = cases(lines)
        self.assertGreaterEqual(len(found), 40)
        self.assertEqual([c for c in found if c[5] != "PASS"], [])
        self.assertIn("CONTROL|PASS", lines)
        self.assertIn(f"RESULT|PASS|{len(found)}/{len(found)}", lines)
        self.assertEqual(lines[-1], "")
        self.assertEqual([line.split("|")[0] for line in lines[-3:-1]], ["SIGNOFF", "SIGNOFF"])

    def test_one_changed_byte_of_the_definition_fails_while_the_selftest_passes(self):
        damages = [
            # crp<40 becomes crp<50: 40 reads grade 1.
            ("grade.exe", GRADE_FORMULA, GRADE_FORMULA.replace(b"<40", b"<50"), {"40"}),
            # The last character 查 (U+67E5) becomes 柤 (U+67E4).
            ("verdict.exe", RAISED_VERDICT, RAISED_VERDICT[:-2] + b"\xe4\x67", {"10", "39.99", "40", "99.99", "50"}),
        ]
        for name, old, new, failing_inputs in damages:
            with self.subTest(name):
                exe = self.changed_copy(name, old, new)
                proc = run_exe(exe, "--verify", "r.txt", cwd=self.dir)
                self.assertEqual(proc.returncode, 4)
                _, lines = report_lines(os.path.join(self.dir, "r.txt"))
                failed = [c for c in cases(lines) if c[5] == "FAIL"]
                self.assertTrue(failed)
                self.assertEqual({c[2] for c in failed}, failing_inputs)
                self.assertIn("CONTROL|PASS", lines)
                self.assertTrue(any(line.startswith("RESULT|FAIL|") for line in lines))
                with open(exe, "rb") as f:
                    self.assertIn("SHA256|" + hashlib.sha256(f.read()).hexdigest(), lines)

                proc = run_exe(exe, "--selftest", "s.txt", cwd=self.dir)
                self.assertEqual(proc.returncode, 0)
                with open(os.path.join(self.dir, "s.txt"), "rb") as f:
                    self.assertEqual(f.read(), SELFTEST)

    def test_signature_as_windows_judges_it(self):
        if not (shutil.which("openssl") and shutil.which("osslsigncode")):
            self.skipTest("openssl or osslsigncode missing (scripts/deps.sh installs them)")
        key, pem = os.path.join(self.dir, "k.key"), os.path.join(self.dir, "c.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                        "-out", pem, "-days", "1", "-subj", "/CN=Ostrivel test signer",
                        "-addext", "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
        signed = os.path.join(self.dir, "signed.exe")
        subprocess.run(["osslsigncode", "sign", "-certs", pem, "-key", key, "-h", "sha256",
                        "-in", EXE, "-out", signed], check=True, capture_output=True)
        with open(signed, "rb") as f:
            data = f.read()
        changed = os.path.join(self.dir, "changed.exe")
        with open(changed, "wb") as f:
            f.write(data.replace(GRADE_FORMULA, GRADE_FORMULA.replace(b"<40", b"<50")))

        self.assertEqual(run_exe(signed, "--verify", "s.txt", cwd=self.dir).returncode, 0)
        _, lines = report_lines(os.path.join(self.dir, "s.txt"))
        # Wine trusts a self-signed signer, Windows does not (CERT_E_UNTRUSTEDROOT):
        # either way the file is signed, and a valid one names its signer.
        self.assertTrue({"SIGNATURE|VALID|签名有效|签名者：Ostrivel test signer",
                         "SIGNATURE|INVALID|签名无效或不受信任|0x800B0109"} & set(lines), lines[:6])
        # A byte changed after signing breaks the signature's digest.
        self.assertEqual(run_exe(changed, "--verify", "c.txt", cwd=self.dir).returncode, 4)
        _, lines = report_lines(os.path.join(self.dir, "c.txt"))
        self.assertIn("SIGNATURE|INVALID|签名无效或不受信任|0x80096010", lines)

    def test_selftest_wins_and_unwritable_paths_leave_no_file(self):
        proc = run_exe(EXE, "--verify", "v.txt", "--selftest", "s.txt", cwd=self.dir)
        self.assertEqual(proc.returncode, 0)
        self.assertEqual(sorted(os.listdir(self.dir)), ["s.txt"])
        os.remove(os.path.join(self.dir, "s.txt"))

        os.mkdir(os.path.join(self.dir, "adir"))
        for path in ["missing-dir\\r.txt", "adir", "x" * 600]:
            with self.subTest(path=path[:20]):
                self.assertEqual(run_exe(EXE, "--verify", path, cwd=self.dir).returncode, 3)
        self.assertEqual(sorted(os.listdir(self.dir)), ["adir"])
        self.assertEqual(os.listdir(os.path.join(self.dir, "adir")), [])

    def test_the_record_log_is_only_looked_at(self):
        shutil.rmtree(suite_dir(), ignore_errors=True)
        self.assertEqual(run_exe(EXE, "--verify", "a.txt", cwd=self.dir).returncode, 0)
        self.assertFalse(os.path.exists(suite_dir()), "no folder is created")
        _, lines = report_lines(os.path.join(self.dir, "a.txt"))
        [log] = [line for line in lines if line.startswith("LOG|")]
        self.assertRegex(log, r"^LOG\|.*\\KelvoMedSuite\\records\\T112\.csv\|ABSENT\|")

        os.makedirs(os.path.dirname(log_path()))
        data = BOM + HEADER + "2026-01-02 03:04:05,Ostrivel,CRP=8,分级：0 级\r\n\r\n".encode("utf-8")
        with open(log_path(), "wb") as f:
            f.write(data)
        before = os.stat(log_path())
        self.assertEqual(run_exe(EXE, "--verify", "b.txt", cwd=self.dir).returncode, 0)
        with open(log_path(), "rb") as f:
            self.assertEqual(f.read(), data)
        self.assertEqual(os.stat(log_path()).st_mtime_ns, before.st_mtime_ns)
        _, lines = report_lines(os.path.join(self.dir, "b.txt"))
        self.assertIn("|EXISTS|", [line for line in lines if line.startswith("LOG|")][0])
        shutil.rmtree(suite_dir(), ignore_errors=True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
