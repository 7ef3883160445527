"""DLLs planted under system names beside Ostrivel.exe and in its current
folder are never loaded, in any mode, and change nothing: the self-test, the
verification run (an unsigned exe stays NONE, never VALID) and the window
work as before.

The DLLs' names are set native-first (WINEDLLOVERRIDES), the order Windows
gives a DLL that is not a KnownDLL: the exe's folder before System32. Each
planted DLL leaves "<name>.loaded" beside itself when it is loaded
(planted_dll.c). A control built the safe way (safe_control.c) tells what
Wine loads by itself at every start (its user32 imports version.dll and
imm32.dll; on Windows those come from the KnownDLLs): those names are not
planted, since a DLL without their functions would stop every Wine program."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib  # noqa: E402

EXE = os.environ.get("OSTRIVEL_EXE", "")
PROBE_DIR = os.environ.get("OSTRIVEL_PROBE_DIR", "")
# What the verification run, the crypto providers behind it and the window
# could load by a bare name, and a few that Windows itself often loads.
NAMES = ["wintrust", "crypt32", "bcrypt", "msasn1", "cryptbase", "cryptsp", "rsaenh", "ncrypt", "uxtheme",
         "dwmapi", "version", "imm32", "msctf", "userenv", "profapi", "sspicli", "secur32", "winmm", "wldp"]
SELFTEST = ("TOOL|112|Ostrivel|感染指标\r\nLEVEL|0\r\nOUT|分级|0|级\r\nVERDICT|CRP 正常\r\n"
            "DETAIL|分级：0 级 \r\nERRORS|0\r\n").encode("utf-8")
NOT_A_DLL = b"This is not a DLL.\r\n" * 64


class PlantedDlls(unittest.TestCase):
    def setUp(self):
        e2e_lib.require_environment(self)
        self.root = tempfile.mkdtemp(prefix="ostrivel-planted-")
        self.app = os.path.join(self.root, "app")
        self.cwd = os.path.join(self.root, "cwd")
        os.makedirs(self.app)
        os.makedirs(self.cwd)
        self.exe = os.path.join(self.app, "Ostrivel.exe")
        shutil.copy(EXE, self.exe)
        self.control = os.path.join(self.app, "safe_control.exe")
        shutil.copy(os.path.join(PROBE_DIR, "safe_control.exe"), self.control)
        self.env = dict(os.environ, OSTRIVEL_DLLOVERRIDES=",".join(NAMES) + "=n,b")

    def tearDown(self):
        shutil.rmtree(self.root, ignore_errors=True)

    def plant(self, names, content=None):
        for folder in (self.app, self.cwd):
            for name in NAMES:
                path = os.path.join(folder, name + ".dll")
                if os.path.exists(path):
                    os.remove(path)
            for name in names:
                path = os.path.join(folder, name + ".dll")
                if content is None:
                    shutil.copy(os.path.join(PROBE_DIR, "planted_dll.dll"), path)
                else:
                    with open(path, "wb") as f:
                        f.write(content)

    def markers(self):
        """The planted DLLs loaded since the last call, as folder/name."""
        found = set()
        for folder in (self.app, self.cwd):
            for entry in os.listdir(folder):
                if entry.endswith(".loaded"):
                    found.add(os.path.basename(folder) + "/" + entry[:-len(".loaded")].lower())
                    os.remove(os.path.join(folder, entry))
        return found

    def run_windows(self, *args, timeout=120):
        e2e_lib.ensure_wineserver()
        return subprocess.run([e2e_lib.WINE_RUN, *args], cwd=self.cwd, env=self.env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout * e2e_lib.WAIT_SCALE)

    def run_window(self):
        """Starts the window, waits until it shows, closes it; the exit code."""
        process = subprocess.Popen([e2e_lib.WINE_RUN, self.exe], cwd=self.cwd, env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait = 150 * e2e_lib.WAIT_SCALE
            code, info = e2e_lib.probe("wait-window", int(wait * 1000), timeout=wait + 30)
            self.assertTrue(code == 0 and info and info.get("found"), "the window did not appear")
            self.assertEqual(info["title"], e2e_lib.TOOL_NAME)
            e2e_lib.probe("close")
            return process.wait(timeout=30 * e2e_lib.WAIT_SCALE)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()

    def check_modes(self, allowed, what):
        """Every mode works and loads no planted DLL beyond `allowed`."""
        proc = self.run_windows(self.exe, "--selftest", "s.txt")
        self.assertEqual(proc.returncode, 0, what)
        with open(os.path.join(self.cwd, "s.txt"), "rb") as f:
            self.assertEqual(f.read(), SELFTEST, what)
        self.assertEqual(self.markers() - allowed, set(), what + ": --selftest")

        proc = self.run_windows(self.exe, "--verify", "v.txt")
        self.assertEqual(proc.returncode, 0, what)
        with open(os.path.join(self.cwd, "v.txt"), "rb") as f:
            lines = f.read()[len(e2e_lib.BOM):].decode("utf-8").split("\r\n")
        # The build is unsigned: NONE from System32's WinTrust.
        self.assertIn("SIGNATURE|NONE|无数字签名", lines, what)
        self.assertTrue(any(line.startswith("RESULT|PASS|") for line in lines), what)
        self.assertEqual(self.markers() - allowed, set(), what + ": --verify")

        self.assertEqual(self.run_window(), 0, what)
        self.assertEqual(self.markers() - allowed, set(), what + ": window")

    def test_planted_dlls_are_never_loaded(self):
        started = time.monotonic()
        self.plant(NAMES)
        # What Wine loads by itself before a program's first line.
        self.run_windows(self.control, "naive", "absent-name.dll")
        by_wine = {m.split("/", 1)[1] for m in self.markers()}
        print(f"loaded by Wine at every start: {sorted(by_wine)}", file=sys.stderr)
        self.assertFalse(by_wine & {"wintrust.dll", "crypt32.dll", "bcrypt.dll", "uxtheme.dll"}, by_wine)
        names = [n for n in NAMES if n + ".dll" not in by_wine]
        self.plant(names)

        # The planted DLLs are found at all: a program that loads by a bare
        # name without restricting the search gets the one beside it.
        self.assertEqual(self.run_windows(self.control, "naive", "wintrust.dll").returncode, 0)
        self.assertEqual(self.markers(), {"app/wintrust.dll"})

        # The control, built the safe way, with its window.
        self.assertEqual(self.run_windows(self.control, "window").returncode, 0)
        allowed = self.markers()
        print(f"loaded by the control: {sorted(allowed)}", file=sys.stderr)

        self.check_modes(allowed, "marker DLLs")
        self.plant(names, NOT_A_DLL)
        self.check_modes(set(), "files that are not DLLs")
        print(f"planted-DLL runs: {time.monotonic() - started:.1f} s", file=sys.stderr)


if __name__ == "__main__":
    e2e_lib.main()
