"""The trigger editor as a person uses it: a selected row fills the fields and ADD changes that
entry; the search field narrows the list; the whole window works from the keyboard (Tab, Enter,
Delete, Ctrl+Z, Ctrl+F, Escape) without a click; the expansion field takes line breaks.

One session; each case starts tarquel.exe anew over a config.txt of its own.
"""

import harness

APP = "TarquelApp"
LIST_ID = 101
TRIGGER_FIELD_ID = 102
EXPANSION_FIELD_ID = 103
ADD_BUTTON_ID = 104
DELETE_BUTTON_ID = 105
STARTUP_CHECK_ID = 108
SETTING_BUTTON_ID = 110
SEARCH_FIELD_ID = 111
STATUS_ID = 112
GROUP_FILTER_ID = 118
WHEN_ID = 126
WHERE_ID = 128
CASE_ID = 130
GROUP_ID = 132

CONFIG = (
    b":addr=12 Main Street\r\n"
    b":demo=Hello World\r\n"
    b":mail=someone@example.com\r\n"
    b":ru=\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\r\n"
    b":sig=Best regards\r\n"
)


def row(trigger, expansion):
    return f"{trigger}  ->  {expansion}"


ROWS = [
    row(":addr", "12 Main Street"),
    row(":demo", "Hello World"),
    row(":mail", "someone@example.com"),
    row(":ru", "Привет"),
    row(":sig", "Best regards"),
]


