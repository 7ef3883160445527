"""Ostrivel.exe needs only system DLLs, is a GUI program for the right
processor, and converts no number through the C runtime."""
import os
import re
import struct
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib  # noqa: E402

EXE = os.environ["OSTRIVEL_EXE"]
OBJDUMP = os.environ.get("OSTRIVEL_OBJDUMP", "x86_64-w64-mingw32-objdump")
NM = os.environ.get("OSTRIVEL_NM", "x86_64-w64-mingw32-nm")
# The program's own object files and its core library, "|"-separated.
OBJECTS = [p for p in os.environ.get("OSTRIVEL_OBJECTS", "").split("|") if p]
MACHINE = {"x86-64": 0x8664, "i386": 0x14C}[os.environ.get("OSTRIVEL_PE_MACHINE", "x86-64")]

# The C runtime's text-to-number and number-to-text conversions.
FORBIDDEN = re.compile(r"^_*(v?[sfw]?n?w?printf(_s|_l|_p)?|_?vs?c?w?printf.*|[sw]?scanf.*|strto[dfl].*|wcsto[dfl].*|"
                       r"ato[fil].*|_wto[fil].*|_?[efg]cvt.*|_?itoa|_?ltoa|_?ultoa|_?i64toa|_?ui64toa|_?wtoi.*|"
                       r"_?itow|_?ltow|_?ultow|_?i64tow|printf|puts)$", re.IGNORECASE)
# Imported for the runtime's own use, never with the program's numbers: the
# fatal diagnostics of the mingw-w64 runtime and winpthread (printf family),
# winpthread's thread names (_ultoa) and, in the 32-bit runtime only, the
# stand-in for ___lc_codepage_func that reads the code page out of the locale
# name (atoi). The program's own code is held to FORBIDDEN on its objects.
RUNTIME_ONLY = {"printf", "fprintf", "vfprintf", "_ultoa", "atoi"}


def imports():
    return e2e_lib.pe_imports(OBJDUMP, EXE)


def pe_header():
    """The exe's first 4 KiB and the offset of its PE signature in them."""
    with open(EXE, "rb") as f:
        data = f.read(4096)
    return data, struct.unpack_from("<I", data, 0x3C)[0]


def forbidden_reference(symbol):
    """A C-runtime number conversion behind a linker symbol: dllimport and
    32-bit underscores stripped, mingw's own stdio (__mingw_snprintf, which
    libstdc++ selects) included."""
    name = re.sub(r"^_*imp_+", "", symbol).lstrip("_")
    name = re.sub(r"^mingw_", "", name)
    return bool(FORBIDDEN.match(name))


class Imports(unittest.TestCase):
    def test_only_system_dlls(self):
        dlls = set(imports())
        self.assertTrue(dlls, "no import table found")
        self.assertLessEqual(dlls, e2e_lib.KNOWN_DLLS,
                             f"unexpected DLLs: {sorted(dlls - e2e_lib.KNOWN_DLLS)}: {e2e_lib.NOT_KNOWN}")
        for name in dlls:
            self.assertNotRegex(name, r"libstdc|libgcc|winpthread")

    def test_no_number_conversion_of_the_runtime(self):
        crt = imports().get("msvcrt.dll", [])
        bad = [f for f in crt if FORBIDDEN.match(f) and f not in RUNTIME_ONLY]
        self.assertEqual(bad, [], f"msvcrt imports: {bad}")

    def test_own_code_calls_no_runtime_conversion(self):
        if not OBJECTS:
            self.skipTest("OSTRIVEL_OBJECTS not set")
        out = subprocess.run([NM, "-u", *OBJECTS], stdout=subprocess.PIPE, check=True, text=True).stdout
        undefined = {line.split()[-1] for line in out.splitlines() if line.strip().startswith("U ")}
        self.assertGreater(len(undefined), 20, "nm listed too few references")
        self.assertEqual(sorted(s for s in undefined if forbidden_reference(s)), [])

    def test_pe_header(self):
        data, pe = pe_header()
        self.assertEqual(data[pe:pe + 4], b"PE\0\0")
        self.assertEqual(hex(struct.unpack_from("<H", data, pe + 4)[0]), hex(MACHINE))
        # The subsystem sits at the same offset in PE32 and PE32+ headers.
        self.assertEqual(struct.unpack_from("<H", data, pe + 24 + 68)[0], 2, "not the GUI subsystem")

    def test_image_flags(self):
        """ASLR (high-entropy on x64), NX and terminal-server aware; the
        32-bit image also declares that it has no SEH handlers, which holds
        only while nothing in it registers one."""
        data, pe = pe_header()
        # DllCharacteristics, at the same offset in PE32 and PE32+ headers.
        flags = struct.unpack_from("<H", data, pe + 24 + 70)[0]
        expected = {0x0040: "ASLR (dynamic base)", 0x0100: "NX compatible",
                    0x8000: "terminal-server aware"}
        if MACHINE == 0x8664:
            expected[0x0020] = "high-entropy ASLR"
        else:
            expected[0x0400] = "marked as having no SEH handlers"
        for bit, name in expected.items():
            self.assertTrue(flags & bit, f"not {name}: DllCharacteristics {flags:#06x}")
        if MACHINE == 0x14C:
            # A handler is registered by linking a record into the list at
            # fs:0, the thread block's first field.
            out = subprocess.run([OBJDUMP, "-d", EXE], stdout=subprocess.PIPE, check=True, text=True).stdout
            self.assertGreater(out.count("\n"), 10000, "no disassembly")
            self.assertEqual([line for line in out.splitlines() if re.search(r"%fs:(0x0)?\(|%fs:0x0\b", line)], [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
