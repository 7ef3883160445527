"""The save button of the real Ostrivel.exe under Xvfb + Wine: the bytes of
T112.csv in the prefix's local application-data folder, the message boxes,
and the truth about failures (a file held by another process)."""
import datetime
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib  # noqa: E402
from e2e_lib import (BOM, FAILED_CAPTION, HEADER, ID_CALCULATE, ID_RESET, ID_RESULT, RECORD,  # noqa: E402
                     log_path, log_windows_path, read_log, records, suite_dir)

setUpModule = e2e_lib.warm_up_program


class RecordLog(e2e_lib.RecordLogTest):
    def test_save_before_calculating_refuses_and_creates_nothing(self):
        self.assert_refused()
        self.assertFalse(os.path.exists(suite_dir()))

    def test_first_save_writes_mark_header_and_record_then_only_records(self):
        self.calculate("8", "分级：0 级\r\n")
        before = datetime.datetime.now()
        self.assert_saved()
        after = datetime.datetime.now()
        data = read_log()
        self.assertTrue(data.startswith(BOM + HEADER + b"20"), data[:40])
        [first] = records(data)
        self.assertEqual(first.group(7, 8), (b"8", "分级：0 级".encode("utf-8")))
        stamp = datetime.datetime(*(int(first.group(i)) for i in range(1, 7)))
        self.assertLessEqual(before - datetime.timedelta(minutes=1), stamp)
        self.assertLessEqual(stamp, after + datetime.timedelta(minutes=1))

        # Typing without calculating again: the record keeps the values and
        # the result of the last calculation, and no second mark or header.
        self.assertTrue(self.program.replace_input("12.5"))
        self.assert_saved()
        data2 = read_log()
        self.assertTrue(data2.startswith(data))
        self.assertEqual(data2.count(BOM), 1)
        self.assertEqual(data2.count(HEADER), 1)
        second = records(data2)[1]
        self.assertEqual(second.group(7, 8), (b"8", "分级：0 级".encode("utf-8")))

        self.calculate("12.5", "分级：1 级\r\n")
        self.assert_saved()
        third = records(read_log())
        self.assertEqual(len(third), 3)
        self.assertEqual(third[2].group(7, 8), (b"12.5", "分级：1 级".encode("utf-8")))

    def test_file_held_without_write_sharing_fails_loudly_and_loses_nothing(self):
        self.calculate("8", "分级：0 级\r\n")
        self.assert_saved()
        before = read_log()

        stop = os.path.join(e2e_lib.ARTIFACTS, "filelock-stop")
        os.makedirs(e2e_lib.ARTIFACTS, exist_ok=True)
        if os.path.exists(stop):
            os.remove(stop)
        stop_windows = "Z:" + os.path.abspath(stop).replace("/", "\\")
        holder = subprocess.Popen([e2e_lib.WINE_RUN, os.path.join(e2e_lib.PROBE_DIR, "filelock_probe.exe"),
                                   log_windows_path(), stop_windows, "120"],
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        try:
            self.assertEqual(holder.stdout.readline().strip(), b"LOCKED")
            caption, text = self.save()
            self.assertEqual(caption, FAILED_CAPTION)
            self.assertIn(log_windows_path(), text)
            self.assertNotIn("已保存", text)
            self.assertEqual(read_log(), before)
        finally:
            with open(stop, "w"):
                pass
            holder.wait(timeout=60)
            holder.stdout.close()
        self.assertEqual(holder.returncode, 0)

        # Once the other process has let go, the next save goes through.
        self.assert_saved()
        after = records(read_log())
        self.assertEqual(len(after), 2)
        self.assertTrue(read_log().startswith(before))

    def test_folder_that_cannot_be_had_fails_with_the_file_named(self):
        # A file where the folder KelvoMedSuite should be: no folder, no log.
        with open(suite_dir(), "wb") as f:
            f.write(b"x")
        self.calculate("8", "分级：0 级\r\n")
        caption, text = self.save()
        self.assertEqual(caption, FAILED_CAPTION)
        self.assertIn(log_windows_path(), text)
        with open(suite_dir(), "rb") as f:
            self.assertEqual(f.read(), b"x")

    def test_existing_file_gets_records_only(self):
        # Whatever the file holds already stays, and no mark or header is
        # added after it.
        os.makedirs(os.path.dirname(log_path()))
        earlier = BOM + HEADER + "2020-01-02 03:04:05,Ostrivel,CRP=1,分级：0 级\r\n\r\n".encode("utf-8")
        for existing in (earlier, b"not ours\r\n"):
            with self.subTest(existing=existing[:12]):
                with open(log_path(), "wb") as f:
                    f.write(existing)
                self.calculate("150", "分级：3 级\r\n")
                self.assert_saved()
                data = read_log()
                self.assertTrue(data.startswith(existing))
                self.assertRegex(data[len(existing):], b"^" + RECORD.pattern + b"$")
                self.assertIn(b"CRP=150,", data[len(existing):])

    def test_torn_last_line_is_kept_and_the_record_starts_a_line_of_its_own(self):
        # A log cut short in the middle of a record (power lost mid-write,
        # or a full disk under an older version): its bytes stay as they
        # are, and a line end comes before the next record.
        os.makedirs(os.path.dirname(log_path()))
        whole = BOM + HEADER + "2020-01-02 03:04:05,Ostrivel,CRP=8,分级：0 级\r\n\r\n".encode("utf-8")
        torn = "2020-01-02 03:04:06,Ostrivel,CRP=8,分级：0".encode("utf-8")
        cases = (
            (torn, b"\r\n"),
            (torn[:-5], b"\r\n"),                    # "分" and two of the three bytes of "级"
            (torn + " 级\r".encode("utf-8"), b"\n"),   # between CR and LF
        )
        self.calculate("8", "分级：0 级\r\n")
        for tail, line_end in cases:
            with self.subTest(tail=tail[-6:]):
                with open(log_path(), "wb") as f:
                    f.write(whole + tail)
                self.assert_saved()
                data = read_log()
                self.assertEqual(data[:len(whole + tail)], whole + tail)
                self.assertRegex(data[len(whole + tail):], b"^" + line_end + RECORD.pattern + rb"\Z")

    def test_save_after_reset_refuses_again(self):
        self.calculate("8", "分级：0 级\r\n")
        self.assert_saved()
        before = read_log()
        self.program.click_control(ID_RESET)
        self.assertTrue(self.program.wait_text(ID_RESULT, ""))
        self.assert_refused()
        self.assertEqual(read_log(), before)

    def test_refused_input_leaves_the_last_calculation_to_save(self):
        self.calculate("50", "分级：2 级\r\n")
        self.assertTrue(self.program.replace_input("inf"))
        self.program.click_control(ID_CALCULATE)
        dialogs = self.program.wait_dialog()
        self.assertEqual([d["caption"] for d in dialogs], ["输入有误"])
        self.assertTrue(self.program.close_dialogs())
        self.assert_saved()
        [record] = records(read_log())
        self.assertEqual(record.group(7, 8), (b"50", "分级：2 级".encode("utf-8")))

    def test_blank_misspelt_or_negative_box_leaves_the_last_calculation_to_save(self):
        # A blank box once graded as 0, "1O0" (letter O) as 1 and a stray
        # minus as "CRP 正常": the save after it recorded a value nobody
        # measured.
        self.calculate("150", "分级：3 级\r\n")
        for text, message in (("", "第 1 项“CRP”请输入数字。"), ("1O0", "第 1 项“CRP”请输入数字。"),
                              ("-150", "第 1 项“CRP”不能小于 0。")):
            self.assertTrue(self.program.replace_input(text))
            self.program.click_control(ID_CALCULATE)
            dialogs = self.program.wait_dialog()
            self.assertEqual([(d["caption"], d["texts"]) for d in dialogs], [("输入有误", [message])], text)
            self.assertTrue(self.program.close_dialogs())
            self.assertEqual(self.program.text(ID_RESULT), "分级：3 级\r\n", text)
        self.assert_saved()
        [record] = records(read_log())
        self.assertEqual(record.group(7, 8), (b"150", "分级：3 级".encode("utf-8")))


if __name__ == "__main__":
    e2e_lib.main()
