"""The release's Windows Installer package as a ward PC receives it, under Wine:
a silent install puts the package's exe and guide in place, with the Start
Menu shortcut and the Add/Remove Programs entry; it replaces a lower version
(made here) and leaves one entry; a lower version over it is refused; a silent
removal takes all of it away and leaves the user's record log as it was.

    test_msi.py --arch x64|x86

Without 32-bit Wine every step runs except the installed 32-bit exe's
self-test, and the test then reports itself skipped (77) with the reason.
"""

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile

from test_package import SKIP, SOURCE_DIR, WINE_RUN, EXPECTED_REPORT, package, package_path, selftest, unpack

INSTALLER_FAILED = 1603 % 256   # Wine hands on msiexec's exit code modulo 256
UNINSTALL_KEY = r"HKLM\Software\{}Microsoft\Windows\CurrentVersion\Uninstall"
FOLDERS = {"x64": (package.X64_FOLDER, "C:\\Program Files\\Ostrivel", ""),
           "x86": (package.X86_FOLDER, "C:\\Program Files (x86)\\Ostrivel", "Wow6432Node\\")}
LOWER_VERSION = "0.9.0"


def wine(*args, check=True):
    done = subprocess.run([WINE_RUN, *args], capture_output=True, timeout=300)
    out = done.stdout.decode("utf-8", "replace")
    if check and done.returncode != 0:
        raise AssertionError("wine %s: exit %d\n%s%s" % (" ".join(args), done.returncode, out,
                                                         done.stderr.decode("utf-8", "replace")))
    return done.returncode, out


def unix_path(windows):
    return wine("winepath", "-u", windows)[1].strip().rstrip("/")


def msiexec(action, msi):
    return wine("msiexec", action, "Z:" + msi.replace("/", "\\"), "/qn", check=False)[0]


def msi_property(msi, name):
    table = subprocess.run(["msiinfo", "export", msi, "Property"], check=True, capture_output=True, text=True).stdout
    return re.search(r"^%s\t(.*)$" % name, table, re.M).group(1)


def entries(arch):
    """{product code: {value name: data}} of the Add/Remove Programs entries named Ostrivel."""
    out = wine("reg", "query", UNINSTALL_KEY.format(FOLDERS[arch][2]), "/s", check=False)[1]
    found, key = {}, None
    for line in out.splitlines():
        if line.startswith("HKEY_"):
            key = line.rsplit("\\", 1)[-1]
            found[key] = {}
        elif key and line.strip():
            parts = re.split(r"\s{4}", line.strip(), maxsplit=2)
            if len(parts) == 3:
                found[key][parts[0]] = parts[2]
    return {k: v for k, v in found.items() if v.get("DisplayName") == "Ostrivel"}


