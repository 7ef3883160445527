"""Calculating with F5 and Enter in the real Ostrivel.exe: the verdict and its
colour, the result box, where the keys go, and the clipboard text."""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib as lib  # noqa: E402
from e2e_lib import VERDICT_RECT  # noqa: E402


class Calculate(lib.ProgramTest):

    def calculate_by_key(self, text, key):
        """Types a value into the CRP box and presses a key there; returns the
        verdict label's text once the result is shown."""
        self.assertTrue(self.program.replace_input(text), "the box does not hold " + text)
        self.assertEqual(self.program.focus()["id"], lib.ID_FIRST_INPUT)
        self.program.key(key)

    def assert_verdict(self, name, verdict, level, result):
        label = self.program.verdict_label()
        self.assertTrue(self.program.wait_text(label, verdict), self.program.verdict_label()["text"])
        self.assertEqual(self.program.text(lib.ID_RESULT), result)
        n, image = self.program.wait_colour(name, VERDICT_RECT, lib.LEVEL_COLOURS[level], minimum=20)
        self.assertGreaterEqual(n, 20, "verdict not in the level-%d colour, see %s" % (level, image.path))
        for other, colour in lib.LEVEL_COLOURS.items():
            if other != level:
                self.assertEqual(self.program.client_count(image, *VERDICT_RECT, colour), 0,
                                 "level-%d colour in the verdict, see %s" % (other, image.path))
        return image

    def copy_and_read_clipboard(self):
        holder = lib.set_clipboard("stale text of another program")
        time.sleep(0.3)
        self.program.click_control(lib.ID_COPY)
        text = None
        for _ in range(lib.scaled_count(50)):
            text = lib.clipboard_text()
            if text is not None and text != "stale text of another program":
                break
            time.sleep(0.1)
        holder.wait(timeout=10)   # xclip leaves once the program owns the clipboard
        return text

    def test_50_and_f5_shows_level_1_and_copies(self):
        self.calculate_by_key("50", "F5")
        self.assert_verdict("window_after_50_f5", "轻度升高，结合症状复查", 1, "分级：2 级\r\n")
        # F5 never reached the box; the focus is on the main window now.
        self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), "50")
        self.assertTrue(self.program.focus()["isMain"])
        self.assertEqual(self.program.info["dialogs"], [])

        text = self.copy_and_read_clipboard()
        self.assertEqual(text.replace("\r\n", "\n"), "Ostrivel\n分级：2 级\n—— 轻度升高，结合症状复查")
        self.assertEqual(self.program.close(), 0)

    def test_150_and_enter_shows_level_2_and_copies(self):
        self.calculate_by_key("150", "Return")
        self.assert_verdict("window_after_150_enter", "明显升高，警惕细菌感染与组织损伤", 2, "分级：3 级\r\n")
        self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), "150")
        text = self.copy_and_read_clipboard()
        self.assertEqual(text.replace("\r\n", "\n"), "Ostrivel\n分级：3 级\n—— 明显升高，警惕细菌感染与组织损伤")
        self.assertEqual(self.program.close(), 0)

    def test_full_width_150_reads_as_150_and_is_saved(self):
        # What a Chinese input method types in full-width mode.
        self.calculate_by_key("１５０", "F5")
        self.assert_verdict("window_after_full_width_150_f5", "明显升高，警惕细菌感染与组织损伤", 2, "分级：3 级\r\n")
        self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), "１５０")   # the box keeps what was typed

        before = lib.read_log() if os.path.isfile(lib.log_path()) else b""
        self.program.click_control(lib.ID_SAVE)
        self.assertEqual([d["caption"] for d in self.program.wait_dialog()], [lib.SAVED_CAPTION])
        self.assertTrue(self.program.close_dialogs())
        added = lib.read_log()[len(before):]
        match = lib.RECORD.search(added)
        self.assertTrue(match, added)
        self.assertEqual(match.group(7, 8), (b"150", "分级：3 级".encode("utf-8")))
        self.assertEqual(self.program.close(), 0)

    def test_default_8_with_the_button(self):
        self.program.click_control(lib.ID_CALCULATE)
        self.assert_verdict("window_after_default", "CRP 正常", 0, "分级：0 级\r\n")
        text = self.copy_and_read_clipboard()
        self.assertEqual(text.replace("\r\n", "\n"), "Ostrivel\n分级：0 级\n—— CRP 正常")
        self.assertEqual(self.program.close(), 0)

    def test_keys_after_a_calculation_wait_for_a_click(self):
        # After a calculation the focus is on the main window: F5 and Enter
        # then do nothing, even though the box now holds another value.
        self.calculate_by_key("50", "F5")
        label = self.program.verdict_label()
        self.assertTrue(self.program.wait_text(label, "轻度升高，结合症状复查"))
        self.program.set_text(lib.ID_FIRST_INPUT, "150")
        self.program.key("F5", "Return")
        time.sleep(0.5 * lib.WAIT_SCALE)   # long enough for the keys to have done what they would
        self.assertEqual(self.program.verdict_label()["text"], "轻度升高，结合症状复查")
        self.assertEqual(self.program.text(lib.ID_RESULT), "分级：2 级\r\n")
        # A click into the box makes F5 work again.
        self.assertTrue(self.program.click_into(lib.ID_FIRST_INPUT))
        self.program.key("F5")
        self.assertTrue(self.program.wait_text(label, "明显升高，警惕细菌感染与组织损伤"))
        self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), "150")
        self.assertEqual(self.program.close(), 0)

    def test_f5_and_enter_never_reach_the_box(self):
        # The caret sits in the middle of the text: a key that reached the
        # edit control as a character would change it.
        self.assertTrue(self.program.replace_input("12"))
        self.program.key("Left")
        label = self.program.verdict_label()
        for key, verdict in (("F5", "轻度升高，结合症状复查"), ("Return", "轻度升高，结合症状复查")):
            self.assertTrue(self.program.click_into(lib.ID_FIRST_INPUT))
            self.program.set_text(lib.ID_RESULT, "")
            self.program.key(key)
            self.assertTrue(self.program.wait_text(lib.ID_RESULT, "分级：1 级\r\n"), key)
            self.assertTrue(self.program.wait_text(label, verdict), key)
            self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), "12", key)
        self.assertEqual(self.program.close(), 0)

    def test_held_f5_stays_responsive(self):
        self.assertTrue(self.program.replace_input("50"))
        self.program.focus_x()
        lib.xdotool("keydown", "F5")
        time.sleep(1.5)
        lib.xdotool("keyup", "F5")
        label = self.program.verdict_label()
        self.assertTrue(self.program.wait_text(label, "轻度升高，结合症状复查"))
        self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), "50")
        # Still answering: a further calculation by button works at once.
        self.program.set_text(lib.ID_FIRST_INPUT, "150")
        self.program.click_control(lib.ID_CALCULATE)
        self.assertTrue(self.program.wait_text(label, "明显升高，警惕细菌感染与组织损伤", timeout=5))
        self.assertEqual(self.program.close(), 0)


if __name__ == "__main__":
    lib.main()
