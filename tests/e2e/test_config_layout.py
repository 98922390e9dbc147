"""A config.txt kept tidy by hand stays as it was written through ADD and DELETE in the window:
its comments, blank lines, order, groups and options lines; only the lines of the entries added
or deleted change, and no copy is needed for that.

One session; each case starts tarquel.exe anew over the same config.txt. The trigger editor's
test helpers are used as they are.
"""

import harness
import test_trigger_editor as editor

APP = editor.APP
LIST_BOX_ID = editor.LIST_BOX_ID
DELETE_BUTTON_ID = editor.DELETE_BUTTON_ID

TIDY = (
    b"# My triggers, kept by hand\r\n"
    b"\r\n"
    b":zz=last in the alphabet, first in the file\r\n"
    b":demo=Hello World\r\n"
    b"\r\n"
    b"# Mail, a group of its own\r\n"
    b"[group Mail]\r\n"
    b"(options: any case)\r\n"
    b":sig=Best regards\r\n"
    b":adr=Main Street 1\r\n"
    b"\r\n"
    b"# the end\r\n"
)


class ConfigLayout(harness.SessionTestCase):
    config = TIDY

    config_path = editor.TriggerEditor.config_path
    backup_path = editor.TriggerEditor.backup_path
    start_over = editor.TriggerEditor.start_over
    rows = editor.TriggerEditor.rows
    wait_for_rows = editor.TriggerEditor.wait_for_rows
    field = editor.TriggerEditor.field
    fill_in = editor.TriggerEditor.fill_in
    add = editor.TriggerEditor.add
    wait_for_config = editor.TriggerEditor.wait_for_config
    expands = editor.TriggerEditor.expands

    def delete(self, trigger):
        """Selects the row of `trigger` with the mouse and clicks DELETE."""
        # The list fills once the background read of config.txt is done.
        triggers = self.session.wait_until(
            lambda: [r.split("  ->  ")[0] for r in self.rows() or []] or None,
            "the list's rows",
            describe=self.rows,
        )
        index = triggers.index(trigger)
        self.session.click_control(APP, LIST_BOX_ID, row=index)
        self.session.wait_until(
            lambda: self.session.selected_row(APP, LIST_BOX_ID) == index,
            f"the row of {trigger} to be selected",
        )
        self.session.click_control(APP, DELETE_BUTTON_ID)

    def test_add_and_delete_change_only_their_own_lines(self):
        self.start_over(TIDY)
        self.add("new", "entry")
        # After the last entry of no group: before the blank line and the comment of the group.
        after_add = TIDY.replace(
            b":demo=Hello World\r\n", b":demo=Hello World\r\n:new=entry\r\n"
        )
        self.wait_for_config(after_add)
        self.expands(":new", "entry")

        self.delete(":zz")
        after_delete = after_add.replace(b":zz=last in the alphabet, first in the file\r\n", b"")
        self.wait_for_config(after_delete)
        self.assertFalse(self.backup_path.exists(), "nothing was dropped, so no copy")

    def test_deleting_an_entry_with_options_takes_its_options_line_and_nothing_else(self):
        self.start_over(TIDY)
        self.delete(":sig")
        self.wait_for_config(
            TIDY.replace(b"(options: any case)\r\n:sig=Best regards\r\n", b"")
        )
        # The group's last entry goes too: the group line, the comments and blank lines stay.
        self.delete(":adr")
        self.wait_for_config(
            TIDY.replace(
                b"(options: any case)\r\n:sig=Best regards\r\n:adr=Main Street 1\r\n", b""
            )
        )
        self.assertFalse(self.backup_path.exists())

    def test_changing_an_expansion_rewrites_that_line_alone(self):
        self.start_over(TIDY)
        self.add(":demo", "Goodbye")
        self.wait_for_config(TIDY.replace(b":demo=Hello World", b":demo=Goodbye"))
        self.expands(":demo", "Goodbye")
        self.assertFalse(self.backup_path.exists())


if __name__ == "__main__":
    harness.main()
