"""The real Ostrivel.exe --selftest under Wine: exact report bytes, exit codes."""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

EXE = os.environ["OSTRIVEL_EXE"]
WINE_RUN = os.environ["OSTRIVEL_WINE_RUN"]

EXPECTED = ("TOOL|112|Ostrivel|感染指标\r\n"
            "LEVEL|0\r\n"
            "OUT|分级|0|级\r\n"
            "VERDICT|CRP 正常\r\n"
            "DETAIL|分级：0 级 \r\n"
            "ERRORS|0\r\n").encode("utf-8")


def run_exe(*args, cwd=None):
    # No display: the self-test must not need one.
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    return subprocess.run([WINE_RUN, EXE, *args], cwd=cwd, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)


class SelfTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="ostrivel-selftest-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def test_default_path_in_current_directory(self):
        proc = run_exe("--selftest", cwd=self.dir)
        self.assertEqual(proc.returncode, 0)
        with open(os.path.join(self.dir, "selftest.txt"), "rb") as f:
            data = f.read()
        self.assertEqual(data, EXPECTED)
        self.assertFalse(data.startswith(b"\xef\xbb\xbf"))

    def test_named_paths(self):
        cases = [
            (["--selftest", "out.txt"], "out.txt"),
            (["--selftestglued.txt"], "glued.txt"),
            # One argument holding quotes: Wine rebuilds the command line with
            # the quotes the program then reads.
            (["--selftest", "with space.txt"], "with space.txt"),
        ]
        for args, name in cases:
            with self.subTest(args=args):
                proc = run_exe(*args, cwd=self.dir)
                self.assertEqual(proc.returncode, 0)
                with open(os.path.join(self.dir, name), "rb") as f:
                    self.assertEqual(f.read(), EXPECTED)

    def test_replaces_an_existing_file(self):
        target = os.path.join(self.dir, "old.txt")
        with open(target, "wb") as f:
            f.write(b"x" * 10000)
        self.assertEqual(run_exe("--selftest", "old.txt", cwd=self.dir).returncode, 0)
        with open(target, "rb") as f:
            self.assertEqual(f.read(), EXPECTED)

    def test_unwritable_path_gives_exit_code_3_and_no_file(self):
        os.mkdir(os.path.join(self.dir, "adir"))
        cases = ["missing-dir\\r.txt", "adir"]
        for path in cases:
            with self.subTest(path=path):
                proc = run_exe("--selftest", path, cwd=self.dir)
                self.assertEqual(proc.returncode, 3)
        self.assertFalse(os.path.exists(os.path.join(self.dir, "missing-dir")))
        self.assertEqual(os.listdir(os.path.join(self.dir, "adir")), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
