"""config.txt held by another program (e2e_hold_file, beside the window probe, opens it with no
sharing, as a sync client or an editor saving it does) while the user changes the triggers or
while tarquel.exe starts: nothing of either side is lost, and the user is told.

Run with the test build, whose switch TARQUEL_TEST_SLOW_FILE_WRITES_MS lets one case hold the
file while a save is under way."""

import os
from pathlib import Path

import harness

APP = "TarquelApp"
LIST_BOX_ID = 101
STATUS_ID = 112
SLOW_WRITES = "TARQUEL_TEST_SLOW_FILE_WRITES_MS"
WRITE_BEGINS = "Slow file write: begins"
LOADED = "Triggers loaded from config.txt"
HELD_AT_START = "config.txt is there but cannot be read: no triggers until it can"
HELD_LATER = "config.txt cannot be read: the triggers in force stay"
SAVING_AGAIN = "config.txt was held by another program: saving again"
DEMO = b":demo=Hello World\r\n"
MESSAGE_BOX = "#32770"
MESSAGE_BOX_TEXT_ID = 65535
WM_COMMAND = 0x0111
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
IDOK = 1


def row(trigger, expansion):
    return f"{trigger}  ->  {expansion}"


class HeldConfig(harness.SessionTestCase):
    config = DEMO
    with_tarquel = False

    # ---- helpers ----------------------------------------------------------------------------

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    @property
    def release_path(self):
        return self.session.scratch / "release-config"

    def setUp(self):
        self.session.stop_tarquel()
        os.environ.pop(SLOW_WRITES, None)
        self.release_path.unlink(missing_ok=True)
        for copy in self.session.scratch.glob("config.txt.bak*"):
            copy.unlink()
        super().setUp()

    def start(self, config=None, wait_loaded=True):
        if config is not None:
            self.session.write_config(config)
        self.session.start_tarquel()
        self.session.wait_until(lambda: self.rows() is not None, "the main window with its list")
        if wait_loaded:
            self.session.wait_for_debug_line(LOADED)

    def hold(self, name, line=None):
        """config.txt held with no sharing, `line` appended by its holder, until release()."""
        helper = Path(harness.Options.probe).resolve().parent / "e2e_hold_file.exe"
        args = [helper, self.config_path, self.release_path] + ([line] if line else [])
        process = self.session.start_wine(args, name)
        output = self.session.scratch / f"{name}.out"
        self.session.wait_until(lambda: "held" in output.read_text(), "config.txt to be held")
        return process, output

    def release(self, process, output):
        self.release_path.write_bytes(b"")
        self.session.wait_until(lambda: "released" in output.read_text(), "config.txt released")
        process.wait(timeout=harness.DEFAULT_TIMEOUT)

    def rows(self):
        return self.session.list_rows(APP, LIST_BOX_ID)

    def status(self):
        return self.session.dialog_item_text(APP, STATUS_ID)

    def wait_for_rows(self, expected):
        return self.session.wait_until(
            lambda: self.rows() == expected, f"the rows {expected!r}", describe=self.rows
        )

    def wait_for_config(self, expected):
        def read():
            return self.config_path.read_bytes() if self.config_path.is_file() else None

        self.session.wait_until(
            lambda: read() == expected, f"config.txt to hold {expected!r}", describe=read
        )

    def add(self, trigger, expansion):
        self.session.add_trigger(trigger, expansion)

    def expands(self, trigger, expansion):
        self.session.clear_notepad()
        self.session.type(trigger)
        self.session.wait_for_notepad_text(expansion)

    # ---- cases ------------------------------------------------------------------------------

    def test_add_while_another_program_holds_the_file_keeps_both_sides(self):
        self.start(DEMO)
        holder, output = self.hold("holder", ":theirs=from the sync client")
        try:
            self.add(":mine", "added meanwhile")
            # The ADD waits for a look at the file; the user sees why.
            self.session.wait_for_debug_line(HELD_LATER)
            self.session.wait_until(
                lambda: "another program holds it" in (self.status() or ""),
                "the status line to say the file is held",
                describe=self.status,
            )
            self.assertEqual(self.config_path.read_bytes(), DEMO + b":theirs=from the sync client\r\n")
        finally:
            self.release(holder, output)
        both = [
            row(":demo", "Hello World"),
            row(":mine", "added meanwhile"),
            row(":theirs", "from the sync client"),
        ]
        self.wait_for_rows(both)
        # Their line stays where they wrote it; ours comes after the last entry.
        self.wait_for_config(DEMO + b":theirs=from the sync client\r\n:mine=added meanwhile\r\n")
        self.expands(":theirs", "from the sync client")
        self.expands(":mine", "added meanwhile")

    def test_file_held_at_start_shows_no_examples_and_the_list_once_it_is_free(self):
        mine = b":mine=my whole list\r\n:more=and more\r\n"
        self.session.write_config(mine)
        holder, output = self.hold("holder")
        try:
            self.start(wait_loaded=False)
            self.session.wait_for_debug_line(HELD_AT_START)
            # Not the two examples, which the first ADD would have saved over the list.
            self.assertEqual(self.rows(), [])
            self.session.wait_until(
                lambda: "cannot be read yet" in (self.status() or ""),
                "the status line to say the file cannot be read yet",
                describe=self.status,
            )
            self.add(":new", "waits for the file")
            self.assertEqual(self.rows(), [])
            self.assertEqual(self.config_path.read_bytes(), mine)
        finally:
            self.release(holder, output)
        self.wait_for_rows(
            [
                row(":mine", "my whole list"),
                row(":more", "and more"),
                row(":new", "waits for the file"),
            ]
        )
        self.wait_for_config(mine + b":new=waits for the file\r\n")
        self.assertFalse((self.session.scratch / "config.txt.bak").exists())

    def test_file_held_while_a_save_is_under_way_is_saved_once_free_with_their_change_kept(self):
        os.environ[SLOW_WRITES] = "4000"
        self.start(DEMO)
        self.add(":mine", "saved later")
        self.session.wait_for_debug_line(WRITE_BEGINS)
        # Their change, made while our new text is on its way to the disk.
        holder, output = self.hold("holder", ":theirs=written during our save")
        theirs = DEMO + b":theirs=written during our save\r\n"
        try:
            # Told once, as other failed saves are, and in the status line.
            text = self.session.wait_until(
                lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID),
                "the box saying the save waits for the file",
            )
            self.assertIn("Another program holds the file", text)
            self.assertEqual(self.session.post_message(MESSAGE_BOX, WM_COMMAND, IDOK, 0), "ok")
            self.session.wait_until(
                lambda: "your change is saved once it is free" in (self.status() or ""),
                "the status line to say the save waits",
                describe=self.status,
            )
            self.assertEqual(self.config_path.read_bytes(), theirs)
        finally:
            self.release(holder, output)
        self.session.wait_for_debug_line(SAVING_AGAIN)
        self.wait_for_config(DEMO + b":mine=saved later\r\n")
        # Their change is in the newest kept copy; the user is told the save went through.
        backup = self.session.scratch / "config.txt.bak"
        self.session.wait_until(
            lambda: backup.is_file() and backup.read_bytes() == theirs, "their change kept"
        )
        self.session.wait_until(
            lambda: self.status() == "Saved to config.txt", "the status to say it is saved",
            describe=self.status,
        )
        self.expands(":mine", "saved later")
        # Told once: the tries while the file was held brought no second box.
        self.assertIsNone(self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID))

    def test_logoff_waits_for_a_save_under_way(self):
        os.environ[SLOW_WRITES] = "2500"
        self.start(DEMO)
        self.add(":kept", "through the logoff")
        self.session.wait_for_debug_line(WRITE_BEGINS)
        # Windows asks, then tells the session ends; the process may be ended as soon as the
        # second message returns: here it is, at once.
        self.assertEqual(self.session.send_message(APP, WM_QUERYENDSESSION, 0, 0), "ok 1")
        self.assertTrue(self.session.send_message(APP, WM_ENDSESSION, 1, 0).startswith("ok"))
        self.session.stop_tarquel()
        self.assertEqual(self.config_path.read_bytes(), DEMO + b":kept=through the logoff\r\n")


if __name__ == "__main__":
    harness.main()
