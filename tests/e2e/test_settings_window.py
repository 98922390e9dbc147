"""The Settings window: opened from the SETTING button, Ctrl+, and the tray menu; a paste
threshold and an excluded program set there are in force at once and in settings.txt; a toggle
shortcut recorded there works; the tray menu's Pause and Resume switch expansion."""

import harness

CONFIG = b":demo=Hello World\r\n"

APP = harness.MAIN_WINDOW_CLASS
SETTINGS = "TarquelSettings"
SETTING_BUTTON_ID = 110
SEARCH_FIELD_ID = 111
TOGGLE_VALUE_ID = 201
TOGGLE_CHANGE_ID = 202
THRESHOLD_ID = 206
UNDO_BOX_ID = 207
EXCLUDED_LIST_ID = 213
EXCLUDED_CHOICE_ID = 214
EXCLUDED_ADD_ID = 215
EXCLUDED_REMOVE_ID = 216
MESSAGE_ID = 223

WM_CLOSE = 0x0010
WM_RBUTTONUP = 0x0205
TRAY_CALLBACK = 0x0401
# Restore, Pause/Resume expansion, Settings, Import..., Export..., Open data folder, Quit.
TRAY_ROWS = 7
TRAY_TOGGLE_ROW = 1
TRAY_SETTINGS_ROW = 2

OFF_LINE = "Expander: OFF\n"
ON_LINE = "Expander: ON\n"


