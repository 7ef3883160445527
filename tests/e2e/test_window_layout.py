"""The idle window of the real Ostrivel.exe: class, title, place and size,
every control, the painted surface pixel by pixel, CJK glyphs, and the exit
code when it is closed."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib as lib  # noqa: E402
from e2e_lib import rgb  # noqa: E402

WHITE = rgb(0xFFFFFF)

# (class, id, style, extended style, rectangle in client coordinates, text)
EXPECTED_CONTROLS = [
    ("Static", 0, 0x50000002, 0, [24, 151, 208, 173], "CRP"),
    ("Edit", 2000, 0x50000080, 0x200, [216, 146, 368, 173], "8"),
    ("Static", 0, 0x50000000, 0, [374, 150, 452, 172], "mg/L"),
    ("Static", 0, 0x50000000, 0, [492, 142, 984, 188], lib.HINT_TEXT),
    ("Edit", 3000, 0x50200844, 0x200, [492, 196, 984, 428], ""),
    ("Static", 0, 0x50000000, 0, [492, 444, 984, 564], None),   # the tool's note
    ("Static", 0, 0x50000000, 0, [492, 576, 984, 632], None),   # 参考依据：...
    ("Button", 1001, 0x5000000B, 0, [20, 668, 172, 708], "计算 (F5)"),
    ("Button", 1002, 0x5000000B, 0, [184, 668, 316, 708], "保存记录"),
    ("Button", 1003, 0x5000000B, 0, [328, 668, 460, 708], "复制结果"),
    ("Button", 1004, 0x5000000B, 0, [472, 668, 604, 708], "清空重填"),
    ("Button", 1005, 0x5000000B, 0, [616, 668, 726, 708], "关于"),
]

# Points (client coordinates) inside each painted region, and their colour.
PIXEL_CHECKS = [
    ("window background left of the panels", 10, 300, 0xF4F7F9),
    ("window background between the panels", 468, 300, 0xF4F7F9),
    ("header band", 900, 70, 0x006C96),
    ("header band right of the accent strip", 8, 5, 0x006C96),
    ("accent strip", 4, 44, 0x0084B0),
    ("accent strip bottom row", 7, 87, 0x0084B0),
    ("header band bottom row", 600, 87, 0x006C96),
    ("left panel fill", 100, 400, 0xFFFFFF),
    ("left panel border, left", 20, 400, 0xDAE2E8),
    ("left panel border, top", 200, 96, 0xDAE2E8),
    ("left panel border, right", 459, 400, 0xDAE2E8),
    ("left panel border, bottom", 200, 647, 0xDAE2E8),
    ("right panel fill", 484, 400, 0xFFFFFF),
    ("right panel border, left", 476, 400, 0xDAE2E8),
    ("right panel border, right", 999, 400, 0xDAE2E8),
    ("right panel border, bottom", 700, 647, 0xDAE2E8),
    ("left separator", 300, 133, 0xE4EAEE),
    ("right separator", 900, 133, 0xE4EAEE),
    ("bottom bar", 900, 670, 0xECF1F4),
    ("bottom bar, between buttons", 178, 690, 0xECF1F4),
    ("primary button fill", 30, 675, 0x007AA8),
    ("primary button border", 20, 690, 0x006A94),
    ("primary button border, bottom", 100, 707, 0x006A94),
    ("plain button fill", 195, 675, 0xFFFFFF),
    ("plain button border", 184, 690, 0xCED8E0),
    ("plain button border, right", 725, 690, 0xCED8E0),
    ("input box inside", 350, 160, 0xFFFFFF),
    ("result box inside", 700, 300, 0xFFFFFF),
    ("gap below the panels", 600, 654, 0xF4F7F9),
]

# Rectangles (client coordinates) that must hold ink of a colour.
INK_CHECKS = [
    ("hint text in the level-0 colour", (492, 142, 984, 188), 0x008060, 20),
    ("title", (26, 12, 726, 50), 0xFFFFFF, 20),
    ("category and subtitle", (28, 48, 748, 76), 0xD6ECF6, 5),
    ("section title 输入参数", (36, 104, 336, 133), 0x006C96, 5),
    ("section title 计算结果", (492, 104, 792, 133), 0x006C96, 5),
    ("primary button caption", (20, 668, 172, 708), 0xFFFFFF, 10),
    ("plain button caption", (184, 668, 316, 708), 0x2C3842, 5),
    ("input label", (24, 151, 208, 173), 0x78848E, 3),
    ("status text", (740, 704, 1004, 720), 0x78848E, 3),
]


def glyph_bitmaps(image, left, top, right, bottom, is_ink):
    """Splits the ink of a one-line text into glyph bitmaps at blank columns."""
    columns = []
    for x in range(left, right):
        columns.append(tuple(is_ink(image.pixel(x, y)) for y in range(top, bottom)))
    glyphs, current = [], []
    for column in columns:
        if any(column):
            current.append(column)
        elif current:
            glyphs.append(tuple(current))
            current = []
    if current:
        glyphs.append(tuple(current))
    return glyphs


class IdleWindow(lib.ProgramTest):

    def test_class_title_place_and_size(self):
        info = self.program.info
        self.assertEqual(info["class"], "KelvoMedToolWnd")
        self.assertEqual(info["title"], "Ostrivel")
        self.assertEqual(info["style"] & 0x00CF0000, 0x00CA0000)   # caption, system menu, minimise; no sizing
        left, top, right, bottom = info["adjusted"]
        width, height = right - left, bottom - top
        screen_w, screen_h = info["screen"]
        x, y = max(0, int((screen_w - width) / 2)), max(0, int((screen_h - height) / 2))
        # Created at the centred place of the adjusted size; the tracking
        # limits of WM_GETMINMAXINFO then make it 1036 x 780.
        self.assertEqual(info["window"], [x, y, x + 1036, y + 780])
        client = info["client"]
        self.assertGreaterEqual(client[2], 1020)
        self.assertGreaterEqual(client[3], 720)
        self.assertTrue(info["enabled"])
        self.assertEqual(info["dialogs"], [])
        # Icon resource 1 of the exe: seven 32-bit images, which the system loads.
        # (Wine does not hand another process a class's icon, so the exe is asked.)
        exe = lib.EXE
        windows_path = "Z:" + exe.replace("/", "\\") if exe.startswith("/") else exe
        code, icon = lib.probe("exe-icon", windows_path)
        self.assertEqual(code, 0)
        self.assertEqual(icon["images"], [[s, 32] for s in (16, 24, 32, 48, 64, 128, 256)])
        self.assertTrue(icon["loads"])

    def test_controls_and_first_focus(self):
        info = self.program.info
        got = [(c["class"], c["id"], c["style"], c["exStyle"], c["rect"], c["text"]) for c in info["children"]]
        self.assertEqual(len(got), len(EXPECTED_CONTROLS), got)
        for want, have in zip(EXPECTED_CONTROLS, got):
            if want[5] is None:
                self.assertEqual(want[:5], have[:5])
            else:
                self.assertEqual(want, have)
        self.assertTrue(got[5][5].startswith("CRP "), got[5][5])   # the note
        self.assertTrue(got[6][5].startswith("参考依据："), got[6][5])
        focus = info["focus"]
        self.assertEqual((focus["class"], focus["id"]), ("Edit", 2000))

    def test_painted_regions(self):
        image = self.program.screenshot("window_idle")
        client = self.program.info["client"]
        wrong = []
        for name, x, y, colour in PIXEL_CHECKS:
            got = self.program.client_pixel(image, x, y)
            if got != rgb(colour):
                wrong.append("%s at (%d, %d): %s, not #%06X" % (name, x, y, "#%02X%02X%02X" % got, colour))
        # The background shows right of and below the fixed layout when the
        # client area is larger than 1020 x 720.
        if client[2] > 1020:
            x = client[2] - 3
            for y, colour in ((70, 0x006C96), (300, 0xF4F7F9), (690, 0xECF1F4)):
                got = self.program.client_pixel(image, x, y)
                if got != rgb(colour):
                    wrong.append("right of the layout at (%d, %d): %s" % (x, y, got))
        if client[3] > 720:
            got = self.program.client_pixel(image, 500, client[3] - 2)
            if got != rgb(0xF4F7F9):
                wrong.append("below the bottom bar: %s" % (got,))
        # The web address, 26 pixels from the right edge of the client area.
        r = client[2]
        if self.program.client_count(image, r - 240, 8, r - 26, 34, rgb(0xBEDCEB)) < 3:
            wrong.append("no web address ink")
        if self.program.client_count(image, r - 26, 8, r, 34, rgb(0xBEDCEB)) != 0:
            wrong.append("web address ink right of R - 26")
        for name, rect, colour, minimum in INK_CHECKS:
            n = self.program.client_count(image, *rect, rgb(colour))
            if n < minimum:
                wrong.append("%s: %d pixels of #%06X" % (name, n, colour))
        self.assertEqual(wrong, [], "see " + image.path)

    def test_cjk_glyphs_render(self):
        # The font the window asks for has every glyph of the hint text...
        code, data = lib.probe("glyphs", "Microsoft YaHei UI", 21, 700, lib.hexarg(lib.HINT_TEXT))
        self.assertEqual(code, 0)
        self.assertEqual(data["missing"], 0, data)
        # ...and on the screen the label's glyphs differ from one another: a
        # missing font would draw one and the same box for each character.
        image = self.program.screenshot("window_idle_glyphs")
        ox, oy = self.program.origin
        glyphs = glyph_bitmaps(image, ox + 492, oy + 142, ox + 984, oy + 188,
                               lambda p: sum(p) < 3 * 200)
        self.assertGreaterEqual(len(glyphs), 10, "see " + image.path)
        self.assertGreaterEqual(len(set(glyphs)), 9, "see " + image.path)
        widths = sorted(len(g) for g in glyphs)
        self.assertGreater(widths[len(widths) // 2], 8)   # real glyphs of a 21-pixel font, not dots

    def test_close_ends_with_exit_code_0(self):
        self.assertEqual(self.program.close(), 0)


if __name__ == "__main__":
    lib.main()
