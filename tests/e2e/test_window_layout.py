"""The idle window of the real Ostrivel.exe: class, title, place and size,
every control, the painted surface pixel by pixel, CJK glyphs, and the exit
code when it is closed."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib as lib  # noqa: E402
from e2e_lib import rgb  # noqa: E402

# (class, id, style, extended style, rectangle in client coordinates, text)
EXPECTED_CONTROLS = [
    ("Static", 0, 0x50000002, 0, lib.INPUT_LABEL_RECT, "CRP"),
    ("Edit", lib.ID_FIRST_INPUT, 0x50000080, 0x200, lib.INPUT_BOX_RECT, "8"),
    ("Static", 0, 0x50000000, 0, lib.UNIT_LABEL_RECT, "mg/L"),
    ("Static", 0, 0x50000000, 0, lib.VERDICT_RECT, lib.HINT_TEXT),
    ("Edit", lib.ID_RESULT, 0x50200844, 0x200, lib.RESULT_BOX_RECT, ""),
    ("Static", 0, 0x50000000, 0, lib.NOTE_RECT, None),        # the tool's note
    ("Static", 0, 0x50000000, 0, lib.REFERENCE_RECT, None),   # 参考依据：...
    ("Button", lib.ID_CALCULATE, 0x5000000B, 0, lib.BUTTON_RECTS[lib.ID_CALCULATE], "计算 (F5)"),
    ("Button", lib.ID_SAVE, 0x5000000B, 0, lib.BUTTON_RECTS[lib.ID_SAVE], "保存记录"),
    ("Button", lib.ID_COPY, 0x5000000B, 0, lib.BUTTON_RECTS[lib.ID_COPY], "复制结果"),
    ("Button", lib.ID_RESET, 0x5000000B, 0, lib.BUTTON_RECTS[lib.ID_RESET], "清空重填"),
    ("Button", lib.ID_ABOUT, 0x5000000B, 0, lib.BUTTON_RECTS[lib.ID_ABOUT], "关于"),
]

# Points (client coordinates) inside each painted region, and their colour.
PIXEL_CHECKS = [
    ("window background left of the panels", 10, 300, lib.WINDOW_BACKGROUND),
    ("window background between the panels", 468, 300, lib.WINDOW_BACKGROUND),
    ("header band", 900, 70, lib.HEADER_BAND),
    ("header band right of the accent strip", 8, 5, lib.HEADER_BAND),
    ("accent strip", 4, 44, lib.HEADER_ACCENT),
    ("accent strip bottom row", 7, 87, lib.HEADER_ACCENT),
    ("header band bottom row", 600, 87, lib.HEADER_BAND),
    ("left panel fill", 100, 400, lib.PANEL_FILL),
    ("left panel border, left", 20, 400, lib.PANEL_BORDER),
    ("left panel border, top", 200, 96, lib.PANEL_BORDER),
    ("left panel border, right", 459, 400, lib.PANEL_BORDER),
    ("left panel border, bottom", 200, 647, lib.PANEL_BORDER),
    ("right panel fill", 484, 400, lib.PANEL_FILL),
    ("right panel border, left", 476, 400, lib.PANEL_BORDER),
    ("right panel border, right", 999, 400, lib.PANEL_BORDER),
    ("right panel border, bottom", 700, 647, lib.PANEL_BORDER),
    ("left separator", 300, 133, lib.SEPARATOR),
    ("right separator", 900, 133, lib.SEPARATOR),
    ("bottom bar", 900, 670, lib.BOTTOM_BAR),
    ("bottom bar, between buttons", 178, 690, lib.BOTTOM_BAR),
    ("primary button fill", 30, 675, lib.PRIMARY_BUTTON_FILL),
    ("primary button border", 20, 690, lib.PRIMARY_BUTTON_BORDER),
    ("primary button border, bottom", 100, 707, lib.PRIMARY_BUTTON_BORDER),
    ("plain button fill", 195, 675, lib.PLAIN_BUTTON_FILL),
    ("plain button border", 184, 690, lib.PLAIN_BUTTON_BORDER),
    ("plain button border, right", 725, 690, lib.PLAIN_BUTTON_BORDER),
    ("input box inside", 350, 160, lib.WHITE),
    ("result box inside", 700, 300, lib.WHITE),
    ("gap below the panels", 600, 654, lib.WINDOW_BACKGROUND),
]

# Rectangles (client coordinates) that must hold ink of a colour.
INK_CHECKS = [
    ("hint text in the level-0 colour", lib.VERDICT_RECT, lib.LEVEL_COLOURS[0], 20),
    ("title", lib.TITLE_RECT, rgb(lib.TITLE_TEXT), 20),
    ("category and subtitle", lib.HEADER_LINE_RECT, rgb(lib.HEADER_LINE_TEXT), 5),
    ("section title 输入参数", lib.INPUTS_TITLE_RECT, rgb(lib.SECTION_TITLE), 5),
    ("section title 计算结果", lib.RESULTS_TITLE_RECT, rgb(lib.SECTION_TITLE), 5),
    ("primary button caption", lib.BUTTON_RECTS[lib.ID_CALCULATE], rgb(lib.PRIMARY_BUTTON_CAPTION), 10),
    ("plain button caption", lib.BUTTON_RECTS[lib.ID_SAVE], rgb(lib.PLAIN_BUTTON_CAPTION), 5),
    ("input label", lib.INPUT_LABEL_RECT, rgb(lib.QUIET_TEXT), 3),
    ("status text", lib.STATUS_RECT, rgb(lib.QUIET_TEXT), 3),
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
        self.assertEqual(info["window"], [x, y, x + lib.WINDOW_SIZE[0], y + lib.WINDOW_SIZE[1]])
        client = info["client"]
        self.assertGreaterEqual(client[2], lib.CLIENT_SIZE[0])
        self.assertGreaterEqual(client[3], lib.CLIENT_SIZE[1])
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
        got = [(c["class"], c["id"], c["style"], c["exStyle"], tuple(c["rect"]), c["text"]) for c in info["children"]]
        self.assertEqual(len(got), len(EXPECTED_CONTROLS), got)
        for want, have in zip(EXPECTED_CONTROLS, got):
            if want[5] is None:
                self.assertEqual(want[:5], have[:5])
            else:
                self.assertEqual(want, have)
        self.assertTrue(got[5][5].startswith("CRP "), got[5][5])   # the note
        self.assertTrue(got[6][5].startswith("参考依据："), got[6][5])
        focus = info["focus"]
        self.assertEqual((focus["class"], focus["id"]), ("Edit", lib.ID_FIRST_INPUT))

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
        if client[2] > lib.CLIENT_SIZE[0]:
            x = client[2] - 3
            for y, colour in ((70, lib.HEADER_BAND), (300, lib.WINDOW_BACKGROUND), (690, lib.BOTTOM_BAR)):
                got = self.program.client_pixel(image, x, y)
                if got != rgb(colour):
                    wrong.append("right of the layout at (%d, %d): %s" % (x, y, got))
        if client[3] > lib.CLIENT_SIZE[1]:
            got = self.program.client_pixel(image, 500, client[3] - 2)
            if got != rgb(lib.WINDOW_BACKGROUND):
                wrong.append("below the bottom bar: %s" % (got,))
        # The web address, 26 pixels from the right edge of the client area.
        r = client[2]
        far, near = lib.WEB_ADDRESS_SPAN
        top, bottom = lib.WEB_ADDRESS_TOP, lib.WEB_ADDRESS_BOTTOM
        if self.program.client_count(image, r - far, top, r - near, bottom, rgb(lib.WEB_ADDRESS_TEXT)) < 3:
            wrong.append("no web address ink")
        if self.program.client_count(image, r - near, top, r, bottom, rgb(lib.WEB_ADDRESS_TEXT)) != 0:
            wrong.append("web address ink right of R - 26")
        for name, rect, colour, minimum in INK_CHECKS:
            n = self.program.client_count(image, *rect, colour)
            if n < minimum:
                wrong.append("%s: %d pixels of #%02X%02X%02X" % ((name, n) + colour))
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
        left, top, right, bottom = lib.VERDICT_RECT
        glyphs = glyph_bitmaps(image, ox + left, oy + top, ox + right, oy + bottom,
                               lambda p: sum(p) < 3 * 200)
        self.assertGreaterEqual(len(glyphs), 10, "see " + image.path)
        self.assertGreaterEqual(len(set(glyphs)), 9, "see " + image.path)
        widths = sorted(len(g) for g in glyphs)
        self.assertGreater(widths[len(widths) // 2], 8)   # real glyphs of a 21-pixel font, not dots

    def test_close_ends_with_exit_code_0(self):
        self.assertEqual(self.program.close(), 0)


if __name__ == "__main__":
    lib.main()
