"""What the CRP box accepts and refuses in the real Ostrivel.exe: the refusal
message box, the focus afterwards, the unchanged earlier result, and hostile
texts (long, pasted, CJK, emoji) that must never crash the program."""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib as lib  # noqa: E402

REFUSED_CAPTION = "输入有误"
REFUSED_MESSAGE = "第 1 项“CRP”请输入数字。"
BELOW_ZERO_MESSAGE = "第 1 项“CRP”不能小于 0。"

# Box text -> the result line it gives.
ACCEPTED = [
    (".5", "分级：0 级\r\n"),
    ("  3e2", "分级：3 级\r\n"),
    (" 45 ", "分级：2 级\r\n"),
    ("1e-400", "分级：0 级\r\n"),
]
# Anything but one number: none of these may give a grade.
REFUSED = ["inf", "-Infinity", "NAN", "1e400", "-1e999",
           "", "   ", "12abc", "abc", "1,5", "0x1A", "五十", "\U0001F600", "45\U0001F600", "1e", "\t45"]
# A CRP cannot be negative: a typed minus, full-width too, is a slip.
BELOW_ZERO = ["-5", "-0", "－５０"]


class InputBox(lib.ProgramTest):

    def calculate_text(self, text, repeat=1):
        """Puts a text (or `repeat` copies of it) into the box and clicks
        计算 (F5); returns the result box text, or None when a message box
        opened instead."""
        self.program.set_text(lib.ID_FIRST_INPUT, text, repeat)
        self.program.set_text(lib.ID_RESULT, "")   # so that an equal result is seen to arrive
        self.program.click_control(lib.ID_CALCULATE)
        for _ in range(lib.scaled_count(100)):
            info = self.program.refresh()
            if info["dialogs"]:
                return None
            result = self.program.control(lib.ID_RESULT, info=info)["text"]
            if result:
                return result
            time.sleep(0.05)
        self.fail("neither a result nor a message for %r" % text)

    def assert_refusal_box(self, message=REFUSED_MESSAGE):
        dialogs = self.program.wait_dialog()
        self.assertEqual(len(dialogs), 1, dialogs)
        self.assertEqual(dialogs[0]["caption"], REFUSED_CAPTION)
        self.assertEqual(dialogs[0]["texts"], [message])
        self.assertEqual(dialogs[0]["owner"], self.program.hwnd)
        self.assertFalse(self.program.info["enabled"])   # modal: the window waits
        return dialogs[0]

    def test_inf_is_refused_and_the_earlier_result_stays(self):
        self.assertTrue(self.program.replace_input("50"))
        self.program.key("F5")
        label = self.program.verdict_label()
        self.assertTrue(self.program.wait_text(label, "轻度升高，结合症状复查"))

        self.assertTrue(self.program.replace_input("inf"))
        self.program.key("F5")
        self.assert_refusal_box()
        image = self.program.screenshot("window_refused_inf")
        self.assertTrue(self.program.close_dialogs())

        info = self.program.refresh()
        self.assertEqual((info["focus"]["class"], info["focus"]["id"]), ("Edit", lib.ID_FIRST_INPUT))
        self.assertTrue(info["enabled"])
        self.assertEqual(self.program.control(lib.ID_RESULT, info=info)["text"], "分级：2 级\r\n")
        self.assertEqual(self.program.verdict_label(info)["text"], "轻度升高，结合症状复查")
        self.assertEqual(self.program.control(lib.ID_FIRST_INPUT, info=info)["text"], "inf")
        n, image = self.program.wait_colour("window_after_refusal", lib.VERDICT_RECT, lib.LEVEL_COLOURS[1], 20)
        self.assertGreaterEqual(n, 20, image.path)

        # The focus is back in the box, so F5 works from there at once.
        self.program.key("End", "BackSpace", "BackSpace", "BackSpace", "1", "5", "0")
        self.assertTrue(self.program.wait_text(lib.ID_FIRST_INPUT, "150"))
        self.program.key("F5")
        self.assertTrue(self.program.wait_text(label, "明显升高，警惕细菌感染与组织损伤"))
        self.assertEqual(self.program.close(), 0)

    def test_enter_in_the_message_box_closes_it(self):
        # While the box is open, Enter belongs to it and not to the shortcut.
        self.assertTrue(self.program.replace_input("NAN"))
        self.program.key("Return")
        self.assert_refusal_box()
        found = lib.subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^" + REFUSED_CAPTION + "$"],
                                   capture_output=True, timeout=30).stdout.split()
        self.assertTrue(found, "no X window for the message box")
        lib.xdotool("windowfocus", "--sync", found[-1].decode())
        lib.xdotool("key", "Return")
        code, data = lib.probe("wait-no-dialog", 10000)
        self.assertEqual(code, 0, data["dialogs"])
        self.assertEqual(self.program.text(lib.ID_RESULT), "")   # nothing was calculated
        self.assertEqual(self.program.close(), 0)

    def test_accepted_and_refused_texts(self):
        wrong = []
        for text, result in ACCEPTED:
            got = self.calculate_text(text)
            if got != result:
                wrong.append((text, got, result))
                if got is None:
                    self.program.close_dialogs()
        for text, message in [(t, REFUSED_MESSAGE) for t in REFUSED] + [(t, BELOW_ZERO_MESSAGE) for t in BELOW_ZERO]:
            got = self.calculate_text(text)
            if got is not None:
                wrong.append((text, got, "refusal"))
                continue
            self.assert_refusal_box(message)
            self.assertTrue(self.program.close_dialogs())
            self.assertEqual(self.program.focus()["id"], lib.ID_FIRST_INPUT, text)
        self.assertEqual(wrong, [])
        self.assertEqual(self.program.close(), 0)

    def test_hostile_texts_never_crash(self):
        # Each is refused whole: over 127 units no box holds a plain number,
        # and a piece of it would read as another.
        cases = [
            ("9", 10000),
            (" " * 127 + "1", 1),
            ("测", 10000),
            ("\U0001F600", 5000),
            ("%s%n%d%ls", 50),
            ("1" + "0" * 126 + "e-500", 1),
            ("\x01\x1b\t\x7f", 1),
        ]
        for text, repeat in cases:
            self.assertIsNone(self.calculate_text(text, repeat), text[:20])
            self.assert_refusal_box()
            self.assertTrue(self.program.close_dialogs())
            self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), text * repeat)
        # A paste of 10,000 characters from another program, the way a person does it.
        holder = lib.set_clipboard("45" + "7" * 9998)
        time.sleep(0.3)
        self.program.set_text(lib.ID_FIRST_INPUT, "")
        self.assertTrue(self.program.click_into(lib.ID_FIRST_INPUT))
        self.program.key("ctrl+v")
        for _ in range(lib.scaled_count(100)):
            if len(self.program.text(lib.ID_FIRST_INPUT)) >= 10000:
                break
            time.sleep(0.1)
        self.assertEqual(len(self.program.text(lib.ID_FIRST_INPUT)), 10000)
        self.program.key("F5")
        self.assert_refusal_box()
        self.assertTrue(self.program.close_dialogs())
        self.assertEqual(self.program.text(lib.ID_RESULT), "")
        holder.kill()
        holder.wait()
        self.assertEqual(self.program.close(), 0)


if __name__ == "__main__":
    lib.main()
