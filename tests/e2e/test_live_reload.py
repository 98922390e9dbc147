"""Live reload: config.txt changed by another program while tarquel.exe runs, read back from
notepad (what expands), the main window's list, config.txt itself and the debugger output.

One session; each case starts tarquel.exe anew over a config.txt of its own.
"""

import os
import shutil

import harness

APP = "TarquelApp"
LIST_BOX_ID = 101
ADD_BUTTON_ID = 104
DELETE_BUTTON_ID = 105
RELOADED = "Triggers reloaded from config.txt"
UNREADABLE = "config.txt cannot be read"
DEFERRED = "config.txt is looked at again once our own change is saved"
MESSAGE_BOX = "#32770"
MESSAGE_BOX_TEXT_ID = 65535
WM_COMMAND = 0x0111
IDOK = 1
# Beyond the largest trigger file tarquel reads (64 MiB).
OVERSIZED = (64 << 20) + 1

DEMO = b":demo=Hello World\r\n"


def row(trigger, expansion):
    return f"{trigger}  ->  {expansion}"


class LiveReload(harness.SessionTestCase):
    config = DEMO

    # ---- helpers ----------------------------------------------------------------------------

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    def start_over(self, config):
        self.session.stop_tarquel()
        self.remove_config()
        (self.session.scratch / "config.txt.bak").unlink(missing_ok=True)
        self.session.write_config(config)
        self.session.start_tarquel()
        self.session.wait_until(lambda: self.rows() is not None, "the main window with its list")
        # config.txt is first read in the background: a change made before that read ends
        # would be part of it, and no reload would follow.
        self.session.wait_for_debug_line("Triggers loaded from config.txt")

    def remove_config(self):
        if self.config_path.is_dir():
            shutil.rmtree(self.config_path)
        else:
            self.config_path.unlink(missing_ok=True)

    def replace_config(self, data):
        """As most editors and sync clients save: a temporary file renamed over config.txt."""
        temporary = self.session.scratch / "config.txt.editor-tmp"
        temporary.write_bytes(data)
        os.replace(temporary, self.config_path)

    def rewrite_config(self, data):
        """As a plain editor saves: config.txt emptied and written again in place."""
        with open(self.config_path, "wb") as f:
            f.write(data)

    def rows(self):
        return self.session.list_rows(APP, LIST_BOX_ID)

    def wait_for_rows(self, expected):
        return self.session.wait_until(
            lambda: self.rows() == expected, f"the rows {expected!r}", describe=self.rows
        )

    def debug_count(self, text):
        return sum(text in line for line in self.session.debug_lines())

    def wait_for_config(self, expected):
        def read():
            return self.config_path.read_bytes() if self.config_path.is_file() else None

        self.session.wait_until(
            lambda: read() == expected, f"config.txt to hold {expected!r}", describe=read
        )

    def fill_in(self, trigger, expansion):
        self.session.fill_in_trigger(trigger, expansion)

    def add(self, trigger, expansion):
        self.session.add_trigger(trigger, expansion, until_taken=False)

    def close_message_box(self):
        self.assertEqual(self.session.post_message(MESSAGE_BOX, WM_COMMAND, IDOK, 0), "ok")
        self.session.wait_until(
            lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID) is None,
            "the message box to close",
        )

    def expands(self, trigger, expansion):
        self.session.clear_notepad()
        self.session.type(trigger)
        self.session.wait_for_notepad_text(expansion)

    # ---- cases ------------------------------------------------------------------------------

    def test_file_replaced_elsewhere_expands_its_new_trigger_without_a_key_pressed(self):
        self.start_over(DEMO)
        self.replace_config(DEMO + b":new=fresh from disk\r\n")
        # No key reaches tarquel until the list shows the new table: the reload came by itself.
        self.wait_for_rows([row(":demo", "Hello World"), row(":new", "fresh from disk")])
        self.session.wait_for_debug_line(RELOADED)
        self.expands(":new", "fresh from disk")
        self.expands(":demo", "Hello World")

    def test_list_rows_follow_every_rewrite_in_place(self):
        self.start_over(DEMO)
        self.rewrite_config(b":one=1\r\n:two=2\r\n")
        self.wait_for_rows([row(":one", "1"), row(":two", "2")])
        self.rewrite_config(b":two=changed\r\n")
        self.wait_for_rows([row(":two", "changed")])
        # The entry that left the file expands no more: ":one" stays as typed, and the ":two"
        # typed after it still expands.
        self.expands(":one:two", ":onechanged")
        self.assertFalse((self.session.scratch / "config.txt.bak").exists())

    def test_add_after_a_disk_change_keeps_both(self):
        self.start_over(DEMO)
        self.fill_in("win", "from window")
        # Changed after the fields were filled, just before ADD.
        self.replace_config(DEMO + b":disk=from disk\r\n")
        self.session.click_control(APP, ADD_BUTTON_ID)
        expected = DEMO + b":disk=from disk\r\n:win=from window\r\n"
        self.wait_for_config(expected)
        self.wait_for_rows(
            [row(":demo", "Hello World"), row(":disk", "from disk"), row(":win", "from window")]
        )
        # Nothing on disk was written over, so nothing needed keeping aside.
        self.assertFalse((self.session.scratch / "config.txt.bak").exists())
        self.expands(":disk", "from disk")
        self.expands(":win", "from window")

    def test_delete_after_a_disk_change_removes_only_the_selected_entry(self):
        self.start_over(DEMO + b":zz=the last\r\n")
        self.session.click_control(APP, LIST_BOX_ID, row=0)
        self.replace_config(DEMO + b":mid=added on disk\r\n:zz=the last\r\n")
        self.session.click_control(APP, DELETE_BUTTON_ID)
        self.wait_for_config(b":mid=added on disk\r\n:zz=the last\r\n")
        self.wait_for_rows([row(":mid", "added on disk"), row(":zz", "the last")])

    def test_disk_change_after_a_failed_save_keeps_the_unsaved_change(self):
        self.start_over(DEMO)
        theirs = DEMO + b":theirs=from disk\r\n"
        ours = [row(":demo", "Hello World"), row(":mine", "kept in memory")]
        with harness.immutable(self.session.scratch):
            self.add("mine", "kept in memory")
            text = self.session.wait_until(
                lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID),
                "the box saying the save failed",
            )
            self.assertIn("could not be saved", text)
            self.close_message_box()
            self.rewrite_config(theirs)
            self.session.wait_for_debug_line(DEFERRED)
            self.assertEqual(self.rows(), ours)
            self.expands(":mine", "kept in memory")

        # The next change that can be written saves the table and keeps their file aside.
        self.add("more", "x")
        self.wait_for_config(DEMO + b":mine=kept in memory\r\n:more=x\r\n")
        self.assertEqual((self.session.scratch / "config.txt.bak").read_bytes(), theirs)
        self.wait_for_rows(ours + [row(":more", "x")])

    def test_file_that_cannot_be_read_keeps_the_table_working(self):
        self.start_over(DEMO + b":kept=still here\r\n")
        shown = [row(":demo", "Hello World"), row(":kept", "still here")]

        # Gone, and a folder in its place: nothing to open.
        self.config_path.unlink()
        self.config_path.mkdir()
        self.session.wait_for_debug_line(UNREADABLE)
        self.assertEqual(self.rows(), shown)
        self.expands(":kept", "still here")

        # Readable again: followed as before.
        shutil.rmtree(self.config_path)
        self.replace_config(b":back=readable again\r\n")
        self.wait_for_rows([row(":back", "readable again")])
        self.expands(":back", "readable again")

        # Larger than any trigger file: not read at all.
        oversized = self.session.scratch / "config.txt.editor-tmp"
        with open(oversized, "wb") as f:
            f.truncate(OVERSIZED)
        os.replace(oversized, self.config_path)
        self.session.wait_for_debug_line(UNREADABLE, count=2)
        self.assertEqual(self.rows(), [row(":back", "readable again")])
        self.expands(":back", "readable again")


if __name__ == "__main__":
    harness.main()
