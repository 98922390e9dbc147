"""The search popup: its shortcut opens it over notepad, typing filters, the arrow keys choose
and Enter puts the chosen expansion into notepad; Escape closes it without a word."""

import harness

CONFIG = (
    ":demo=Hello World\r\n"
    ":mail=someone@example.com\r\n"
    ":sig=Best wishes{{newline}}the mail room\r\n"
).encode("utf-8")

POPUP = "TarquelSearch"
APP = "TarquelApp"
SEARCH_KEY_BUTTON_ID = 116


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

    def test_search_key_records_a_new_shortcut_that_opens_the_popup(self):
        settings = self.session.scratch / "settings.txt"
        self.session.click_control(APP, SEARCH_KEY_BUTTON_ID)
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


if __name__ == "__main__":
    harness.main()
