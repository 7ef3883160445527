#!/usr/bin/env python3
"""Compares the program's calendar with Python's for every day of 0001..9999.

Usage: compare_calendar.py DUMP [EMULATOR]

Runs calendar_dump (DUMP; under EMULATOR when one is given, as qemu-i386 on a
kernel that cannot run 32-bit programs), which prints the first and last day
numbers and then one ISO date per day; day number d must be
datetime.date.fromordinal(d + 719163). Prints the count and exits 1 on the
first mismatch.
"""
import datetime
import subprocess
import sys

EPOCH_ORDINAL = 719163  # date(1970, 1, 1).toordinal()


def main() -> int:
    out = subprocess.run(sys.argv[2:] + [sys.argv[1]], check=True, stdout=subprocess.PIPE).stdout.decode("ascii").split("\n")
    first, last = (int(v) for v in out[0].split())
    dates = out[1:-1]
    if first + EPOCH_ORDINAL != 1 or last + EPOCH_ORDINAL != datetime.date.max.toordinal():
        print(f"range {first}..{last} is not 0001-01-01..9999-12-31")
        return 1
    if len(dates) != last - first + 1:
        print(f"{len(dates)} dates for {last - first + 1} days")
        return 1
    for i, text in enumerate(dates):
        expected = datetime.date.fromordinal(first + i + EPOCH_ORDINAL).isoformat()
        if text != expected:
            print(f"day {first + i}: {text}, Python says {expected}")
            return 1
    print(f"{len(dates)} days compared, 0 mismatches")
    return 0


if __name__ == "__main__":
    sys.exit(main())