def shortcuts():
    users = unix_path("C:\\users")
    return (glob.glob(users + "/*/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Ostrivel.lnk") +
            glob.glob(unix_path("C:\\ProgramData") + "/Microsoft/Windows/Start Menu/Programs/Ostrivel.lnk"))


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def run(arch, work):
    zip_path = package_path()
    msi = zip_path.replace("-windows.zip", "-%s.msi" % arch)
    top, _ = unpack(zip_path, os.path.join(work, "zip"))
    folder, install_dir, _ = FOLDERS[arch]
    exe_path = os.path.join(top, folder, package.EXE_NAME)
    if not os.path.exists(exe_path):
        print("SKIPPED: the release holds no %s exe (see scripts/release.sh)" % arch)
        return SKIP
    check(os.path.exists(msi), "no package %s: scripts/release.sh makes it" % msi)
    with open(exe_path, "rb") as f:
        exe = f.read()
    with open(os.path.join(top, package.GUIDE_NAME), "rb") as f:
        guide = f.read()

    # The package itself: per machine, the icon in Add/Remove Programs, the
    # downgrade refused in Chinese.
    check(msi_property(msi, "ALLUSERS") == "1", "not a per-machine package")
    check(msi_property(msi, "ARPPRODUCTICON") == "ostrivel.ico", "no icon for Add/Remove Programs")
    conditions = subprocess.run(["msiinfo", "export", msi, "LaunchCondition"], check=True, capture_output=True,
                                text=True).stdout
    check("较新版本" in conditions, "the downgrade message is not the Chinese one:\n" + conditions)

    # A lower version of the same package, made here from a changed exe.
    lower = os.path.join(work, "lower.msi")
    with open(os.path.join(work, "lower.exe"), "wb") as f:
        f.write(exe + b"lower version\0\0\0")
    subprocess.run([sys.executable, os.path.join(SOURCE_DIR, "scripts", "make_msi.py"), "--arch", arch,
                    "--version", LOWER_VERSION, "--epoch", "1700000000", "--exe", os.path.join(work, "lower.exe"),
                    "--guide", os.path.join(SOURCE_DIR, "docs", package.GUIDE_NAME), "--out", lower], check=True)

    # A clean start, whatever an earlier run left behind.
    for old in (msi, lower):
        msiexec("/x", old)
    installed = unix_path(install_dir)
    check(not entries(arch) and not os.path.exists(installed), "an earlier Ostrivel is still installed")

    # A record log the removal must leave alone.
    local = unix_path(wine("cmd", "/c", "echo", "%LOCALAPPDATA%")[1].strip().splitlines()[-1])
    log = os.path.join(local, "KelvoMedSuite", "records", "T112.csv")
    kept = open(log, "rb").read() if os.path.exists(log) else None
    os.makedirs(os.path.dirname(log), exist_ok=True)
    record = "\ufeff时间,工具,CRP,结果\r\n2026-12-10 08:00:00,Ostrivel,CRP=50,分级：2 级\r\n\r\n".encode("utf-8")
    with open(log, "wb") as f:
        f.write(record)
    try:
        check(msiexec("/i", lower) == 0, "the lower version did not install")
        check([e["DisplayVersion"] for e in entries(arch).values()] == [LOWER_VERSION], "lower version: %r" % entries(arch))

        check(msiexec("/i", msi) == 0, "the package did not install over the lower version")
        version, product = msi_property(msi, "ProductVersion"), msi_property(msi, "ProductCode")
        found = entries(arch)
        check(list(found) == [product], "one entry, the package's: %r" % found)
        entry = found[product]
        check((entry.get("DisplayVersion"), entry.get("Publisher")) == (version, "KelvoMed"), "entry: %r" % entry)
        with open(os.path.join(installed, package.EXE_NAME), "rb") as f:
            check(f.read() == exe, "the installed exe is not the package's")
        with open(os.path.join(installed, package.GUIDE_NAME), "rb") as f:
            check(f.read() == guide, "the installed guide is not the package's")
        check(len(shortcuts()) == 1, "Start Menu shortcuts: %r" % shortcuts())

        check(msiexec("/i", lower) == INSTALLER_FAILED, "a lower version over a higher one was not refused")
        check([e["DisplayVersion"] for e in entries(arch).values()] == [version], "after the refused downgrade")
        with open(os.path.join(installed, package.EXE_NAME), "rb") as f:
            check(f.read() == exe, "the refused downgrade changed the exe")

        code, report, errors = selftest(os.path.join(installed, package.EXE_NAME), work)
        selftest_skipped = code == SKIP
        if not selftest_skipped:
            check(code == 0 and report == EXPECTED_REPORT, "installed exe's self-test: %d %r %s" % (code, report, errors))

        check(msiexec("/x", msi) == 0, "the package did not uninstall")
        check(not os.path.exists(installed), "the program folder is still there")
        check(not shortcuts() and not entries(arch), "shortcut or entry left behind")
        with open(log, "rb") as f:
            check(f.read() == record, "the removal changed the record log")
    finally:
        for old in (msi, lower):
            msiexec("/x", old)
        if kept is None:
            os.remove(log)
        else:
            with open(log, "wb") as f:
                f.write(kept)

    if selftest_skipped:
        print("SKIPPED (everything else passed): the installed 32-bit exe's self-test:", errors.strip())
        return SKIP
    print("PASS: %s installed silently, upgraded %s, refused the downgrade, removed cleanly" % (arch, LOWER_VERSION))
    return 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", required=True, choices=sorted(FOLDERS))
    arch = parser.parse_args().arch
    work = tempfile.mkdtemp(prefix="ostrivel-msi-")
    try:
        return run(arch, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
