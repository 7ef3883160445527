"""Driving the real Ostrivel.exe under Wine (and Xvfb) the way a person does.

Shared by the window and record-log end-to-end tests. A test starts the
program with `Program()`, looks at it through the Windows helper
window_probe.exe (which sees the windows as Win32 does), presses keys and
clicks with xdotool, reads the clipboard with xclip and takes screenshots with
ImageMagick's `import`. Every test closes the program itself (`close()` posts
WM_CLOSE and returns the exit code); `kill()` is the last resort in `finally`.

Environment (set by CTest): OSTRIVEL_EXE, OSTRIVEL_BUILD_DIR, OSTRIVEL_PROBE_DIR,
OSTRIVEL_WINE_RUN, OSTRIVEL_SOURCE_DIR; DISPLAY must name an X display.
OSTRIVEL_WAIT_SCALE (the 32-bit build's tests under qemu-i386) multiplies every
wait for a window, a text or a message box, and every key and typing delay.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

EXE = os.environ.get("OSTRIVEL_EXE", "")
BUILD_DIR = os.environ.get("OSTRIVEL_BUILD_DIR", "")
PROBE_DIR = os.environ.get("OSTRIVEL_PROBE_DIR", "")
WINE_RUN = os.environ.get("OSTRIVEL_WINE_RUN", "")
SOURCE_DIR = os.environ.get("OSTRIVEL_SOURCE_DIR", "")
ARTIFACTS = os.path.join(PROBE_DIR or ".", "artifacts")
# Under emulation Wine and the program run several times slower: the waits
# for what the program shows grow by this factor, and so does every pause
# between an input and the program reading it (key and typing delays), so
# that no input comes faster than the build under test takes it.
WAIT_SCALE = float(os.environ.get("OSTRIVEL_WAIT_SCALE") or 1)
# Milliseconds between two keys, before scaling.
KEY_DELAY_MS = 30


def scaled_ms(ms):
    return str(int(ms * WAIT_SCALE))


def scaled_count(n):
    """How many polls of a fixed interval make up a wait, scaled."""
    return int(n * WAIT_SCALE)

# Control ids of the window.
ID_CALCULATE, ID_SAVE, ID_COPY, ID_RESET, ID_ABOUT = 1001, 1002, 1003, 1004, 1005
ID_FIRST_INPUT = 2000
ID_RESULT = 3000

TOOL_NAME = "Ostrivel"
HINT_TEXT = "填写左侧参数，点击“计算”"


def rgb(value):
    """0xRRGGBB -> (r, g, b)."""
    return ((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)


# --- what the window should look like ----------------------------------------
# Every expected place, size and colour of the window, once. They are written
# out here, not read from the program's own tables: a wrong number there has
# to disagree with one here.

CLIENT_SIZE = (1020, 720)     # the client area the layout is drawn for
WINDOW_SIZE = (1036, 780)     # the one outer size the window keeps

# Rectangles in client coordinates: (left, top, right, bottom), right and
# bottom exclusive.
INPUT_LABEL_RECT = (24, 151, 208, 173)     # row 0
INPUT_BOX_RECT = (216, 146, 368, 173)      # row 0
UNIT_LABEL_RECT = (374, 150, 452, 172)     # row 0
VERDICT_RECT = (492, 142, 984, 188)
RESULT_BOX_RECT = (492, 196, 984, 428)
NOTE_RECT = (492, 444, 984, 564)
REFERENCE_RECT = (492, 576, 984, 632)
BUTTON_RECTS = {
    ID_CALCULATE: (20, 668, 172, 708),
    ID_SAVE: (184, 668, 316, 708),
    ID_COPY: (328, 668, 460, 708),
    ID_RESET: (472, 668, 604, 708),
    ID_ABOUT: (616, 668, 726, 708),
}
TITLE_RECT = (26, 12, 726, 50)
HEADER_LINE_RECT = (28, 48, 748, 76)
INPUTS_TITLE_RECT = (36, 104, 336, 133)    # down to the separator row
RESULTS_TITLE_RECT = (492, 104, 792, 133)
STATUS_RECT = (740, 704, 1004, 720)
# The web address: from R - 240 to R - 26 (R, the client area's right edge).
WEB_ADDRESS_SPAN = (240, 26)
WEB_ADDRESS_TOP, WEB_ADDRESS_BOTTOM = 8, 34

# Colours as 0xRRGGBB.
WINDOW_BACKGROUND = 0xF4F7F9
HEADER_BAND = 0x006C96
HEADER_ACCENT = 0x0084B0
TITLE_TEXT = 0xFFFFFF
HEADER_LINE_TEXT = 0xD6ECF6
WEB_ADDRESS_TEXT = 0xBEDCEB
PANEL_FILL = 0xFFFFFF
PANEL_BORDER = 0xDAE2E8
SECTION_TITLE = 0x006C96
SEPARATOR = 0xE4EAEE
BOTTOM_BAR = 0xECF1F4
QUIET_TEXT = 0x78848E
BODY_TEXT = 0x2C3842
WHITE = 0xFFFFFF
PRIMARY_BUTTON_FILL, PRIMARY_BUTTON_BORDER, PRIMARY_BUTTON_CAPTION = 0x007AA8, 0x006A94, 0xFFFFFF
PLAIN_BUTTON_FILL, PLAIN_BUTTON_BORDER, PLAIN_BUTTON_CAPTION = 0xFFFFFF, 0xCED8E0, 0x2C3842
# The verdict's colour by level, as (r, g, b).
LEVEL_COLOURS = {level: rgb(c) for level, c in enumerate((0x008060, 0xB08400, 0xD66C00, 0xBE1E2D))}


# The only DLLs the exes may import: Windows' KnownDLLs, which it maps from
# System32 whatever the folder. Any other DLL imported at load time is looked
# for in the exe's folder first, before a line of the program has run.
KNOWN_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}
NOT_KNOWN = ("load-time imports must be KnownDLLs (a DLL beside the exe would be loaded instead); "
             "load others from System32 at run time (app/system_dll_win.cpp)")


def pe_imports(objdump, exe):
    """The import table of an exe as objdump reads it: {dll (lower case):
    [function, ...]}."""
    out = subprocess.run([objdump, "-p", exe], stdout=subprocess.PIPE, check=True, text=True).stdout
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


def hexarg(text):
    """A text as UTF-16LE hex digits: survives any command line."""
    return text.encode("utf-16-le").hex()


def require_environment(test):
    missing = [n for n in ("OSTRIVEL_EXE", "OSTRIVEL_PROBE_DIR", "OSTRIVEL_WINE_RUN") if not os.environ.get(n)]
    if missing:
        test.skipTest("not run by CTest: " + ", ".join(missing))
    if not os.environ.get("DISPLAY"):
        raise RuntimeError("no DISPLAY: run under Xvfb (scripts/test.sh starts one)")


_server_started = False


def ensure_wineserver():
    """One wineserver for all the Wine processes of a test file, so each start
    of the program or the probe does not boot Wine again. It lingers briefly
    after the last client and then goes away on its own."""
    global _server_started
    if _server_started:
        return
    env_script = os.path.join(os.path.dirname(WINE_RUN), "wine-env.sh")
    subprocess.run(["bash", "-c", f'source "{env_script}"; wine_prepare; wineserver -p30'],
                   check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _server_started = True


def wine(*args, timeout=60, check=False):
    """Runs a Windows program through the project's Wine wrapper."""
    ensure_wineserver()
    return subprocess.run([WINE_RUN, *args], capture_output=True, timeout=timeout, check=check)


