"""The toggle hotkey with its overlay and header, the shortcut capture dialog, and the
"Start on Startup" switch, in one session of tarquel.exe.

tarquel runs from a folder whose path has spaces and is longer than 260 characters, so that
the Run value shows it is stored whole and quoted. That folder also holds its settings.txt.
"""

import re
import shutil

import harness

RUN_KEY = harness.RUN_KEY

OFF_LINE = "Expander: OFF\n"
ON_LINE = "Expander: ON\n"
PROMPT = "Press Ctrl, Alt, Shift + Key..."
NEEDS_MODIFIER = "Please use Ctrl, Alt, or Shift + Key"
UNNAMED_KEY = "Please use A-Z, 0-9 or F1-F12 as the Key"
SHIFT_ALONE = "Shift alone would take capitals: add Ctrl or Alt"
PROGRAM_SHORTCUT = "Every program uses this one: please choose another"
DEFAULT = "ctrl+shift+F12"

# Colours as drawn: layered alpha is not applied on a display without a compositor.
DOT_ON = (0, 255, 100)
DOT_OFF = (255, 50, 50)
OVERLAY_OFF = (120, 30, 30)
OVERLAY_ON = (20, 120, 60)

# Client coordinates in the main window (800 x 500, no frame). The header's texts follow each
# other at their measured widths; these are the places in Wine's stand-in for Segoe UI.
STATUS_DOT = (188, 30)
STATE_WORD = (204, 20, 240, 44)  # left, top, right, bottom: "ON" or the wider "OFF"
# Left of where an overlay covers the header.
SHORTCUT_HINT = (232, 20, 300, 44)
SETTING_BUTTON = (345, 80)
SETTINGS_WINDOW = "TarquelSettings"
TOGGLE_CHANGE_ID = 202
WM_CLOSE = 0x0010
STARTUP_BOX = (40, 80)
STARTUP_BOX_ID = 108
STARTUP_WORDS = (110, 80)
# Client coordinates in the capture dialog.
CANCEL_BUTTON = (160, 107)

OVERLAY_SIZE = (200, 80)


def count_pixels(pixels, area, predicate):
    left, top, right, bottom = area
    return sum(
        1 for y in range(top, bottom) for x in range(left, right) if predicate(pixels.pixel(x, y))
    )


