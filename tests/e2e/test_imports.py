"""Ostrivel.exe needs only system DLLs and imports no number conversion."""
import os
import re
import subprocess
import unittest

EXE = os.environ["OSTRIVEL_EXE"]
OBJDUMP = os.environ.get("OSTRIVEL_OBJDUMP", "x86_64-w64-mingw32-objdump")

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "msvcrt.dll",
               "advapi32.dll", "comctl32.dll", "ole32.dll"}
# The C runtime's text-to-number and number-to-text conversions.
FORBIDDEN = re.compile(r"^_*(v?[sfw]?n?w?printf(_s|_l|_p)?|_?vs?c?w?printf.*|[sw]?scanf.*|strto[dfl].*|wcsto[dfl].*|"
                       r"ato[fil].*|_wto[fil].*|_?[efg]cvt.*|_?itoa|_?ltoa|_?ultoa|_?i64toa|_?ui64toa|_?wtoi.*|"
                       r"_?itow|_?ltow|_?ultow|_?i64tow|printf|puts)$", re.IGNORECASE)


def imports():
    out = subprocess.run([OBJDUMP, "-p", EXE], stdout=subprocess.PIPE, check=True, text=True).stdout
    table, dll = {}, None
    for line in out.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            dll = m.group(1).lower()
            table[dll] = []
            continue
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
        if dll and m:
            table[dll].append(m.group(1))
    return table


class Imports(unittest.TestCase):
    def test_only_system_dlls(self):
        dlls = set(imports())
        self.assertTrue(dlls, "no import table found")
        self.assertLessEqual(dlls, SYSTEM_DLLS, f"unexpected DLLs: {sorted(dlls - SYSTEM_DLLS)}")
        for name in dlls:
            self.assertNotRegex(name, r"libstdc|libgcc|winpthread")

    def test_no_number_conversion_of_the_runtime(self):
        crt = imports().get("msvcrt.dll", [])
        bad = [f for f in crt if FORBIDDEN.match(f)]
        self.assertEqual(bad, [], f"msvcrt imports: {bad}")


if __name__ == "__main__":
    unittest.main(verbosity=2)
