"""An entry's options, its group, and a group's switch and programs, chosen in the main window
from the keyboard and the mouse, read back from config.txt and from what expands in notepad.

One session; each case starts tarquel.exe anew over the same config.txt.
"""

import harness

APP = "TarquelApp"
LIST_ID = 101
TRIGGER_FIELD_ID = 102
EXPANSION_FIELD_ID = 103
DELETE_BUTTON_ID = 105
SEARCH_FIELD_ID = 111
STATUS_ID = 112
GROUP_FILTER_ID = 118
GROUP_ON_CHECK_ID = 119
ONLY_IN_ID = 122
NOT_IN_ID = 124
WHEN_ID = 126
WHERE_ID = 128
CASE_ID = 130
GROUP_ID = 132

HEAD = b"# typed by hand\r\n:demo=Hello World\r\n\r\n"
PAUSED = b"[group Paused: after ending, word start]\r\ngof=group text\r\n"
WORDS = b"[group Words: after ending]\r\n(options: word start, conform case)\r\nomw=on my way\r\n"
CONFIG = HEAD + PAUSED + WORDS


class WindowOptions(harness.SessionTestCase):
    config = CONFIG

    # ---- helpers ----------------------------------------------------------------------------

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    def start_over(self):
        self.session.stop_tarquel()
        self.session.write_config(CONFIG)
        self.session.start_tarquel()
        self.session.wait_until(
            lambda: len(self.rows() or []) == 3, "the main window with its rows", describe=self.rows
        )

    def rows(self):
        return self.session.list_rows(APP, LIST_ID)

    def field(self, control_id):
        return self.session.dialog_item_text(APP, control_id)

    def wait_for_field(self, control_id, expected):
        self.session.wait_until(
            lambda: self.field(control_id) == expected,
            f"control {control_id} to hold {expected!r}",
            describe=lambda: self.field(control_id),
        )

    def wait_for_focus(self, control_id):
        self.session.wait_until(
            lambda: self.session.focused_control(APP) == control_id,
            f"the focus on control {control_id}",
            describe=lambda: self.session.focused_control(APP),
        )

    def read_config(self):
        return self.config_path.read_bytes() if self.config_path.exists() else None

    def wait_for_config(self, expected):
        self.session.wait_until(
            lambda: self.read_config() == expected,
            f"config.txt to hold {expected!r}",
            describe=self.read_config,
        )

    def to_window(self):
        """The main window in front of notepad, where the clicks go."""
        self.session.wait_until(
            lambda: self.session.activate(APP) == "ok" and self.session.foreground_class() == APP,
            "the main window in front",
        )

    def click_into(self, control_id):
        self.session.click_control(APP, control_id)
        self.wait_for_focus(control_id)

    def choose(self, control_id, label, downs):
        """With the focus on a closed drop-down, goes `downs` items down to `label`."""
        self.wait_for_focus(control_id)
        self.session.key(*["Down"] * downs)
        self.wait_for_field(control_id, label)

    def triggered(self, trigger):
        lines = self.session.debug_lines()
        return sum(f"Expander Triggered by: '{trigger}'" in line for line in lines)

    def stays(self, typed, trigger):
        """Every key of `typed` arrives as typed and nothing fires."""
        before = self.triggered(trigger)
        self.session.clear_notepad()
        self.session.type(typed)
        self.session.wait_for_notepad_text(typed)
        # An expansion would have been asked for by the time a key typed after it arrived.
        self.session.type("|")
        self.session.wait_for_notepad_text(typed + "|")
        self.assertEqual(self.triggered(trigger), before)

    def expands(self, typed, expected):
        self.session.clear_notepad()
        self.session.type(typed)
        self.session.wait_for_notepad_text(expected)

    # ---- cases ------------------------------------------------------------------------------

    def test_options_chosen_for_a_new_entry_are_saved_and_followed(self):
        self.start_over()
        self.click_into(TRIGGER_FIELD_ID)
        self.session.type("btw")
        self.wait_for_field(TRIGGER_FIELD_ID, "btw")
        self.click_into(EXPANSION_FIELD_ID)
        self.session.type("by the way")
        self.wait_for_field(EXPANSION_FIELD_ID, "by the way")
        # Tab goes on from the expansion through the drop-downs; a new entry proposes no group.
        self.assertEqual(self.field(WHEN_ID), "group default")
        self.assertEqual(self.field(GROUP_ID), "no group")
        self.session.key("Tab")
        self.choose(WHEN_ID, "after ending", 2)
        self.session.key("Tab")
        self.choose(WHERE_ID, "word start", 2)
        # Enter in a drop-down adds, as in the fields.
        self.session.key("Return")
        self.wait_for_field(TRIGGER_FIELD_ID, "")
        self.assertEqual(self.field(WHEN_ID), "group default")
        self.assertEqual(self.field(WHERE_ID), "group default")
        # No colon in front: it fires after an ending character, as a word of its own. It goes
        # after the last entry of no group, its options line above it, the rest as it was.
        self.wait_for_config(
            b"# typed by hand\r\n:demo=Hello World\r\n"
            b"(options: after ending, word start)\r\nbtw=by the way\r\n\r\n" + PAUSED + WORDS
        )
        self.assertIn("btw  ->  by the way    [after ending, word start]", self.rows())
        self.stays("xbtw ", "btw")
        self.expands(" btw ", " by the way ")

    def test_a_group_switched_off_and_limited_in_the_window(self):
        self.start_over()
        self.expands("gof ", "group text ")
        # Choose the group above the list: only its row stays, its switch shows it on.
        self.to_window()
        self.click_into(SEARCH_FIELD_ID)
        self.session.key("Tab")
        self.choose(GROUP_FILTER_ID, "Paused", 2)
        self.session.wait_until(
            lambda: self.rows() == ["gof  ->  group text    [Paused]"],
            "the group's row alone",
            describe=self.rows,
        )
        self.assertEqual(self.session.check_state(APP, GROUP_ON_CHECK_ID), 1)
        self.session.key("Tab")
        self.wait_for_focus(GROUP_ON_CHECK_ID)
        self.session.key("space")
        self.wait_for_config(CONFIG.replace(b"Paused: after", b"Paused: off, after"))
        self.assertIn("[Paused (off)]", self.rows()[0])
        self.stays("gof ", "gof")

        self.to_window()
        self.session.click_control(APP, GROUP_ON_CHECK_ID)
        self.wait_for_config(CONFIG)
        self.expands("gof ", "group text ")

        # Its programs, as exclude= writes them: kept out of notepad, then back in.
        self.to_window()
        self.click_into(NOT_IN_ID)
        self.session.type("notepad.exe")
        self.session.key("Return")
        self.wait_for_config(
            CONFIG.replace(b"Paused: after", b"Paused: not in notepad.exe, after")
        )
        self.stays("gof ", "gof")
        self.to_window()
        self.click_into(NOT_IN_ID)
        self.session.key("ctrl+a", "BackSpace")
        self.wait_for_field(NOT_IN_ID, "")
        # Leaving the field saves it too.
        self.session.key("Tab")
        self.wait_for_config(CONFIG)
        self.expands("gof ", "group text ")

    def test_a_renamed_entry_keeps_its_options_and_group(self):
        self.start_over()
        self.session.click_control(APP, LIST_ID, row=2)
        self.wait_for_field(TRIGGER_FIELD_ID, "omw")
        self.assertEqual(self.field(WHERE_ID), "word start")
        self.assertEqual(self.field(CASE_ID), "conform case")
        self.assertEqual(self.field(WHEN_ID), "group default")
        self.assertEqual(self.field(GROUP_ID), "Words")
        self.click_into(TRIGGER_FIELD_ID)
        self.session.key("End", "BackSpace", "BackSpace", "BackSpace")
        self.session.type("otw")
        self.wait_for_field(TRIGGER_FIELD_ID, "otw")
        self.session.key("Return")
        self.wait_for_field(TRIGGER_FIELD_ID, "")
        # The old one goes with DELETE: its options line with it, the new one's stays.
        self.session.click_control(APP, LIST_ID, row=2)
        self.wait_for_field(TRIGGER_FIELD_ID, "omw")
        self.session.click_control(APP, DELETE_BUTTON_ID)
        self.wait_for_config(
            HEAD + PAUSED + b"[group Words: after ending]\r\n"
            b"(options: word start, conform case)\r\notw=on my way\r\n"
        )
        self.expands(" Otw ", " On my way ")


if __name__ == "__main__":
    harness.main()
