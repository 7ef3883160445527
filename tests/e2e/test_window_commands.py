"""The copy, reset and about commands of the real Ostrivel.exe."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib as lib  # noqa: E402
from e2e_lib import VERDICT_RECT  # noqa: E402

NO_RESULT = ("提示", ["请先点击“计算”生成结果。"])


class Commands(lib.ProgramTest):

    def press(self, control_id):
        """Clicks a button and returns (caption, texts) of the one message box
        it opens, after closing it again."""
        self.program.click_control(control_id)
        dialogs = self.program.wait_dialog()
        self.assertEqual(len(dialogs), 1, dialogs)
        self.assertEqual(dialogs[0]["owner"], self.program.hwnd)
        self.assertTrue(self.program.close_dialogs())
        self.assertTrue(self.program.refresh()["enabled"])
        return dialogs[0]["caption"], dialogs[0]["texts"]

    def test_copy_before_any_calculation_refuses(self):
        holder = lib.set_clipboard("held by another program")
        self.assertEqual(self.press(lib.ID_COPY), NO_RESULT)
        self.assertEqual(lib.clipboard_text(), "held by another program")   # nothing was copied
        holder.kill()
        holder.wait()
        self.assertEqual(self.program.close(), 0)

    def test_reset_restores_defaults_and_refuses_copy_and_save(self):
        self.assertTrue(self.program.replace_input("150"))
        self.program.key("Return")
        label = self.program.verdict_label()
        self.assertTrue(self.program.wait_text(label, "明显升高，警惕细菌感染与组织损伤"))
        note = self.program.control(index=5, info=self.program.refresh())["text"]
        self.assertTrue(self.program.replace_input("77"))

        self.program.click_control(lib.ID_RESET)
        self.assertTrue(self.program.wait_text(lib.ID_FIRST_INPUT, "8"))
        info = self.program.refresh()
        self.assertEqual(self.program.control(lib.ID_RESULT, info=info)["text"], "")
        self.assertEqual(self.program.verdict_label(info)["text"], lib.HINT_TEXT)
        self.assertEqual(self.program.control(index=5, info=info)["text"], note)
        n, image = self.program.wait_colour("window_after_reset", VERDICT_RECT, lib.LEVEL_COLOURS[0], minimum=20)
        self.assertGreaterEqual(n, 20, image.path)
        self.assertEqual(self.program.client_count(image, *VERDICT_RECT, lib.LEVEL_COLOURS[2]), 0, image.path)

        # No result any more: copy and save refuse until the next calculation.
        self.assertEqual(self.press(lib.ID_COPY), NO_RESULT)
        caption, _ = self.press(lib.ID_SAVE)
        self.assertEqual(caption, "提示")
        self.program.click_control(lib.ID_CALCULATE)
        self.assertTrue(self.program.wait_text(label, "CRP 正常"))
        self.assertEqual(self.program.close(), 0)

    def test_about_box(self):
        caption, texts = self.press(lib.ID_ABOUT)
        self.assertEqual(caption, "关于本工具")
        self.assertEqual(len(texts), 1, texts)
        lines = texts[0].replace("\r\n", "\n").split("\n")
        self.assertEqual(len(lines), 9, lines)
        self.assertEqual(lines[0], "Ostrivel")
        self.assertEqual((lines[1], lines[4], lines[7]), ("", "", ""))
        self.assertTrue(lines[2].startswith("分类："), lines[2])
        self.assertTrue(lines[3].startswith("参考依据："), lines[3])
        self.assertEqual(lines[5], "本工具为临床辅助计算/记录工具，结果不能替代医师诊疗判断，")
        self.assertEqual(lines[6], "具体用药与处置请结合患者实际情况及本院规范执行。")
        self.assertEqual(lines[8], "版本 V1.0    官网：www.kelvomed.example")
        # About changes nothing.
        self.assertEqual(self.program.text(lib.ID_FIRST_INPUT), "8")
        self.assertEqual(self.program.verdict_label()["text"], lib.HINT_TEXT)
        self.assertEqual(self.program.close(), 0)


if __name__ == "__main__":
    lib.main()
