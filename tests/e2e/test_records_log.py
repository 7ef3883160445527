"""The save button of the real Ostrivel.exe under Xvfb + Wine: the bytes of
T112.csv in the prefix's local application-data folder, the message boxes,
and the truth about failures (a file held by another process)."""
import datetime
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib  # noqa: E402
from e2e_lib import ID_CALCULATE, ID_RESET, ID_RESULT, ID_SAVE  # noqa: E402

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
        done = e2e_lib.wine("cmd", "/c", "echo", "%LOCALAPPDATA%")
        windows = done.stdout.decode("utf-8", "replace").strip().splitlines()[-1].strip()
        done = e2e_lib.wine("winepath", "-u", windows)
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


def setUpModule():
    """A cold Wine (its server gone since the last run) can take longer than
    the library's minute to bring up the first window. One start of the
    program here, retried once, absorbs that before any test counts time."""
    if not (os.environ.get("OSTRIVEL_EXE") and os.environ.get("DISPLAY")):
        return
    folders()
    for attempt in range(2):
        try:
            e2e_lib.Program().close()
            return
        except (RuntimeError, subprocess.TimeoutExpired):
            if attempt == 1:
                raise


class RecordLog(e2e_lib.ProgramTest):
    def setUp(self):
        e2e_lib.require_environment(self)
        # Every test starts without a log (and without its folders).
        if os.path.isfile(suite_dir()):
            os.remove(suite_dir())
        shutil.rmtree(suite_dir(), ignore_errors=True)
        super().setUp()

    # --- helpers ------------------------------------------------------------
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

    # --- tests --------------------------------------------------------------
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


if __name__ == "__main__":
    e2e_lib.main()
