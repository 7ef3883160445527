"""The save button of the real Ostrivel.exe when the disk under the record log
is full: the records folder of the Wine prefix is a small tmpfs mounted over
it. Needs root (mount); where the machine refuses the mount the whole file is
reported as skipped (exit code SKIP_CODE), never as passed."""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_lib  # noqa: E402
from e2e_lib import BOM, FAILED_CAPTION, HEADER, SAVED_CAPTION, log_path, read_log, records  # noqa: E402

SKIP_CODE = 77
PAGE = 4096
# A whole record of an earlier day: 53 bytes, as long as one saved today.
OLD_RECORD = "2020-01-02 03:04:05,Ostrivel,CRP=8,分级：0 级\r\n\r\n".encode("utf-8")

setUpModule = e2e_lib.warm_up_program


def records_dir():
    return os.path.dirname(log_path())


def mount_refused():
    """Why a tmpfs cannot be mounted here, or None when it can."""
    with tempfile.TemporaryDirectory() as scratch:
        done = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4k", "tmpfs", scratch],
                              capture_output=True, text=True)
        if done.returncode != 0:
            return "cannot mount a tmpfs: " + (done.stderr.strip() or "mount exit %d" % done.returncode)
        subprocess.run(["umount", scratch], check=True)
    return None


def unmount(path):
    for _ in range(20):
        if subprocess.run(["umount", path], capture_output=True).returncode == 0:
            return
        time.sleep(0.25)   # a Wine process may still be letting go of the folder
    subprocess.run(["umount", "-l", path], check=True)


class FullDisk(e2e_lib.RecordLogTest):
    def fresh_log_folder(self):
        super().fresh_log_folder()
        os.makedirs(records_dir())
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % (2 * PAGE), "tmpfs", records_dir()], check=True)
        self.addCleanup(unmount, records_dir())

    def test_failed_save_leaves_the_log_as_it_was_and_the_next_one_is_whole(self):
        # A log two records short of the 8 KiB: the third save runs out of
        # space one byte into its record.
        count = (2 * PAGE - len(BOM + HEADER)) // len(OLD_RECORD) - 2
        with open(log_path(), "wb") as f:
            f.write(BOM + HEADER + OLD_RECORD * count)
        self.calculate("8", "分级：0 级\r\n")
        saved = 0
        for _ in range(5):
            before = read_log()
            caption, _ = self.save()
            if caption != SAVED_CAPTION:
                break
            saved += 1
        self.assertEqual(caption, FAILED_CAPTION)
        self.assertEqual(saved, 2)
        self.assertEqual(read_log(), before)

        subprocess.run(["mount", "-o", "remount,size=%d" % (16 * PAGE), records_dir()], check=True)
        self.assert_saved()
        data = read_log()
        self.assertEqual(data.count(BOM), 1)
        self.assertEqual(len(records(data)), count + saved + 1)

    def test_new_log_on_a_full_disk_leaves_no_file_and_gets_one_header_later(self):
        filler = os.path.join(records_dir(), "filler")
        with open(filler, "wb") as f:
            f.write(b"\0" * 2 * PAGE)
        self.calculate("8", "分级：0 级\r\n")
        caption, _ = self.save()
        self.assertEqual(caption, FAILED_CAPTION)
        self.assertFalse(os.path.exists(log_path()))

        os.remove(filler)
        self.assert_saved()
        self.assertEqual(len(records(read_log())), 1)


if __name__ == "__main__":
    if e2e_lib.EXE and os.environ.get("DISPLAY"):
        reason = mount_refused()
        if reason:
            print("SKIPPED:", reason)
            sys.exit(SKIP_CODE)
    e2e_lib.main()
