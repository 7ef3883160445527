#!/usr/bin/env python3
"""Checks that every folder of the program includes only headers from below it.

The program's folders stand on floors, lowest first:

  0  engine/                      (wide_win.h, the Win32 text cast, is the
                                   bottom of the Windows side)
  1  reports/, and the portable text halves of records/ and ui/
  2  the portable half of app/    (the verification runs known cases through
                                   the window's and the record log's texts)
  3  records/ Windows half        (the record log on disk)
  4  ui/ and app/ Windows halves  (the window wires the save command)
  5  app/main_win.cpp             (program entry)

A file may include any header of its own folder, and a header of another
folder only when that folder stands on a lower floor: never one beside it
and never one above. Besides, a portable file (no _win in its name) never
includes a Windows header (*_win.h), whatever its floor.

Usage: check_includes.py [SOURCE_DIR]; prints each wrong include and exits 1
when there is any. An allowed exception that no longer occurs fails too, so
the list below shrinks with the code.
"""

import os
import re
import sys

FOLDERS = ("engine", "reports", "records", "ui", "app")
ENTRY = "app/main_win.cpp"

# (including file, included header): why it may reach up or sideways.
ALLOWED = {
    # evaluateTool hands a report tool's kind to runReport: the one place
    # where the design itself ties the engine to the reports.
    ("engine/tool.cpp", "reports/report.h"),
}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def is_windows_half(path):
    name = os.path.basename(path)
    return re.search(r"_win\.(cpp|h)$", name) is not None


def floor_of(path):
    """The floor of a file given as folder/name, or None for an unknown folder."""
    folder = path.split("/", 1)[0]
    if folder not in FOLDERS:
        return None
    if path == ENTRY:
        return 5
    if folder == "engine":
        return 0
    if folder == "app" and not is_windows_half(path):
        return 2
    if folder == "reports" or not is_windows_half(path):
        return 1
    return 3 if folder == "records" else 4


def sources(root):
    for folder in FOLDERS:
        directory = os.path.join(root, folder)
        if not os.path.isdir(directory):
            continue
        for name in sorted(os.listdir(directory)):
            if name.endswith((".cpp", ".h")):
                yield folder + "/" + name


def wrong_includes(root):
    """Returns (messages, exceptions that were used)."""
    wrong, used = [], set()
    for path in sources(root):
        with open(os.path.join(root, path), encoding="utf-8") as f:
            text = f.read()
        floor = floor_of(path)
        folder = path.split("/", 1)[0]
        for match in INCLUDE.finditer(text):
            header = match.group(1)
            line = text.count("\n", 0, match.start()) + 1
            where = "%s:%d: %s" % (path, line, header)
            target_floor = floor_of(header)
            if target_floor is None:
                wrong.append(where + ": not in a folder with a floor (" + ", ".join(FOLDERS) + ")")
                continue
            if (path, header) in ALLOWED:
                used.add((path, header))
                continue
            if is_windows_half(header) and not is_windows_half(path):
                wrong.append(where + ": a portable file includes a Windows header")
            elif header.split("/", 1)[0] == folder:
                continue
            elif target_floor == floor:
                wrong.append(where + ": sideways, both on floor %d" % floor)
            elif target_floor > floor:
                wrong.append(where + ": upward, from floor %d to floor %d" % (floor, target_floor))
    return wrong, used


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    wrong, used = wrong_includes(root)
    for stale in sorted(ALLOWED - used):
        wrong.append("%s: allowed to include %s, but no longer does: remove the exception" % stale)
    for message in wrong:
        print(message)
    if wrong:
        return 1
    print("includes of %d files: every one goes down" % len(list(sources(root))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
