"""The release zip as IT receives it: unpacked, every file matches its line in
SHA256SUMS.txt, the guide is what Notepad on Windows 7 shows right, and the
packaged exes pass their self-test under Wine; the release's own
SHA256SUMS.txt lists the zip and the installer packages.

    test_package.py                  the checks above (the 64-bit self-test)
    test_package.py --x86-selftest   the 32-bit exe's self-test; exit code 77
                                     (skipped) where it cannot run
"""

import hashlib
import os
import re
import struct
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

SOURCE_DIR = os.environ.get("OSTRIVEL_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "scripts"))
import package  # noqa: E402  (folder and file names of the package)

# Refuses a 32-bit exe with SKIP, and says why, where there is no 32-bit Wine.
WINE_RUN = os.path.join(SOURCE_DIR, "scripts", "wine-run.sh")
SKIP = 77

EXPECTED_REPORT = ("TOOL|112|Ostrivel|感染指标\r\n"
                   "LEVEL|0\r\n"
                   "OUT|分级|0|级\r\n"
                   "VERDICT|CRP 正常\r\n"
                   "DETAIL|分级：0 级 \r\n"
                   "ERRORS|0\r\n").encode("utf-8")


def package_path():
    return subprocess.run(["bash", os.path.join(SOURCE_DIR, "scripts", "release.sh"), "--name"],
                          check=True, capture_output=True, text=True).stdout.strip()


def unpack(zip_path, into):
    """Extracts the zip the way the zip folders of a Chinese Windows read it
    (names in code page 936); returns the top folder and the entries."""
    with zipfile.ZipFile(zip_path, metadata_encoding=package.NAME_ENCODING) as archive:
        archive.extractall(into)
        entries = archive.infolist()
    tops = os.listdir(into)
    if len(tops) != 1:
        raise AssertionError("one top folder expected, found %r" % tops)
    return os.path.join(into, tops[0]), entries


def files_under(top):
    found = []
    for folder, _, names in os.walk(top):
        found += [os.path.relpath(os.path.join(folder, n), top).replace(os.sep, "/") for n in names]
    return sorted(found)


def selftest(exe, workdir):
    """Runs `exe --selftest report.txt`; returns (exit code, report bytes or
    None, Wine's error output)."""
    env = dict(os.environ)
    env.pop("DISPLAY", None)   # the self-test needs no display
    done = subprocess.run([WINE_RUN, exe, "--selftest", "report.txt"], cwd=workdir, env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=180)
    errors = done.stderr.decode("utf-8", "replace")
    report = os.path.join(workdir, "report.txt")
    if not os.path.exists(report):
        return done.returncode, None, errors
    with open(report, "rb") as f:
        return done.returncode, f.read(), errors


class Package(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip = package_path()
        if not os.path.exists(cls.zip):
            raise AssertionError("no package %s: scripts/release.sh makes it (scripts/test.sh runs it)" % cls.zip)
        cls.dir = tempfile.mkdtemp(prefix="ostrivel-package-")
        cls.top, cls.entries = unpack(cls.zip, cls.dir)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.dir, ignore_errors=True)

    def read(self, name):
        with open(os.path.join(self.top, name), "rb") as f:
            return f.read()

    def test_every_file_is_listed_with_its_hash(self):
        lines = self.read(package.SUMS_NAME).decode("utf-8").split("\r\n")
        self.assertEqual(lines[-1], "", "the last line ends in CR LF")
        listed = {}
        for line in lines[:-1]:
            digest, path = line.split("  ", 1)
            listed[path] = digest
        self.assertEqual(sorted(listed), [f for f in files_under(self.top) if f != package.SUMS_NAME])
        for path, digest in listed.items():
            with self.subTest(path=path):
                self.assertEqual(hashlib.sha256(self.read(path)).hexdigest(), digest)
        self.assertIn(package.X64_FOLDER + "/" + package.EXE_NAME, listed)

    def test_names_read_alike_by_every_unpacker(self):
        # Tools that take the UTF-8 Unicode Path field must see the same names.
        for entry in self.entries:
            with self.subTest(name=entry.filename):
                field = package.unicode_path_field(entry.filename)
                self.assertEqual(entry.extra, field)
                self.assertFalse(entry.flag_bits & 0x800)

    def test_guide_opens_right_in_notepad(self):
        guide = self.read(package.GUIDE_NAME)
        self.assertTrue(guide.startswith(b"\xef\xbb\xbf"), "byte-order mark")
        body = guide.replace(b"\r\n", b"")
        self.assertNotIn(b"\n", body, "a line end without CR")
        self.assertNotIn(b"\r", body, "a CR without LF")
        text = guide.decode("utf-8")
        self.assertNotIn(package.VERSION_PLACEHOLDER.decode(), text)
        self.assertIn(os.path.basename(self.top), text)
        for folder in (package.X64_FOLDER, package.X86_FOLDER):
            self.assertIn(folder + "\\" + package.EXE_NAME, text)
        # IT is told where records survive a logoff on terminal servers.
        section = text[text.index("十一、终端服务器和虚拟桌面（供信息科）"):text.index("十二、版本")]
        for needed in ("AppData\\Local\\KelvoMedSuite", "--verify", "EXISTS", "ABSENT"):
            self.assertIn(needed, section)

    def test_manifest_names_the_exe_processor(self):
        # Windows refuses to start an exe whose manifest claims another
        # processor than its PE header.
        expected = {0x8664: b"amd64", 0x014C: b"x86"}
        for folder in (package.X64_FOLDER, package.X86_FOLDER):
            path = folder + "/" + package.EXE_NAME
            if not os.path.exists(os.path.join(self.top, path)):
                continue
            with self.subTest(exe=path):
                exe = self.read(path)
                machine = struct.unpack_from("<H", exe, struct.unpack_from("<I", exe, 0x3C)[0] + 4)[0]
                identity = re.search(rb"<assemblyIdentity[^>]*>", exe).group(0)
                self.assertIn(b'processorArchitecture="%s"' % expected[machine], identity)

    def test_release_checksums_list_the_zip_and_the_installer_packages(self):
        dist = os.path.dirname(self.zip)
        with open(os.path.join(dist, "SHA256SUMS.txt"), "rb") as f:
            lines = f.read().decode("utf-8").split("\r\n")
        self.assertEqual(lines[-1], "", "the last line ends in CR LF")
        listed = dict(reversed(line.split("  ", 1)) for line in lines[:-1])
        stem = os.path.basename(self.zip)[:-len("-windows.zip")]
        expected = [os.path.basename(self.zip), stem + "-x64.msi"]
        if any(e.filename.startswith(os.path.basename(self.top) + "/" + package.X86_FOLDER) for e in self.entries):
            expected.append(stem + "-x86.msi")
        self.assertEqual(sorted(listed), sorted(expected))
        for name, digest in listed.items():
            with self.subTest(name=name), open(os.path.join(dist, name), "rb") as f:
                self.assertEqual(hashlib.sha256(f.read()).hexdigest(), digest)

    def test_packaged_x64_exe_passes_its_selftest(self):
        work = tempfile.mkdtemp(prefix="ostrivel-selftest-", dir=self.dir)
        code, report, errors = selftest(os.path.join(self.top, package.X64_FOLDER, package.EXE_NAME), work)
        self.assertEqual(code, 0, errors)
        self.assertEqual(report, EXPECTED_REPORT)


def x86_selftest():
    zip_path = package_path()
    work = tempfile.mkdtemp(prefix="ostrivel-package-")
    try:
        top, _ = unpack(zip_path, work)
        exe = os.path.join(top, package.X86_FOLDER, package.EXE_NAME)
        if not os.path.exists(exe):
            print("SKIPPED: the package holds no 32-bit exe (the 32-bit toolchain was missing; see scripts/release.sh)")
            return SKIP
        code, report, errors = selftest(exe, work)
        if code == SKIP:
            print("SKIPPED:", errors.strip())
            return SKIP
        print("exit code %d, report %r %s" % (code, report, errors))
        return 0 if code == 0 and report == EXPECTED_REPORT else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if sys.argv[1:] == ["--x86-selftest"]:
        sys.exit(x86_selftest())
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
