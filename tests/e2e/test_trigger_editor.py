"""The trigger editor: "ADD" and "DELETE" in the main window, driven with the mouse and the
keyboard as a person would, read back from the list, the debugger output and config.txt.

One session; each case starts tarquel.exe anew over a config.txt of its own, so that no case
depends on what another one left behind.
"""


import harness

APP = "TarquelApp"
LIST_BOX_ID = 101
TRIGGER_FIELD_ID = 102
EXPANSION_FIELD_ID = 103
ADD_BUTTON_ID = 104
DELETE_BUTTON_ID = 105
MESSAGE_BOX = "#32770"
MESSAGE_BOX_TEXT_ID = 65535
WM_COMMAND = 0x0111
IDOK = 1

DEMO_AND_LAST = b":demo=Hello World\r\n:zz=the last\r\n"


def row(trigger, expansion):
    return f"{trigger}  ->  {expansion}"


class TriggerEditor(harness.SessionTestCase):
    config = DEMO_AND_LAST

    # ---- helpers ----------------------------------------------------------------------------

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    @property
    def backup_path(self):
        return self.session.scratch / "config.txt.bak"

    def start_over(self, config):
        """tarquel.exe anew over `config` (bytes), with no config.txt.bak beside it."""
        self.session.stop_tarquel()
        self.backup_path.unlink(missing_ok=True)
        self.session.write_config(config)
        self.session.start_tarquel()
        self.session.wait_until(
            lambda: self.rows() is not None, "the main window with its list", describe=self.rows
        )

    def rows(self):
        return self.session.list_rows(APP, LIST_BOX_ID)

    def wait_for_rows(self, expected):
        return self.session.wait_until(
            lambda: self.rows() == expected, f"the rows {expected!r}", describe=self.rows
        )

    def field(self, control_id):
        return self.session.dialog_item_text(APP, control_id)

    def fill_in(self, trigger, expansion):
        for control_id, text in ((TRIGGER_FIELD_ID, trigger), (EXPANSION_FIELD_ID, expansion)):
            # Typed only once the click has put the focus there: on a busy machine the window
            # takes a moment to come to the front, and keys before that go elsewhere.
            def click_and_check(control_id=control_id):
                self.session.click_control(APP, control_id)
                return self.session.wait_until(
                    lambda: self.session.focused_control(APP) == control_id,
                    f"field {control_id} focused",
                    timeout=3,
                )

            self.session.wait_until(
                harness._ignoring(TimeoutError, click_and_check),
                f"the click to focus field {control_id}",
                describe=lambda: self.session.focused_control(APP),
            )
            self.session.type(text)
            self.session.wait_until(
                lambda: self.field(control_id) == text,
                f"field {control_id} to hold {text!r}",
                describe=lambda: self.field(control_id),
            )

    def add(self, trigger, expansion):
        self.fill_in(trigger, expansion)
        self.session.click_control(APP, ADD_BUTTON_ID)

    def wait_for_config(self, expected):
        def read():
            return self.config_path.read_bytes() if self.config_path.exists() else None

        self.session.wait_until(
            lambda: read() == expected, f"config.txt to hold {expected!r}", describe=read
        )

    def message_box_text(self):
        return self.session.wait_until(
            lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID),
            "a message box",
        )

    def close_message_box(self):
        self.assertEqual(self.session.post_message(MESSAGE_BOX, WM_COMMAND, IDOK, 0), "ok")
        self.session.wait_until(
            lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID) is None,
            "the message box to close",
        )

    def assert_told_save_failed(self):
        text = self.message_box_text()
        self.assertIn(str(self.config_path).replace("/", "\\"), text, "the file, named")
        self.assertIn("denied", text, "the reason")
        self.close_message_box()
        self.assertTrue(self.session.tarquel_running())

    def expands(self, trigger, expansion):
        self.session.clear_notepad()
        self.session.type(trigger)
        self.session.wait_for_notepad_text(expansion)

    # ---- cases ------------------------------------------------------------------------------

    def test_add_lists_the_entry_empties_the_fields_saves_and_expands_at_once(self):
        self.start_over(DEMO_AND_LAST)
        self.add("sig", "Best regards")
        self.wait_for_rows(
            [row(":demo", "Hello World"), row(":sig", "Best regards"), row(":zz", "the last")]
        )
        self.assertEqual(self.field(TRIGGER_FIELD_ID), "")
        self.assertEqual(self.field(EXPANSION_FIELD_ID), "")
        # After the last entry, not in the list's order: the file keeps the order it has.
        self.wait_for_config(b":demo=Hello World\r\n:zz=the last\r\n:sig=Best regards\r\n")
        self.assertFalse(self.backup_path.exists(), "nothing was dropped, so no copy")
        self.expands(":sig", "Best regards")

    def test_add_of_a_listed_trigger_replaces_its_expansion_and_keeps_the_row_count(self):
        self.start_over(DEMO_AND_LAST)
        self.add(":demo", "Goodbye")
        self.wait_for_rows([row(":demo", "Goodbye"), row(":zz", "the last")])
        self.wait_for_config(b":demo=Goodbye\r\n:zz=the last\r\n")
        self.expands(":demo", "Goodbye")

    def test_delete_removes_the_selected_entry_and_tells_the_debugger(self):
        self.start_over(DEMO_AND_LAST)
        self.session.click_control(APP, LIST_BOX_ID, row=0)
        self.session.click_control(APP, DELETE_BUTTON_ID)
        self.session.wait_for_debug_line("Deleting Key: ':demo' (Len: 5)\n")
        self.session.wait_for_debug_line("Erase Result: 1 | New Size: 1\n")
        self.wait_for_rows([row(":zz", "the last")])
        self.wait_for_config(b":zz=the last\r\n")
        self.expands(":demo", ":demo")

    def test_delete_finds_a_trigger_that_holds_the_row_separator_by_its_row(self):
        # Both rows read ":a  ->  x  ->  y"; the second one is the trigger ":a  ->  x".
        self.start_over(b":a=x  ->  y\r\n:a  ->  x=y\r\n")
        self.wait_for_rows([row(":a", "x  ->  y"), row(":a  ->  x", "y")])
        self.session.click_control(APP, LIST_BOX_ID, row=1)
        self.session.click_control(APP, DELETE_BUTTON_ID)
        self.session.wait_for_debug_line("Deleting Key: ':a  ->  x' (Len: 9)\n")
        self.session.wait_for_debug_line("Erase Result: 1 | New Size: 1\n")
        self.wait_for_rows([row(":a", "x  ->  y")])
        self.wait_for_config(b":a=x  ->  y\r\n")

    def test_add_refuses_a_trigger_with_an_equals_sign_and_changes_nothing(self):
        self.start_over(DEMO_AND_LAST)
        self.add("a=b", "x")
        self.assertIn('"="', self.message_box_text())
        self.close_message_box()
        self.assertEqual(self.rows(), [row(":demo", "Hello World"), row(":zz", "the last")])
        self.assertEqual(self.field(TRIGGER_FIELD_ID), "a=b")
        self.assertEqual(self.field(EXPANSION_FIELD_ID), "x")
        self.assertEqual(self.config_path.read_bytes(), DEMO_AND_LAST)

    def test_failed_save_is_told_and_the_change_stays_in_force(self):
        self.start_over(DEMO_AND_LAST)
        rows_after_add = [
            row(":demo", "Hello World"),
            row(":sig", "Best regards"),
            row(":zz", "the last"),
        ]
        # Immutable: not even root may replace the file, or add to the folder. Undone whatever
        # happens.
        with harness.immutable(self.config_path):
            self.add("sig", "Best regards")
            self.assert_told_save_failed()
            self.assertEqual(self.rows(), rows_after_add)
            self.assertEqual(self.config_path.read_bytes(), DEMO_AND_LAST)
            self.expands(":sig", "Best regards")

        with harness.immutable(self.session.scratch):
            self.session.click_control(APP, LIST_BOX_ID, row=0)
            self.session.click_control(APP, DELETE_BUTTON_ID)
            self.assert_told_save_failed()
            self.assertEqual(self.rows(), rows_after_add[1:])
            self.assertEqual(self.config_path.read_bytes(), DEMO_AND_LAST)
            self.expands(":demo", ":demo")

        # The next change that can be written saves the earlier ones with it.
        self.add("new", "entry")
        self.wait_for_config(b":zz=the last\r\n:new=entry\r\n:sig=Best regards\r\n")
        self.assertEqual(list(self.session.scratch.glob("*.tmp")), [])

    def test_first_save_keeps_a_file_with_a_line_it_does_not_understand_as_bak(self):
        original = (
            b":demo=Hello World\r\n"
            b"(options: now and then)\r\n"
            b":zz=the last\r\n"
        )
        self.start_over(original)
        self.add("sig", "Best regards")
        # The line stays as written; a copy keeps the file as it was all the same.
        self.wait_for_config(original + b":sig=Best regards\r\n")
        self.assertEqual(self.backup_path.read_bytes(), original)

        # Later saves of the run leave the copy as it is.
        self.session.click_control(APP, LIST_BOX_ID, row=0)
        self.session.click_control(APP, DELETE_BUTTON_ID)
        self.wait_for_config(b"(options: now and then)\r\n:zz=the last\r\n:sig=Best regards\r\n")
        self.assertEqual(self.backup_path.read_bytes(), original)


if __name__ == "__main__":
    harness.main()
