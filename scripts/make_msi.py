#!/usr/bin/env python3
"""Writes one Windows Installer package of Ostrivel from resources/ostrivel.wxs.

    make_msi.py --arch x64 --version 1.0.0 --epoch 1700000000 \
                --exe stage/x64/Ostrivel.exe --guide docs/使用说明.txt \
                --out dist/Ostrivel-1.0.0-x64.msi

Its bytes depend only on the inputs, so two builds of one commit give the same
package. wixl alone does not: it draws the product and package codes at
random, dates the package "now" and the cabinet's files by their modification
times. Here the product code is derived from the upgrade code, the processor
and the version; the staged files carry the epoch as their time; wixl and
msibuild run on a clock stopped at the epoch; and the package code, which must
differ between any two different packages, is set last from a hash of the
whole package.

wixl writes its database in no code page and drops every character beyond
ASCII without a word, so the Chinese texts are put in afterwards with
msibuild, once the database is set to code page 936: the guide's file name
and the message of the launch condition that refuses a downgrade (wixl writes
that condition for MajorUpgrade, with the source's ASCII stand-in).

The package is written under a temporary name beside --out and renamed when
complete.
"""

import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import uuid

from package import EXE_NAME, GUIDE_NAME, VERSION_PLACEHOLDER

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WXS = os.path.join(ROOT, "resources", "ostrivel.wxs")
ICON = os.path.join(ROOT, "resources", "ostrivel.ico")

TEMPLATE_PLATFORM = {"x64": "x64", "x86": "Intel"}
LANGUAGE = 2052
CODEPAGE = 936
# The guide's 8.3 name beside its long name, as the File table wants both.
GUIDE_FILE_NAME = "GUIDE.TXT|" + GUIDE_NAME
DOWNGRADE_CONDITION = "NOT WIX_DOWNGRADE_DETECTED"
DOWNGRADE_MESSAGE = "已安装较新版本的 Ostrivel，不能再安装此较旧的版本。如确需改用此版本，请先在“程序和功能”中卸载已安装的版本。"


def msi_version(version):
    """The ProductVersion Windows Installer compares: the numbers of the
    version label, without a suffix such as -dirty."""
    match = re.fullmatch(r"(\d+)\.(\d+)\.(\d+)(?:-.*)?", version)
    if not match:
        raise SystemExit("make_msi.py: version %r is not major.minor.patch" % version)
    return ".".join(match.groups())


class Builder:
    def __init__(self, epoch, workdir):
        clock = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(epoch))
        self.env = dict(os.environ, TZ="UTC")
        self.prefix = ["faketime", "-f", clock]
        self.workdir = workdir

    def run(self, *command):
        result = subprocess.run(self.prefix + list(command), cwd=self.workdir, env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        if result.returncode != 0:
            raise SystemExit("make_msi.py: %s failed (exit %d):\n%s" % (command[0], result.returncode, result.stdout))
        return result.stdout

    def sql(self, msi, query):
        self.run("msibuild", msi, "-q", query)


def upgrade_code(builder, arch):
    """The upgrade code the source gives this processor, read back through
    wixl's own preprocessor so that it is written in one place."""
    text = builder.run("wixl", "-E", "-D", "Arch=" + arch, "-D", "Version=0.0.0",
                       "-D", "ProductCode=00000000-0000-0000-0000-000000000000", WXS)
    match = re.search(r'UpgradeCode="([0-9A-Fa-f-]{36})"', text)
    if not match:
        raise SystemExit("make_msi.py: no UpgradeCode in %s for %s" % (WXS, arch))
    return uuid.UUID(match.group(1))


def build(arch, version, epoch, exe, guide, out):
    number = msi_version(version)
    workdir = tempfile.mkdtemp(prefix="ostrivel-msi-")
    try:
        staged = {EXE_NAME: exe, "guide.txt": guide.replace(VERSION_PLACEHOLDER, version.encode("ascii"))}
        with open(ICON, "rb") as f:
            staged["ostrivel.ico"] = f.read()
        for name, data in staged.items():
            path = os.path.join(workdir, name)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (epoch, epoch))   # the cabinet dates its files by these

        builder = Builder(epoch, workdir)
        product_code = uuid.uuid5(upgrade_code(builder, arch), "Ostrivel %s %s" % (arch, number))
        msi = os.path.join(workdir, "package.msi")
        builder.run("wixl", "-a", arch, "-D", "Arch=" + arch, "-D", "Version=" + number,
                    "-D", "ProductCode=" + str(product_code).upper(), "-o", msi, WXS)

        forced = os.path.join(workdir, "_ForceCodepage.idt")
        with open(forced, "w", newline="") as f:
            f.write("\r\n\r\n%d\t_ForceCodepage\r\n" % CODEPAGE)
        builder.run("msibuild", msi, "-i", forced)
        builder.sql(msi, "UPDATE `File` SET `FileName` = '%s' WHERE `File` = 'GuideTxt'" % GUIDE_FILE_NAME)
        builder.sql(msi, "UPDATE `LaunchCondition` SET `Description` = '%s' WHERE `Condition` = '%s'"
                    % (DOWNGRADE_MESSAGE, DOWNGRADE_CONDITION))
        conditions = builder.run("msiinfo", "export", msi, "LaunchCondition")
        if "%s\t%s" % (DOWNGRADE_CONDITION, DOWNGRADE_MESSAGE) not in conditions:
            raise SystemExit("make_msi.py: no downgrade condition to word in Chinese:\n" + conditions)

        # Two different packages must never share a package code: it comes
        # from the whole package as built so far, hashed with a fixed code in
        # place of wixl's random one.
        def set_package_code(code):
            builder.run("msibuild", msi, "-s", "Ostrivel", "KelvoMed",
                        "%s;%d" % (TEMPLATE_PLATFORM[arch], LANGUAGE), "{%s}" % str(code).upper())
        set_package_code(uuid.UUID(int=0))
        with open(msi, "rb") as f:
            digest = hashlib.sha256(f.read()).hexdigest()
        set_package_code(uuid.uuid5(product_code, digest))

        temporary = os.path.join(os.path.dirname(out) or ".", "." + os.path.basename(out) + ".partial")
        try:
            shutil.copyfile(msi, temporary)
            os.replace(temporary, out)
        finally:
            if os.path.exists(temporary):
                os.remove(temporary)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description="Writes one Windows Installer package.")
    parser.add_argument("--arch", required=True, choices=sorted(TEMPLATE_PLATFORM))
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", required=True, type=int)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--guide", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    for tool in ("wixl", "msibuild", "faketime"):
        if shutil.which(tool) is None:
            raise SystemExit("make_msi.py: %s is missing (Debian packages wixl, msitools, faketime)" % tool)
    with open(args.exe, "rb") as f:
        exe = f.read()
    with open(args.guide, "rb") as f:
        guide = f.read()
    build(args.arch, args.version, args.epoch, exe, guide, args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
