"""The search popup: its shortcut opens it over notepad, typing filters, the arrow keys choose
and Enter puts the chosen expansion into notepad; Escape closes it without a word."""

from pathlib import Path

import harness

CONFIG = (
    ":demo=Hello World\r\n"
    ":mail=someone@example.com\r\n"
    ":sig=Best wishes{{newline}}the mail room\r\n"
).encode("utf-8")

POPUP = "TarquelSearch"
# The window of e2e_single_line_edit, beside the probe: a target that can be ended.
FIELD_WINDOW = "TarquelSingleLine"
APP = "TarquelApp"
SETTING_BUTTON_ID = 110
SETTINGS = "TarquelSettings"
SEARCH_CHANGE_ID = 204
WM_CLOSE = 0x0010


class SearchPopup(harness.SessionTestCase):
    config = CONFIG

    def open_popup(self, keys="ctrl+shift+F11"):
        self.session.key(keys)
        self.session.wait_until(
            lambda: self.session.foreground_class() == POPUP,
            "the search popup to have the focus",
            describe=self.session.foreground_class,
        )

    def test_enter_inserts_the_only_match(self):
        self.open_popup()
        self.session.type("world")
        self.session.key("Return")
        self.session.wait_for_notepad_text("Hello World")
        self.session.wait_for_debug_line("Search popup inserted: ':demo'")

    def test_arrow_keys_choose_among_matches(self):
        self.open_popup()
        # ":mail" and ":sig" both hold "mail", in table order.
        self.session.type("mail")
        self.session.key("Down")
        self.session.key("Return")
        self.session.wait_for_notepad_text("Best wishes\r\nthe mail room")

    def test_escape_closes_and_leaves_notepad_as_it_was(self):
        self.session.type("x")
        self.session.wait_for_notepad_text("x")
        self.open_popup()
        self.session.key("Escape")
        self.session.wait_until(
            lambda: self.session.foreground_class() == "Notepad",
            "notepad to have the focus again",
            describe=self.session.foreground_class,
        )
        self.session.type("y")
        self.session.wait_for_notepad_text("xy")

    def test_settings_window_records_a_new_shortcut_that_opens_the_popup(self):
        settings = self.session.scratch / "settings.txt"
        self.session.click_control(APP, SETTING_BUTTON_ID)
        self.session.wait_until(
            lambda: self.session.foreground_class() == SETTINGS,
            "the Settings window in front",
            describe=self.session.foreground_class,
        )
        self.session.click_control(SETTINGS, SEARCH_CHANGE_ID)
        self.session.wait_until(
            lambda: self.session.foreground_class() == "ShortcutCapture",
            "the capture dialog to have the focus",
            describe=self.session.foreground_class,
        )
        self.assertEqual(self.session.window_text("ShortcutCapture"), "Set Search Popup Shortcut")
        self.session.key("ctrl+shift+F9")
        self.session.wait_for_debug_line("New search shortcut: Ctrl+Shift+F9\n")
        self.session.wait_until(
            lambda: settings.exists() and b"search_shortcut=Ctrl+Shift+F9\r\n" in settings.read_bytes(),
            "settings.txt to keep the new shortcut",
        )
        self.assertEqual(self.session.post_message(SETTINGS, WM_CLOSE), "ok")
        self.session.wait_until(
            lambda: self.session.window_state(SETTINGS) is None, "the Settings window to close"
        )
        # The old one is let go and the new one opens the popup over notepad.
        self.session.clear_notepad()
        self.open_popup("ctrl+shift+F9")
        self.session.type("world")
        self.session.key("Return")
        self.session.wait_for_notepad_text("Hello World")
        self.session.clear_notepad()
        self.session.key("ctrl+shift+F11")
        self.session.type("z")
        self.session.wait_for_notepad_text("z")

    def test_nothing_is_inserted_when_the_window_it_came_from_cannot_come_back(self):
        helper = Path(harness.Options.probe).resolve().parent / "e2e_single_line_edit.exe"
        owner = self.session.start_wine([helper], "popup_target")
        output = self.session.scratch / "popup_target.out"
        try:
            self.session.wait_until(
                lambda: output.exists() and "ready" in output.read_text(),
                "the target window to be shown",
            )
            windows = self.session.wait_until(
                lambda: self.session.find_windows(name="^single line$"), "its X window"
            )

            def click_and_check():
                self.session.xdotool("mousemove", "--window", windows[0], 100, 110, "click", "1")
                return self.session.foreground_class() == FIELD_WINDOW

            self.session.wait_until(
                click_and_check,
                "the target window to have the focus",
                describe=self.session.foreground_class,
            )
            self.open_popup()
            self.session.type("world")
        finally:
            # The window the popup came from goes away while the popup is open.
            self.session.end_process(owner)
        self.session.wait_until(
            lambda: not self.session.find_windows(name="^single line$"),
            "the target window to be gone",
        )
        self.session.key("Return")
        self.session.wait_for_debug_line(
            "Search popup: the window it came from is not in front; nothing inserted"
        )
        # Nothing went to whatever window came to the front instead.
        self.session.focus_notepad()
        self.session.type("x")
        self.session.wait_for_notepad_text("x")


if __name__ == "__main__":
    harness.main()