class SettingsWindow(harness.SessionTestCase):
    config = CONFIG

    def tearDown(self):
        # Each case starts with the Settings window closed and the main window shown.
        self.close_settings()
        if not self.session.window_state(APP).visible:
            self.assertEqual(self.session.post_message(APP, "TarquelShowWindow"), "ok")
            self.session.wait_until(
                lambda: self.session.window_state(APP).visible, "the main window to show"
            )

    # ---- helpers ----------------------------------------------------------------------------

    def settings_text(self):
        path = self.session.scratch / "settings.txt"
        return path.read_bytes().decode("utf-8") if path.exists() else ""

    def wait_for_setting(self, line):
        self.session.wait_until(
            lambda: line + "\r\n" in self.settings_text(),
            f"settings.txt to hold {line!r}",
            describe=self.settings_text,
        )

    def wait_open(self):
        self.session.wait_until(
            lambda: self.session.foreground_class() == SETTINGS,
            "the Settings window in front",
            describe=self.session.foreground_class,
        )
        self.assertEqual(self.session.window_text(SETTINGS), "Tarquel Settings")

    def close_settings(self):
        if self.session.window_state(SETTINGS) is not None:
            self.session.post_message(SETTINGS, WM_CLOSE)
            self.wait_closed()

    def wait_closed(self):
        self.session.wait_until(
            lambda: self.session.window_state(SETTINGS) is None, "the Settings window to close"
        )

    def choose_from_tray_menu(self, row):
        # The menu opens with its bottom edge at the pointer; its rows are of one height.
        self.session.xdotool("mousemove", 600, 900)
        self.assertEqual(self.session.post_message(APP, TRAY_CALLBACK, 0, WM_RBUTTONUP), "ok")
        self.session.choose_from_popup_menu(row, TRAY_ROWS)

    def replace_field_text(self, control_id, text):
        """Types `text` over what the field holds, as a person would."""
        self.session.click_control(SETTINGS, control_id)
        self.session.wait_until(
            lambda: self.session.focused_control(SETTINGS) == control_id,
            f"field {control_id} to have the focus",
        )
        self.session.key("End")
        self.session.key(*["BackSpace"] * 12)
        self.session.wait_until(
            lambda: self.session.dialog_item_text(SETTINGS, control_id) == "",
            f"field {control_id} to be empty",
        )
        self.session.type(text)
        self.session.wait_until(
            lambda: self.session.dialog_item_text(SETTINGS, control_id) == text,
            f"field {control_id} to hold {text!r}",
        )

    def demo_stays_as_typed(self):
        """':demo' followed by '.' stays as typed: had it expanded, the text would differ."""
        self.close_settings()
        self.session.focus_notepad()
        self.session.clear_notepad()
        self.session.type(":demo.")
        self.session.wait_for_notepad_text(":demo.")

    def demo_expands(self):
        self.close_settings()
        self.session.focus_notepad()
        self.session.clear_notepad()
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")

    def toggle_lines(self):
        return [line for line in self.session.debug_lines() if line in (OFF_LINE, ON_LINE)]

    def wait_for_toggle(self, before, expected):
        self.session.wait_until(
            lambda: len(self.toggle_lines()) > len(before), f"the toggle's {expected!r}"
        )
        self.assertEqual(self.toggle_lines()[len(before) :], [expected])

    # ---- cases ------------------------------------------------------------------------------

    def test_opens_from_the_button_ctrl_comma_and_the_tray_menu_and_escape_closes_it(self):
        session = self.session
        session.click_control(APP, SETTING_BUTTON_ID)
        self.wait_open()
        # Each setting's name and its line of explanation are there.
        self.assertEqual(session.dialog_item_text(SETTINGS, 300), "Toggle shortcut")
        self.assertTrue(session.dialog_item_text(SETTINGS, 320))
        self.assertEqual(session.dialog_item_text(SETTINGS, TOGGLE_VALUE_ID), "Ctrl+Shift+F12")
        session.key("Escape")
        self.wait_closed()

        session.click_control(APP, SEARCH_FIELD_ID)
        session.wait_until(
            lambda: session.focused_control(APP) == SEARCH_FIELD_ID, "the search to have the focus"
        )
        session.key("ctrl+comma")
        self.wait_open()
        # Tab goes from the first button on to the next.
        self.assertEqual(session.focused_control(SETTINGS), TOGGLE_CHANGE_ID)
        session.key("Tab")
        session.wait_until(
            lambda: session.focused_control(SETTINGS) == TOGGLE_CHANGE_ID + 2,
            "Tab to reach the search shortcut's button",
            describe=lambda: session.focused_control(SETTINGS),
        )
        # Enter on a box turns it over, and the change is saved at once.
        for control_id in (TOGGLE_CHANGE_ID + 3, THRESHOLD_ID, UNDO_BOX_ID):
            session.key("Tab")
            session.wait_until(
                lambda: session.focused_control(SETTINGS) == control_id,
                f"Tab to reach control {control_id}",
                describe=lambda: session.focused_control(SETTINGS),
            )
        session.key("Return")
        self.wait_for_setting("undo_backspace=off")
        self.assertEqual(session.check_state(SETTINGS, UNDO_BOX_ID), 0)
        session.key("Return")
        self.wait_for_setting("undo_backspace=on")
        session.key("Escape")
        self.wait_closed()

        # From the tray, with the main window hidden.
        self.assertEqual(session.post_message(APP, WM_CLOSE), "ok")
        session.wait_until(lambda: not session.window_state(APP).visible, "the window to hide")
        self.choose_from_tray_menu(TRAY_SETTINGS_ROW)
        self.wait_open()
        self.assertFalse(session.window_state(APP).visible)

    def test_threshold_and_excluded_program_take_effect_at_once_and_are_saved(self):
        session = self.session
        session.click_control(APP, SETTING_BUTTON_ID)
        self.wait_open()
        self.assertEqual(session.dialog_item_text(SETTINGS, THRESHOLD_ID), "100")
        # Enter takes the field: ":demo"'s 11 characters are then above the threshold.
        self.replace_field_text(THRESHOLD_ID, "5")
        session.key("Return")
        session.wait_for_debug_line("Settings changed: the paste threshold\n")
        self.wait_for_setting("paste_threshold=5")
        self.demo_expands()
        session.wait_for_debug_line("Expansion pasted: 11 characters")

        session.click_control(APP, SETTING_BUTTON_ID)
        self.wait_open()
        self.replace_field_text(EXCLUDED_CHOICE_ID, "notepad.exe")
        session.click_control(SETTINGS, EXCLUDED_ADD_ID)
        session.wait_until(
            lambda: session.list_rows(SETTINGS, EXCLUDED_LIST_ID) == ["notepad.exe"],
            "the list to show notepad.exe",
            describe=lambda: session.list_rows(SETTINGS, EXCLUDED_LIST_ID),
        )
        self.wait_for_setting("exclude=notepad.exe")
        # A second time is refused, and said why.
        self.replace_field_text(EXCLUDED_CHOICE_ID, "NOTEPAD.EXE")
        session.key("Return")
        session.wait_until(
            lambda: "already" in (session.dialog_item_text(SETTINGS, MESSAGE_ID) or ""),
            "the refusal",
        )
        self.assertEqual(self.settings_text().count("exclude="), 1)
        self.demo_stays_as_typed()

        # Taken out again, notepad expands once more.
        session.click_control(APP, SETTING_BUTTON_ID)
        self.wait_open()
        session.click_control(SETTINGS, EXCLUDED_LIST_ID, row=0)
        session.click_control(SETTINGS, EXCLUDED_REMOVE_ID)
        session.wait_until(
            lambda: session.list_rows(SETTINGS, EXCLUDED_LIST_ID) == [], "the list to empty"
        )
        session.wait_until(
            lambda: "exclude=" not in self.settings_text(), "settings.txt to lose the line"
        )
        self.assertIn("paste_threshold=5\r\n", self.settings_text())
        self.demo_expands()

    def test_toggle_shortcut_recorded_there_works(self):
        session = self.session
        session.click_control(APP, SETTING_BUTTON_ID)
        self.wait_open()
        session.click_control(SETTINGS, TOGGLE_CHANGE_ID)
        session.wait_until(
            lambda: session.foreground_class() == "ShortcutCapture",
            "the capture dialog to have the focus",
            describe=session.foreground_class,
        )
        # The capture dialog's refusals stand: Ctrl+C is every program's.
        session.key("ctrl+c")
        session.wait_until(
            lambda: "choose another" in (session.window_text("ShortcutCapture", "Static") or ""),
            "the refusal",
        )
        session.key("ctrl+shift+F8")
        session.wait_for_debug_line("New shortcut: Ctrl+Shift+F8\n")
        session.wait_until(
            lambda: session.dialog_item_text(SETTINGS, TOGGLE_VALUE_ID) == "Ctrl+Shift+F8",
            "the window to show the new shortcut",
        )
        self.wait_for_setting("toggle_shortcut=Ctrl+Shift+F8")

        self.close_settings()
        session.focus_notepad()
        before = self.toggle_lines()
        session.key("ctrl+shift+F8")
        self.wait_for_toggle(before, OFF_LINE)
        self.demo_stays_as_typed()
        before = self.toggle_lines()
        session.key("ctrl+shift+F8")
        self.wait_for_toggle(before, ON_LINE)
        self.demo_expands()

    def test_tray_pause_stops_expansion_and_resume_brings_it_back(self):
        before = self.toggle_lines()
        self.choose_from_tray_menu(TRAY_TOGGLE_ROW)
        self.wait_for_toggle(before, OFF_LINE)
        self.demo_stays_as_typed()
        # The same row now says "Resume expansion".
        before = self.toggle_lines()
        self.choose_from_tray_menu(TRAY_TOGGLE_ROW)
        self.wait_for_toggle(before, ON_LINE)
        self.demo_expands()


if __name__ == "__main__":
    harness.main()