def probe(*args, timeout=60):
    """Runs window_probe.exe; returns (exit code, parsed JSON or None)."""
    exe = os.path.join(PROBE_DIR, "window_probe.exe")
    done = wine(exe, *[str(a) for a in args], timeout=timeout)
    out = done.stdout.decode("ascii", "replace").strip().splitlines()
    data = None
    for line in reversed(out):
        if line.startswith("{"):
            data = json.loads(line)
            break
    return done.returncode, data


class Image:
    """An RGB screenshot: pixel(x, y) -> (r, g, b)."""

    def __init__(self, width, height, data, path):
        self.width, self.height, self.data, self.path = width, height, data, path

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def count(self, left, top, right, bottom, colour, tolerance=0):
        """Pixels of a colour inside (left, top, right, bottom), right/bottom exclusive."""
        n = 0
        for y in range(max(top, 0), min(bottom, self.height)):
            row = y * self.width * 3
            for x in range(max(left, 0), min(right, self.width)):
                i = row + x * 3
                p = self.data[i:i + 3]
                if all(abs(p[k] - colour[k]) <= tolerance for k in range(3)):
                    n += 1
        return n

    def mask(self, left, top, right, bottom, predicate):
        """Rows of booleans for a rectangle."""
        return [[predicate(self.pixel(x, y)) for x in range(left, right)] for y in range(top, bottom)]


