#!/usr/bin/env python3
"""Writes the release zip from the built exes and the user guide.

    package.py --version 1.0.0 --epoch 1700000000 --guide docs/使用说明.txt \
               --x64 build/windows/Ostrivel.exe [--x86 build-x86/Ostrivel.exe] \
               --out dist/Ostrivel-1.0.0-windows.zip

The zip holds one folder Ostrivel-<version>/ with the guide, SHA256SUMS.txt
(the SHA-256 of every other file) and one folder per exe. Its bytes depend only
on the inputs: entries in a fixed order, fixed permissions, every time stamp the
given epoch (the time of the last commit), a fixed compression level. It is
written under a temporary name in the same folder and renamed when complete.

Entry names are stored in code page 936 (GBK) without the UTF-8 flag, plus the
Info-ZIP Unicode Path field (UTF-8): the zip folders of Windows 7 read names in
the system's OEM code page, which is 936 on a Chinese Windows, and ignore the
UTF-8 flag, so a UTF-8 name would show as mojibake there. 7-Zip and Info-ZIP's
unzip take the Unicode Path field.
"""

import argparse
import hashlib
import os
import struct
import sys
import time
import zipfile
import zlib

X64_FOLDER = "64位 Windows (x64)"
X86_FOLDER = "32位 Windows (x86)"
EXE_NAME = "Ostrivel.exe"
GUIDE_NAME = "使用说明.txt"
SUMS_NAME = "SHA256SUMS.txt"
NAME_ENCODING = "gbk"
VERSION_PLACEHOLDER = b"@VERSION@"

FILE_MODE = 0o100644 << 16
FOLDER_MODE = (0o040755 << 16) | 0x10   # with the MS-DOS directory bit
UNICODE_PATH_TAG = 0x7075


class _LocalNameInfo(zipfile.ZipInfo):
    """An entry whose name is stored in code page 936, flag bit 11 clear."""

    def _encodeFilenameFlags(self):
        return self.filename.encode(NAME_ENCODING), self.flag_bits & ~0x800


def unicode_path_field(name):
    """Info-ZIP Unicode Path extra field: version 1, CRC-32 of the stored
    name, the name in UTF-8. Empty for a plain ASCII name."""
    stored = name.encode(NAME_ENCODING)
    utf8 = name.encode("utf-8")
    if stored == utf8:
        return b""
    return struct.pack("<HHBI", UNICODE_PATH_TAG, 5 + len(utf8), 1, zlib.crc32(stored)) + utf8


def zip_time(epoch):
    """The epoch as a zip date (UTC; zip time stamps have no zone), not before
    1980 and at an even second, which is all the format can hold."""
    t = time.gmtime(max(epoch, 315532800))
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec - t.tm_sec % 2)


def package_files(version, guide, exes):
    """{path inside the top folder: bytes}, SHA256SUMS.txt included."""
    files = {GUIDE_NAME: guide.replace(VERSION_PLACEHOLDER, version.encode("ascii"))}
    for folder, data in exes.items():
        files[folder + "/" + EXE_NAME] = data
    # Lines end in CR LF so Notepad shows them; `sha256sum -c` reads them too.
    sums = "".join("%s  %s\r\n" % (hashlib.sha256(files[path]).hexdigest(), path) for path in sorted(files))
    files[SUMS_NAME] = sums.encode("utf-8")
    return files


def write_zip(out, top, files, epoch):
    entries = {top + "/": None}
    for path, data in files.items():
        parts = path.split("/")
        for i in range(1, len(parts)):
            entries[top + "/" + "/".join(parts[:i]) + "/"] = None
        entries[top + "/" + path] = data
    date_time = zip_time(epoch)
    temporary = os.path.join(os.path.dirname(out) or ".", "." + os.path.basename(out) + ".partial")
    try:
        with zipfile.ZipFile(temporary, "w") as archive:
            for name in sorted(entries):
                info = _LocalNameInfo(name, date_time)
                info.create_system = 3
                info.extra = unicode_path_field(name)
                data = entries[name]
                if data is None:
                    info.external_attr = FOLDER_MODE
                    archive.writestr(info, b"", compress_type=zipfile.ZIP_STORED)
                else:
                    info.external_attr = FILE_MODE
                    archive.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
        os.replace(temporary, out)
    finally:
        if os.path.exists(temporary):
            os.remove(temporary)


def main():
    parser = argparse.ArgumentParser(description="Writes the release zip.")
    parser.add_argument("--version", required=True)
    parser.add_argument("--epoch", required=True, type=int)
    parser.add_argument("--guide", required=True)
    parser.add_argument("--x64", required=True)
    parser.add_argument("--x86")
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    def read(path):
        with open(path, "rb") as f:
            return f.read()

    exes = {X64_FOLDER: read(args.x64)}
    if args.x86:
        exes[X86_FOLDER] = read(args.x86)
    files = package_files(args.version, read(args.guide), exes)
    write_zip(args.out, "Ostrivel-" + args.version, files, args.epoch)
    return 0


if __name__ == "__main__":
    sys.exit(main())
