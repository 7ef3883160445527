#!/usr/bin/env python3
"""Makes docs/screenshot.png: the window after CRP 50 and F5, cut to its
client area. Run by scripts/screenshot.sh, which builds the exe and the probe and
provides the display; this script drives the program with the end-to-end
library and checks that the window shows the expected result first."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.environ["OSTRIVEL_SOURCE_DIR"], "tests", "e2e"))
import e2e_lib as lib  # noqa: E402

VALUE = "50"
VERDICT = "轻度升高，结合症状复查"


def main(out):
    program = lib.Program()
    try:
        if not program.replace_input(VALUE):
            raise RuntimeError("the CRP box does not hold " + VALUE)
        program.key("F5")
        if not program.wait_text(program.verdict_label(), VERDICT):
            raise RuntimeError("no verdict after F5: " + program.verdict_label()["text"])
        # The pointer away from the buttons, so none is drawn hovered, then
        # the painted verdict colour as the sign that painting is done.
        lib.move_mouse(0, 0)
        count, image = program.wait_colour("screenshot", lib.VERDICT_RECT, lib.LEVEL_COLOURS[1], minimum=20)
        if count < 20:
            raise RuntimeError("the verdict is not painted, see " + image.path)
        time.sleep(0.5)
        # The client area: without a window manager on the virtual display
        # the frame and the title bar are not drawn.
        info = program.refresh()
        left, top, right, bottom = info["client"]
        x, y = info["clientOrigin"]
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, x, y),
                        "+repage", "-strip", "-define", "png:exclude-chunks=date,time", out],
                       check=True, timeout=30)
        if program.close() != 0:
            raise RuntimeError("the program did not end with exit code 0")
    finally:
        program.kill()
    print("wrote %s (%dx%d)" % (out, right - left, bottom - top))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.environ["OSTRIVEL_SOURCE_DIR"], "docs", "screenshot.png"))