def screenshot(name):
    """Saves the whole screen as artifacts/<name>.png and returns it as an Image."""
    os.makedirs(ARTIFACTS, exist_ok=True)
    path = os.path.join(ARTIFACTS, name + ".png")
    subprocess.run(["import", "-window", "root", path], check=True, timeout=30,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ppm = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, timeout=30,
                         capture_output=True).stdout
    # P6 header: magic, width, height, maximum, one white-space byte, then data.
    match = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
    width, height = int(match.group(1)), int(match.group(2))
    return Image(width, height, ppm[match.end():], path)


def xdotool(*args):
    subprocess.run(["xdotool", *[str(a) for a in args]], check=True, timeout=30)


def mouse_location():
    done = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, timeout=30)
    values = dict(line.split("=", 1) for line in done.stdout.decode().split() if "=" in line)
    return int(values.get("X", -1)), int(values.get("Y", -1))


def move_mouse(x, y):
    """Moves the pointer and waits until it is there. (`mousemove --sync` to
    the point where the pointer already is waits for a motion that never
    comes.)"""
    if mouse_location() == (x, y):
        return
    xdotool("mousemove", x, y)
    for _ in range(100):
        if mouse_location() == (x, y):
            return
        time.sleep(0.02)


def clipboard_text():
    """The CLIPBOARD selection as text; Wine hands over its whole block, so
    the text ends at the first NUL."""
    done = subprocess.run(["xclip", "-selection", "clipboard", "-o", "-t", "UTF8_STRING"],
                          capture_output=True, timeout=30)
    if done.returncode != 0:
        return None
    return done.stdout.decode("utf-8", "replace").split("\0", 1)[0]


