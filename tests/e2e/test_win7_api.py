"""Ostrivel.exe imports only functions that Windows 7 SP1 has: every import
must be in tests/e2e/win7_imports.txt, reviewed against its reference page."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib  # noqa: E402

EXE = os.environ["OSTRIVEL_EXE"]
OBJDUMP = os.environ.get("OSTRIVEL_OBJDUMP", "x86_64-w64-mingw32-objdump")
LIST = os.path.join(os.path.dirname(os.path.abspath(__file__)), "win7_imports.txt")
# Windows 7 or older, as the list writes them.
ON_WINDOWS_7 = {"NT4", "2000", "XP", "XP-x64", "Vista", "7", "x64", "msvcrt"}


def reviewed():
    entries = {}
    with open(LIST, encoding="utf-8") as f:
        for line in f:
            body, _, page = line.partition("#")
            fields = body.split()
            if not fields:
                continue
            name, minimum = fields
            if minimum != "msvcrt" and not page.strip():
                raise AssertionError(f"{name}: no reference page named")
            entries[name.lower()] = minimum
    return entries


def imports():
    return [f"{dll}!{name}" for dll, names in e2e_lib.pe_imports(OBJDUMP, EXE).items() for name in names]


class Windows7Api(unittest.TestCase):
    def test_every_import_is_reviewed(self):
        listed = reviewed()
        found = imports()
        self.assertGreater(len(found), 50, "import table not read")
        self.assertEqual([n for n in found if n.lower() not in listed], [],
                         "imports not in win7_imports.txt: check each against its page and add it")

    def test_only_known_dlls_are_listed(self):
        dlls = {name.split("!", 1)[0] for name in reviewed()}
        self.assertEqual(sorted(dlls - e2e_lib.KNOWN_DLLS), [], e2e_lib.NOT_KNOWN)

    def test_every_entry_is_on_windows_7(self):
        newer = {n: m for n, m in reviewed().items() if m not in ON_WINDOWS_7}
        self.assertEqual(newer, {})


if __name__ == "__main__":
    unittest.main(verbosity=2)
