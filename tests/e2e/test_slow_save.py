"""Saves off the hook's thread: the test build of tarquel.exe with every file write taking 6 s
(its switch TARQUEL_TEST_SLOW_FILE_WRITES_MS), so that keys can be typed while config.txt is
being written.

The build writes "Slow file write: begins" to the debugger output as each write starts; the
cases type once they have seen it, and check config.txt for the old bytes when the expansion
has arrived: the expansion came while the save was still under way."""

import os

import harness

os.environ["TARQUEL_TEST_SLOW_FILE_WRITES_MS"] = "6000"

APP = "TarquelApp"
WM_COMMAND = 0x0111
TRAY_QUIT = 2001
WRITE_BEGINS = "Slow file write: begins"
DEFERRED = "config.txt is looked at again once our own change is saved"
DEMO = b":demo=Hello World\r\n"


class SlowSave(harness.SessionTestCase):
    config = DEMO
    with_tarquel = False

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    def setUp(self):
        self.session.stop_tarquel()
        self.session.write_config(DEMO)
        (self.session.scratch / "config.txt.bak").unlink(missing_ok=True)
        self.session.start_tarquel()
        self.session.wait_until(
            lambda: self.session.list_rows(APP, 101) is not None, "the main window's list"
        )
        super().setUp()

    def add(self, trigger, expansion):
        self.session.add_trigger(trigger, expansion)

    def writes_begun(self):
        return len([line for line in self.session.debug_lines() if WRITE_BEGINS in line])

    def wait_for_config(self, expected):
        self.session.wait_until(
            lambda: self.config_path.read_bytes() == expected,
            f"config.txt to hold {expected!r}",
            describe=self.config_path.read_bytes,
        )

    def test_keys_typed_during_a_save_expand_at_once_and_see_the_change(self):
        # Emptied first: the keys typed during the save are all the test's own.
        self.session.clear_notepad()
        self.add("sig", "Best regards")
        self.session.wait_for_debug_line(WRITE_BEGINS)
        self.session.focus_notepad()
        self.session.type(":demo ")
        self.session.wait_for_notepad_text("Hello World ")
        # The trigger just added works before its save is done.
        self.session.type(":sig")
        self.session.wait_for_notepad_text("Hello World Best regards")
        self.assertEqual(
            self.config_path.read_bytes(), DEMO, "the save had ended before the keys expanded"
        )
        self.wait_for_config(b":demo=Hello World\r\n:sig=Best regards\r\n")

    def test_changes_made_during_a_save_are_all_saved_after_it(self):
        self.add("a", "first")
        self.session.wait_for_debug_line(WRITE_BEGINS)
        self.add("b", "second")
        self.assertEqual(self.config_path.read_bytes(), DEMO, "the first save had ended")
        self.add("c", "third")
        # Whichever saves ran (the queue's own tests show which), the file ends up with the last
        # table, never an older one written after it.
        # New entries come after the last one, in table order when one save adds several.
        self.wait_for_config(b":demo=Hello World\r\n:a=first\r\n:b=second\r\n:c=third\r\n")
        self.assertLessEqual(self.writes_begun(), 3)

    def test_a_change_on_disk_while_our_save_runs_never_replaces_the_newer_table(self):
        self.add("sig", "Best regards")
        self.session.wait_for_debug_line(WRITE_BEGINS)
        # Seen while our save is still to land: the file is older than the table.
        self.config_path.write_bytes(DEMO + b":theirs=from disk\r\n")
        self.session.wait_for_debug_line(DEFERRED)
        self.assertEqual(
            self.session.list_rows(APP, 101),
            [":demo  ->  Hello World", ":sig  ->  Best regards"],
        )
        self.session.clear_notepad()
        self.session.type(":sig")
        self.session.wait_for_notepad_text("Best regards")
        self.wait_for_config(b":demo=Hello World\r\n:sig=Best regards\r\n")
        # Written over by our save, which looked once more just before: kept aside.
        self.assertEqual(
            (self.session.scratch / "config.txt.bak").read_bytes(),
            DEMO + b":theirs=from disk\r\n",
        )

    def test_quitting_during_a_save_waits_for_it(self):
        self.add("sig", "Best regards")
        self.session.wait_for_debug_line(WRITE_BEGINS)
        self.assertEqual(self.session.post_message(APP, WM_COMMAND, TRAY_QUIT, 0), "ok")
        self.assertEqual(self.session.wait_for_tarquel_to_end(), 0)
        self.assertEqual(self.config_path.read_bytes(), b":demo=Hello World\r\n:sig=Best regards\r\n")


if __name__ == "__main__":
    harness.main()