class ToggleAndSettings(harness.SessionTestCase):
    config = b""
    with_tarquel = False

    # ---- session ----------------------------------------------------------------------------

    @classmethod
    def prepare_session(cls):
        folder = cls.session.scratch / "Program Files"
        for i in range(10):
            folder /= f"a long folder name with spaces {i:02d}"
        folder.mkdir(parents=True)
        cls.folder = folder
        cls.program = folder / "tarquel.exe"
        shutil.copyfile(cls.session.tarquel_exe, cls.program)
        assert len(str(cls.program)) > 260
        # Left by an earlier installation elsewhere: the switch reads as on all the same.
        cls.session.wine_reg("add", RUN_KEY, "/v", "Tarquel", "/t", "REG_SZ", "/d", r"C:\old\tarquel.exe",
                "/f")
        cls.start_program()

    @classmethod
    def tearDownClass(cls):
        try:
            cls.session.wine_reg("delete", RUN_KEY, "/v", "Tarquel", "/f")
        finally:
            cls.session.close()

    @classmethod
    def start_program(cls):
        cls.session.launch_tarquel(program=cls.program, cwd=cls.folder)
        cls.session.wait_for_hook()
        cls.main = cls.session.wait_until(
            lambda: cls.window_origin("^Tarquel$"), "tarquel's main window"
        )

    @classmethod
    def window_origin(cls, title):
        """Screen position of the client area of the visible window with that title."""
        windows = cls.session.find_windows(name=title)
        if not windows:
            return None
        geometry = cls.session.xdotool("getwindowgeometry", windows[0]).stdout.decode()
        match = re.search(r"Position: (-?\d+),(-?\d+)", geometry)
        return (int(match.group(1)), int(match.group(2))) if match else None

    # ---- helpers ----------------------------------------------------------------------------

    def click(self, origin, point):
        x, y = origin[0] + point[0], origin[1] + point[1]
        self.session._check(self.session.xdotool("mousemove", x, y, "click", "1"))

    def main_pixel(self, pixels, point):
        return pixels.pixel(self.main[0] + point[0], self.main[1] + point[1])

    def main_area(self, area):
        left, top, right, bottom = area
        x, y = self.main
        return (x + left, y + top, x + right, y + bottom)

    def toggle_lines(self):
        return [line for line in self.session.debug_lines() if line in (OFF_LINE, ON_LINE)]

    def press_toggle(self, keys, expected_line):
        """Presses the toggle shortcut and waits for its one new line."""
        before = self.toggle_lines()
        self.session.key(keys)
        self.session.wait_until(
            lambda: len(self.toggle_lines()) > len(before),
            f"{keys} to toggle",
            describe=self.toggle_lines,
        )
        self.assertEqual(self.toggle_lines()[len(before) :], [expected_line])

    def wait_for_header(self, dot, word_colour):
        """Waits until the header shows the state dot and word in that colour; returns the
        screen it saw."""

        def painted():
            pixels = self.session.screen_pixels()
            if self.main_pixel(pixels, STATUS_DOT) != dot:
                return None
            word = count_pixels(pixels, self.main_area(STATE_WORD), lambda p: p == word_colour)
            return pixels if word >= 5 else None

        return self.session.wait_until(painted, f"the header to show the dot {dot}")

    def overlay_area(self, pixels):
        width, height = OVERLAY_SIZE
        left = (pixels.width - width) // 2
        top = pixels.height // 4
        return left, top, left + width, top + height

    def overlay_shown(self, pixels, colour):
        """Whether an overlay of that colour fills its place, with rounded corners."""
        left, top, right, bottom = self.overlay_area(pixels)
        inside = [(left + 3, top + 40), (right - 4, top + 40), (left + 100, top + 3),
                  (left + 100, bottom - 4), (left + 10, top + 10), (right - 11, bottom - 11)]
        # The corners are cut off by the rounded region.
        corners = [(left, top), (right - 1, top), (left, bottom - 1), (right - 1, bottom - 1)]
        return all(pixels.pixel(x, y) == colour for x, y in inside) and not any(
            pixels.pixel(x, y) == colour for x, y in corners
        )

    def toggle_and_see_overlay(self, keys, expected_line, colour):
        """Presses the toggle shortcut and looks at the overlay during its 1.5 s.

        A screenshot can take long on a busy machine: if the overlay was gone before one showed
        it, the state is switched back and the press tried again."""
        other_line = ON_LINE if expected_line == OFF_LINE else OFF_LINE
        for _ in range(3):
            self.press_toggle(keys, expected_line)
            while self.session.window_text("TarquelOverlay") is not None:
                if self.overlay_shown(self.session.screen_pixels(), colour):
                    return
            self.press_toggle(keys, other_line)
            self.wait_for_no_overlay()
        self.fail(f"no overlay of colour {colour} at its place after {keys}")

    def close_settings_window(self):
        if self.session.window_state(SETTINGS_WINDOW) is None:
            return
        self.session.post_message(SETTINGS_WINDOW, WM_CLOSE)
        self.session.wait_until(
            lambda: self.session.window_state(SETTINGS_WINDOW) is None,
            "the Settings window to close",
        )

    def open_capture_dialog(self):
        # SETTING opens the Settings window, whose first CHANGE records the toggle shortcut.
        # A Settings window left open would cover the button.
        self.close_settings_window()
        self.click(self.main, SETTING_BUTTON)
        self.session.wait_until(
            lambda: self.session.foreground_class() == SETTINGS_WINDOW,
            "the Settings window in front",
            describe=self.session.foreground_class,
        )
        self.session.click_control(SETTINGS_WINDOW, TOGGLE_CHANGE_ID)
        self.session.wait_until(
            lambda: self.session.window_text("ShortcutCapture", "Static") == PROMPT,
            "the capture dialog",
        )
        self.session.wait_until(
            lambda: self.session.foreground_class() == "ShortcutCapture",
            "the capture dialog to have the focus",
            describe=self.session.foreground_class,
        )

    def wait_for_dialog_to_close(self):
        self.session.wait_until(
            lambda: self.session.window_text("ShortcutCapture") is None,
            "the capture dialog to close",
        )
        self.close_settings_window()

    def capture(self, keys, text):
        """Records `keys` as the new shortcut through the dialog; `text` is its text form."""
        news = len(self.new_shortcut_lines())
        self.open_capture_dialog()
        self.session.key(keys)
        self.wait_for_dialog_to_close()
        self.session.wait_until(
            lambda: len(self.new_shortcut_lines()) > news, "the new shortcut's line"
        )
        self.assertEqual(self.new_shortcut_lines()[news:], [f"New shortcut: {text}\n"])
        self.wait_for_settings(f"toggle_shortcut={text}\r\n".encode())

    def new_shortcut_lines(self):
        return [line for line in self.session.debug_lines() if line.startswith("New shortcut:")]

    def settings_bytes(self):
        path = self.folder / "settings.txt"
        return path.read_bytes() if path.exists() else None

    def wait_for_settings(self, expected):
        """settings.txt is written by the save worker, a moment after the shortcut is in force."""
        self.session.wait_until(
            lambda: self.settings_bytes() == expected,
            f"settings.txt to hold {expected!r}",
            describe=self.settings_bytes,
        )

    def wait_for_no_overlay(self):
        self.session.wait_until(
            lambda: self.session.window_text("TarquelOverlay") is None, "the overlays to close"
        )

    def hint_pixels(self, pixels):
        left, top, right, bottom = self.main_area(SHORTCUT_HINT)
        return [pixels.pixel(x, y) for y in range(top, bottom) for x in range(left, right)]

    def wait_for_run_value(self, expected):
        return self.session.wait_until(
            lambda: self.session.run_value() == expected,
            f"the Run value to be {expected!r}",
            describe=self.session.run_value,
        )

    def box_checked(self):
        # Asked of the box itself: how its mark is drawn depends on the prefix's theme (black
        # on white classic, dark grey themed).
        return self.session.check_state("TarquelApp", STARTUP_BOX_ID) == 1

    def wait_for_box(self, checked):
        self.session.wait_until(
            lambda: self.box_checked() == checked, f"the box to be {'' if checked else 'un'}checked"
        )

    # ---- cases ------------------------------------------------------------------------------

    def test_toggle_pauses_shows_it_everywhere_and_keeps_the_typed_trigger(self):
        session = self.session
        session.type(":de")
        session.wait_for_notepad_text(":de")

        self.toggle_and_see_overlay(DEFAULT, OFF_LINE, OVERLAY_OFF)
        self.wait_for_header(DOT_OFF, DOT_OFF)
        # Nothing expands while off: every key arrives.
        session.type("mo")
        session.wait_for_notepad_text(":demo")
        session.key("BackSpace", "BackSpace")
        session.wait_for_notepad_text(":de")
        self.wait_for_no_overlay()
        session.wait_until(
            lambda: not self.overlay_shown(session.screen_pixels(), OVERLAY_OFF),
            "the overlay to leave nothing behind",
        )

        self.toggle_and_see_overlay(DEFAULT, ON_LINE, OVERLAY_ON)
        self.wait_for_header(DOT_ON, DOT_ON)
        # The buffer still holds ":de", and neither press of the shortcut added its "e".
        session.type("mo")
        session.wait_for_notepad_text("Hello World")

    def test_captured_shortcut_is_saved_shown_and_replaces_the_old_one(self):
        session = self.session
        self.wait_for_no_overlay()
        hint_before = self.hint_pixels(self.wait_for_header(DOT_ON, DOT_ON))

        self.open_capture_dialog()
        session.key("k")
        session.wait_until(
            lambda: session.window_text("ShortcutCapture", "Static") == NEEDS_MODIFIER,
            "the hint for a key without modifier",
        )
        # A key the text form cannot name would leave settings.txt unreadable: refused too.
        session.key("ctrl+space")
        session.wait_until(
            lambda: session.window_text("ShortcutCapture", "Static") == UNNAMED_KEY,
            "the hint for a key without a name",
        )
        # Shortcuts that would take capitals or every program's copy from the user: refused.
        session.key("shift+k")
        session.wait_until(
            lambda: session.window_text("ShortcutCapture", "Static") == SHIFT_ALONE,
            "the hint for Shift alone",
        )
        session.key("ctrl+c")
        session.wait_until(
            lambda: session.window_text("ShortcutCapture", "Static") == PROGRAM_SHORTCUT,
            "the hint for Ctrl+C",
        )
        session.key("ctrl+shift+k")
        self.wait_for_dialog_to_close()
        session.wait_for_debug_line("New shortcut: Ctrl+Shift+K")
        self.wait_for_settings(b"toggle_shortcut=Ctrl+Shift+K\r\n")
        hint_after = self.hint_pixels(self.wait_for_header(DOT_ON, DOT_ON))
        self.assertNotEqual(hint_after, hint_before)

        session.focus_notepad()
        self.press_toggle("ctrl+shift+k", OFF_LINE)
        self.press_toggle("ctrl+shift+k", ON_LINE)
        # The old shortcut is an ordinary key press now: nothing is paused, so a trigger typed
        # after it completes.
        session.key(DEFAULT)
        session.type(":demo")
        session.wait_for_notepad_text("Hello World")

        # The old shortcut back: the header shows exactly what it showed before.
        self.capture(DEFAULT, "Ctrl+Shift+F12")
        session.wait_until(
            lambda: self.hint_pixels(session.screen_pixels()) == hint_before,
            "the header to show Ctrl+Shift+F12 again",
        )

    def test_cancel_changes_nothing(self):
        session = self.session
        settings = self.settings_bytes()
        news = len(self.new_shortcut_lines())
        for _ in range(2):  # the second time shows the main window took input again
            self.open_capture_dialog()
            self.click(self.window_origin("^Set Toggle Shortcut$"), CANCEL_BUTTON)
            self.wait_for_dialog_to_close()
        self.assertEqual(self.settings_bytes(), settings)
        self.assertEqual(len(self.new_shortcut_lines()), news)
        session.focus_notepad()
        self.press_toggle(DEFAULT, OFF_LINE)
        self.press_toggle(DEFAULT, ON_LINE)

    def test_failed_save_is_told_and_the_shortcut_works_for_this_run(self):
        session = self.session
        path = self.folder / "settings.txt"
        path.write_bytes(b"toggle_shortcut=Ctrl+Alt+E\r\n")
        with harness.immutable(path):
            self.open_capture_dialog()
            session.key("ctrl+shift+k")
            text = session.wait_until(
                lambda: session.dialog_item_text("#32770", 65535), "the message box"
            )
            self.assertIn("Ctrl+Shift+K", text)
            self.assertIn("could not be saved", text)
            session.key("Return")
            session.wait_until(
                lambda: session.dialog_item_text("#32770", 65535) is None,
                "the message box to close",
            )
        self.assertEqual(path.read_bytes(), b"toggle_shortcut=Ctrl+Alt+E\r\n")
        self.close_settings_window()
        session.focus_notepad()
        self.press_toggle("ctrl+shift+k", OFF_LINE)
        self.press_toggle("ctrl+shift+k", ON_LINE)
        self.capture(DEFAULT, "Ctrl+Shift+F12")

    def test_quit_while_the_dialog_is_open_ends_the_program(self):
        self.open_capture_dialog()
        # The tray menu's "Quit": WM_COMMAND 2001.
        self.assertEqual(self.session.post_message("TarquelApp", 0x0111, 2001, 0), "ok")
        self.session.wait_for_tarquel_to_end()
        self.start_program()

    def test_start_on_startup_follows_the_box_and_the_words(self):
        # Quoted, and started at logon with the window left hidden.
        quoted = '"Z:' + str(self.program).replace("/", "\\") + '" --logon'
        # The value from elsewhere was there at start.
        self.wait_for_box(True)
        self.click(self.main, STARTUP_BOX)
        self.wait_for_run_value(None)
        self.wait_for_box(False)
        self.click(self.main, STARTUP_WORDS)
        self.wait_for_run_value(quoted)
        self.wait_for_box(True)
        self.click(self.main, STARTUP_WORDS)
        self.wait_for_run_value(None)
        self.click(self.main, STARTUP_BOX)
        self.wait_for_run_value(quoted)


if __name__ == "__main__":
    harness.main()