def set_clipboard(text):
    """Puts a text of our own on the clipboard (and gives up xclip's hold on it)."""
    proc = subprocess.Popen(["xclip", "-selection", "clipboard", "-i", "-quiet"], stdin=subprocess.PIPE,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    proc.stdin.write(text.encode("utf-8"))
    proc.stdin.close()
    return proc


class Program:
    """One run of Ostrivel.exe with its main window."""

    def __init__(self, *args, start_timeout=150):
        ensure_wineserver()
        # The program and the probe must not find a window left over by a
        # test that failed before it could close its own.
        code, data = probe("info")
        if data and data.get("found"):
            probe("close")
            time.sleep(1 * WAIT_SCALE)
        self.process = subprocess.Popen([WINE_RUN, EXE, *args], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        # A cold Wine can take more than a minute for its first window; the
        # probe gets a margin beyond its own wait.
        start_timeout *= WAIT_SCALE
        code, self.info = probe("wait-window", int(start_timeout * 1000), timeout=start_timeout + 30)
        if code != 0 or not self.info or not self.info.get("found"):
            self.kill()
            raise RuntimeError("the main window did not appear")
        self.hwnd = self.info["hwnd"]
        self.x_window = self._find_x_window()
        self.origin = tuple(self.info["clientOrigin"])

    def _find_x_window(self):
        for _ in range(scaled_count(100)):
            done = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + TOOL_NAME + "$"],
                                  capture_output=True, timeout=30)
            ids = done.stdout.split()
            if ids:
                return ids[-1].decode()
            time.sleep(0.1)
        raise RuntimeError("no X window for the main window")

    # --- looking -----------------------------------------------------------
    def refresh(self):
        code, data = probe("info")
        if data and data.get("found"):
            self.info = data
        return self.info

    def control(self, control_id=None, text=None, index=None, info=None):
        """A child by id, by its text, or (for controls without id) by its
        position among the children."""
        info = info or self.info
        children = info["children"]
        if index is not None:
            return children[index]
        for child in children:
            if control_id is not None and child["id"] != control_id:
                continue
            if text is not None and child["text"] != text:
                continue
            return child
        return None

    def verdict_label(self, info=None):
        """The static right above the result box."""
        info = info or self.refresh()
        for child in info["children"]:
            if child["class"] == "Static" and child["rect"][:2] == list(VERDICT_RECT[:2]):
                return child
        return None

    def text(self, control_id):
        return self.control(control_id, info=self.refresh())["text"]

    def wait_text(self, which, text, timeout=10):
        """Waits until a control (id, or a child dict) holds the text; returns the info."""
        selector = which if isinstance(which, int) else "h%d" % which["hwnd"]
        timeout *= WAIT_SCALE
        code, data = probe("wait-text", selector, hexarg(text), int(timeout * 1000), timeout=timeout + 60)
        if data and data.get("found"):
            self.info = data
        return code == 0

    def wait_dialog(self, timeout=10):
        timeout *= WAIT_SCALE
        code, data = probe("wait-dialog", int(timeout * 1000), timeout=timeout + 60)
        if data and data.get("found"):
            self.info = data
        return data["dialogs"] if code == 0 and data else []

    def close_dialogs(self, timeout=10):
        probe("close-dialogs")
        timeout *= WAIT_SCALE
        code, data = probe("wait-no-dialog", int(timeout * 1000), timeout=timeout + 60)
        if data and data.get("found"):
            self.info = data
        return code == 0

    def focus(self):
        return self.refresh()["focus"]

    # --- acting ------------------------------------------------------------
    def screen_point(self, x, y):
        return self.origin[0] + x, self.origin[1] + y

    def focus_x(self):
        xdotool("windowfocus", "--sync", self.x_window)

    def click(self, x, y):
        """A left click at client coordinates."""
        self.focus_x()
        sx, sy = self.screen_point(x, y)
        move_mouse(sx, sy)
        xdotool("click", "1")

    def click_control(self, control_id):
        child = self.control(control_id)
        left, top, right, bottom = child["rect"]
        self.click((left + right) // 2, (top + bottom) // 2)

    def click_into(self, control_id, timeout=10):
        """Clicks into a control and waits until it has the keyboard focus."""
        end = time.time() + timeout * WAIT_SCALE
        while True:
            self.click_control(control_id)
            for _ in range(scaled_count(20)):
                if self.focus()["id"] == control_id:
                    return True
                time.sleep(0.05)
            if time.time() > end:
                return False

    def key(self, *keys):
        self.focus_x()
        xdotool("key", "--delay", scaled_ms(KEY_DELAY_MS), *keys)

    def type(self, text, slowdown=1):
        """Types a text, `slowdown` times slower than the scaled key delay.
        A character that is not on the US keyboard has no key: xdotool binds a
        spare key to it for the press and takes the binding back after half
        the delay, so a program that reads the press later than that gets
        another character or none. Such characters get twice the delay."""
        self.focus_x()
        for run in re.findall(r"[ -~]+|[^ -~]+", text):
            on_keyboard = re.fullmatch(r"[ -~]+", run) is not None
            delay = KEY_DELAY_MS * slowdown * (1 if on_keyboard else 2)
            xdotool("type", "--delay", scaled_ms(delay), "--", run)   # "-150" is a text, not an option

    def replace_input(self, text, input_index=0, backspaces=12, attempts=3):
        """Clicks into an input box, clears it from the end and types a text
        (Ctrl+A does nothing in Wine's edit control), until the box holds it.
        xdotool types a character without a key of its own (full-width
        digits) by remapping a spare key for a moment: a program that reads
        the press late, as on a busy machine or under emulation, gets another
        character or none, so the box is read back and typed again."""
        box_id = ID_FIRST_INPUT + input_index
        for attempt in range(attempts):
            if not self.click_into(box_id):
                return False
            self.key("End", *["BackSpace"] * backspaces)
            if text:
                self.type(text, slowdown=2 ** attempt)   # each retry slower than the one before
            if self.wait_text(box_id, text):
                return True
        return False

    def set_text(self, control_id, text, repeat=1):
        """Sets a control's text (WM_SETTEXT), or `repeat` copies of it: a
        command line holds at most 32767 characters, so long texts are sent
        as a unit and a count."""
        if repeat == 1:
            probe("settext", control_id, hexarg(text))
        else:
            probe("settext-repeat", control_id, hexarg(text), repeat)

    def screenshot(self, name):
        return screenshot(name)

    def client_pixel(self, image, x, y):
        sx, sy = self.screen_point(x, y)
        return image.pixel(sx, sy)

    def client_count(self, image, left, top, right, bottom, colour, tolerance=0):
        ox, oy = self.origin
        return image.count(left + ox, top + oy, right + ox, bottom + oy, colour, tolerance)

    def wait_colour(self, name, rect, colour, minimum=1, timeout=10):
        """Screenshots until at least `minimum` pixels of a colour are in a
        client rectangle; returns (count, image)."""
        end = time.time() + timeout * WAIT_SCALE
        while True:
            image = self.screenshot(name)
            n = self.client_count(image, *rect, colour)
            if n >= minimum or time.time() > end:
                return n, image
            time.sleep(0.2)

    # --- ending ------------------------------------------------------------
    def close(self, timeout=30):
        """WM_CLOSE to the main window; returns the process's exit code."""
        probe("close")
        try:
            return self.process.wait(timeout=timeout * WAIT_SCALE)
        except subprocess.TimeoutExpired:
            self.kill()
            raise

    def kill(self):
        if self.process.poll() is None:
            probe("close-dialogs")
            probe("close")
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


class ProgramTest(unittest.TestCase):
    """A test case that starts the program in setUp and makes sure, even when
    the test fails, that it is gone afterwards."""

    program_args = ()

    def setUp(self):
        require_environment(self)
        self.program = Program(*self.program_args)

    def tearDown(self):
        self.program.kill()


# --- the record log -------------------------------------------------------
# T112.csv in the prefix's local application-data folder, as the save button
# writes it, and the message boxes the save opens.

BOM = b"\xef\xbb\xbf"
HEADER = "时间,工具,CRP,结果\r\n".encode("utf-8")
RECORD = re.compile(rb"(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d),Ostrivel,CRP=([^,]*),"
                    rb"(\xe5\x88\x86\xe7\xba\xa7\xef\xbc\x9a\d \xe7\xba\xa7)\r\n\r\n")

SAVED_CAPTION = "已保存"
SAVED_MESSAGE = "本次结果已追加保存到本地记录（CSV，可用 Excel 打开）。"
REFUSED_CAPTION = "提示"
REFUSED_MESSAGE = "请先点击“计算”生成结果，再保存记录。"
FAILED_CAPTION = "保存失败"

_folders = None


def folders():
    """(Windows path, Unix path) of the local application-data folder, asked of Wine."""
    global _folders
    if _folders is None:
        done = wine("cmd", "/c", "echo", "%LOCALAPPDATA%")
        windows = done.stdout.decode("utf-8", "replace").strip().splitlines()[-1].strip()
        done = wine("winepath", "-u", windows)
        unix = done.stdout.decode("utf-8", "replace").strip().splitlines()[-1].strip()
        _folders = (windows, unix.rstrip("/"))
    return _folders


def suite_dir():
    return os.path.join(folders()[1], "KelvoMedSuite")


def log_path():
    return os.path.join(suite_dir(), "records", "T112.csv")


def log_windows_path():
    return folders()[0] + "\\KelvoMedSuite\\records\\T112.csv"


def read_log():
    with open(log_path(), "rb") as f:
        return f.read()


def records(data):
    """The records after the byte-order mark and the header, checking that
    nothing else is in the file."""
    assert data.startswith(BOM + HEADER), data[:40]
    body = data[len(BOM + HEADER):]
    found = []
    position = 0
    while position < len(body):
        match = RECORD.match(body, position)
        assert match, body[position:position + 80]
        found.append(match)
        position = match.end()
    return found


def warm_up_program():
    """A cold Wine (its server gone since the last run) can take longer than
    the library's minute to bring up the first window. One start of the
    program, retried once, absorbs that before any test counts time; meant
    as a test file's setUpModule."""
    if not (EXE and os.environ.get("DISPLAY")):
        return
    folders()
    for attempt in range(2):
        try:
            Program().close()
            return
        except (RuntimeError, subprocess.TimeoutExpired):
            if attempt == 1:
                raise


class RecordLogTest(ProgramTest):
    """A program test that starts without a log (and without its folders)."""

    def setUp(self):
        require_environment(self)
        self.fresh_log_folder()
        super().setUp()

    def fresh_log_folder(self):
        if os.path.isfile(suite_dir()):
            os.remove(suite_dir())
        shutil.rmtree(suite_dir(), ignore_errors=True)

    def calculate(self, text, result):
        self.assertTrue(self.program.replace_input(text))
        self.program.click_control(ID_CALCULATE)
        self.assertTrue(self.program.wait_text(ID_RESULT, result), "no result for " + text)

    def save(self):
        """Clicks 保存记录 and returns the one message box it opens (caption,
        text), after closing it."""
        self.program.click_control(ID_SAVE)
        dialogs = self.program.wait_dialog()
        self.assertEqual(len(dialogs), 1, dialogs)
        self.assertTrue(self.program.close_dialogs())
        return dialogs[0]["caption"], "".join(dialogs[0]["texts"])

    def assert_saved(self):
        caption, text = self.save()
        self.assertEqual((caption, text), (SAVED_CAPTION, SAVED_MESSAGE))

    def assert_refused(self):
        caption, text = self.save()
        self.assertEqual((caption, text), (REFUSED_CAPTION, REFUSED_MESSAGE))


def main():
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