class EditInPlace(harness.SessionTestCase):
    config = CONFIG

    # ---- helpers ----------------------------------------------------------------------------

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    def setUp(self):
        super().setUp()
        self.session.stop_tarquel()
        self.session.write_config(CONFIG)
        self.session.start_tarquel()
        self.wait_for_rows(ROWS)
        # A click gives the window the X server's keyboard, which a window Wine brings to the
        # front does not always get.
        self.session.click_control(APP, SEARCH_FIELD_ID)
        self.wait_for_focus(SEARCH_FIELD_ID)

    def rows(self):
        return self.session.list_rows(APP, LIST_ID)

    def wait_for_rows(self, expected):
        return self.session.wait_until(
            lambda: self.rows() == expected, f"the rows {expected!r}", describe=self.rows
        )

    def field(self, control_id):
        return self.session.dialog_item_text(APP, control_id)

    def wait_for_field(self, control_id, expected):
        self.session.wait_until(
            lambda: self.field(control_id) == expected,
            f"control {control_id} to hold {expected!r}",
            describe=lambda: self.field(control_id),
        )

    def focus(self):
        return self.session.focused_control(APP)

    def wait_for_focus(self, control_id):
        self.session.wait_until(
            lambda: self.focus() == control_id,
            f"the focus on control {control_id}",
            describe=self.focus,
        )

    def selected(self):
        return self.session.selected_row(APP, LIST_ID)

    def wait_for_selected(self, expected):
        self.session.wait_until(
            lambda: self.selected() == expected,
            f"row {expected} selected",
            describe=self.selected,
        )

    def wait_for_config(self, expected):
        def read():
            return self.config_path.read_bytes() if self.config_path.exists() else None

        self.session.wait_until(
            lambda: read() == expected, f"config.txt to hold {expected!r}", describe=read
        )

    def replace_field(self, control_id, text):
        """Clicks into a field, empties it from the keyboard and types `text`."""
        self.session.click_control(APP, control_id)
        self.wait_for_focus(control_id)
        self.session.key("ctrl+a", "BackSpace")
        # A multi-line field may ignore Ctrl+A: empty it for sure.
        self.session.key("ctrl+End", *["BackSpace"] * 40, delay_ms=5)
        self.wait_for_field(control_id, "")
        self.session.type(text)
        self.wait_for_field(control_id, text)

    # ---- cases ------------------------------------------------------------------------------

    def test_selecting_a_row_fills_the_fields_and_add_changes_that_entry(self):
        self.session.click_control(APP, LIST_ID, row=2)
        self.wait_for_field(TRIGGER_FIELD_ID, ":mail")
        self.wait_for_field(EXPANSION_FIELD_ID, "someone@example.com")
        self.replace_field(EXPANSION_FIELD_ID, "me@example.org")
        self.session.click_control(APP, ADD_BUTTON_ID)
        expected = ROWS[:2] + [row(":mail", "me@example.org")] + ROWS[3:]
        self.wait_for_rows(expected)
        self.wait_for_selected(2)
        self.assertIn("Changed the expansion of :mail", self.field(STATUS_ID))
        self.wait_for_config(CONFIG.replace(b"someone@example.com", b"me@example.org"))

    def test_a_changed_trigger_adds_a_new_entry_beside_the_old_one_and_says_so(self):
        self.session.click_control(APP, LIST_ID, row=1)
        self.wait_for_field(TRIGGER_FIELD_ID, ":demo")
        self.replace_field(TRIGGER_FIELD_ID, ":hello")
        self.session.click_control(APP, ADD_BUTTON_ID)
        self.wait_for_rows(ROWS[:2] + [row(":hello", "Hello World")] + ROWS[2:])
        self.wait_for_selected(2)
        status = self.field(STATUS_ID)
        self.assertIn("Added :hello as a new trigger", status)
        self.assertIn(":demo is still there", status)

    def test_search_narrows_the_rows_in_any_case_and_script(self):
        self.session.type("MAIN")
        self.wait_for_rows([ROWS[0]])
        self.session.key("ctrl+a", "BackSpace")
        self.wait_for_rows(ROWS)
        # Cyrillic goes in through WM_SETTEXT: xdotool under Wine drops Cyrillic letters.
        self.assertEqual(self.session.set_item_text(APP, SEARCH_FIELD_ID, "ПРИВ"), "ok")
        self.wait_for_rows([ROWS[3]])
        self.assertEqual(self.session.set_item_text(APP, SEARCH_FIELD_ID, "nothing"), "ok")
        self.wait_for_rows([])
        self.assertEqual(self.session.set_item_text(APP, SEARCH_FIELD_ID, ""), "ok")
        self.wait_for_rows(ROWS)

    def test_tab_goes_through_the_window_in_order(self):
        # The group's switch and programs take no keys while every group is shown.
        order = [
            GROUP_FILTER_ID,
            LIST_ID,
            TRIGGER_FIELD_ID,
            EXPANSION_FIELD_ID,
            WHEN_ID,
            WHERE_ID,
            CASE_ID,
            GROUP_ID,
            ADD_BUTTON_ID,
            DELETE_BUTTON_ID,
            SETTING_BUTTON_ID,
            STARTUP_CHECK_ID,
            SEARCH_FIELD_ID,
        ]
        for control_id in order:
            self.session.key("Tab")
            self.wait_for_focus(control_id)
        self.session.key("shift+Tab")
        self.wait_for_focus(STARTUP_CHECK_ID)

    def test_keyboard_only_search_edit_add_delete_undo_and_escape(self):
        # Ctrl+F from anywhere in the window goes to the search.
        self.session.key("Tab", "Tab", "Tab")
        self.wait_for_focus(TRIGGER_FIELD_ID)
        self.session.key("ctrl+f")
        self.wait_for_focus(SEARCH_FIELD_ID)
        self.session.type("sig")
        self.wait_for_rows([ROWS[4]])
        # Enter goes to the list with its first row chosen, Enter again to the expansion.
        self.session.key("Return")
        self.wait_for_focus(LIST_ID)
        self.wait_for_selected(0)
        self.wait_for_field(TRIGGER_FIELD_ID, ":sig")
        self.session.key("Return")
        self.wait_for_focus(EXPANSION_FIELD_ID)
        self.session.type("Kind regards")
        self.wait_for_field(EXPANSION_FIELD_ID, "Kind regards")
        # Enter in a field adds.
        self.session.key("Return")
        self.wait_for_rows([row(":sig", "Kind regards")])
        self.wait_for_config(CONFIG.replace(b"Best regards", b"Kind regards"))

        # Delete in the list deletes; Ctrl+Z there brings the entry back.
        self.session.key("ctrl+f", "BackSpace")
        self.wait_for_rows(ROWS[:4] + [row(":sig", "Kind regards")])
        self.session.key("Return")
        self.wait_for_focus(LIST_ID)
        self.session.key("Down")
        self.wait_for_selected(1)
        self.session.key("Delete")
        self.session.wait_for_debug_line("Deleting Key: ':demo' (Len: 5)\n")
        after_delete = ROWS[:1] + ROWS[2:4] + [row(":sig", "Kind regards")]
        self.wait_for_rows(after_delete)
        # The row that took its place is chosen.
        self.wait_for_selected(1)
        self.assertIn("Deleted :demo", self.field(STATUS_ID))
        self.session.key("ctrl+z")
        self.wait_for_rows(ROWS[:4] + [row(":sig", "Kind regards")])
        self.wait_for_selected(1)
        # Back in the list in its place; in config.txt as a new entry, after the last one.
        kind = CONFIG.replace(b"Best regards", b"Kind regards")
        self.wait_for_config(kind.replace(b":demo=Hello World\r\n", b"") + b":demo=Hello World\r\n")
        # Once only: a second Ctrl+Z changes nothing.
        self.session.key("ctrl+z")
        self.session.key("ctrl+f")
        self.wait_for_focus(SEARCH_FIELD_ID)
        self.assertEqual(self.rows(), ROWS[:4] + [row(":sig", "Kind regards")])

        # Escape hides the window; the program goes on.
        self.session.key("Escape")
        self.session.wait_until(
            lambda: not self.session.window_state(APP).visible, "the window to hide"
        )
        self.assertTrue(self.session.tarquel_running())

    def test_the_expansion_field_takes_line_breaks_stored_as_newline(self):
        self.session.click_control(APP, TRIGGER_FIELD_ID)
        self.wait_for_focus(TRIGGER_FIELD_ID)
        self.session.type("two")
        self.session.key("Tab")
        self.wait_for_focus(EXPANSION_FIELD_ID)
        self.session.type("first")
        self.session.key("shift+Return")
        self.session.type("second")
        self.wait_for_field(EXPANSION_FIELD_ID, "first\r\nsecond")
        self.session.key("Return")
        # The list shows it on one line, the break as a mark.
        self.wait_for_rows(ROWS + [row(":two", "first\u21b5second")])
        self.wait_for_config(CONFIG + b":two=first{{newline}}second\r\n")
        # Chosen again, it shows its line break.
        self.session.click_control(APP, LIST_ID, row=5)
        self.wait_for_field(EXPANSION_FIELD_ID, "first\r\nsecond")


if __name__ == "__main__":
    harness.main()
