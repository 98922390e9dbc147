"""The program as a whole: the main window as it opens, its list, hiding and showing it again
through the tray icon's messages, the tray menu, the single instance, and the files beside the
executable. One session of tarquel.exe, started without a config.txt.

The tray: Wine's system tray shows icons in a window of its own only when its explorer runs on
a display, which a shared Wine prefix does not promise. So the cases act as the shell does: they
post the icon's callback message (1025, the mouse message in lParam) to the main window, and
click the menu that tarquel then opens with TrackPopupMenu. That the icon was added and removed
is read from Wine's trace of Shell_NotifyIcon in tarquel's own log.
"""

import re
import shutil
import tempfile
from pathlib import Path

import harness

WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
WM_LBUTTONDBLCLK = 0x0203
WM_RBUTTONUP = 0x0205
TRAY_CALLBACK = 1025
IDOK = 1
LIST_BOX_ID = 101

WIDTH, HEIGHT = 800, 500

# Colours as drawn: layered alpha is not applied on a display without a compositor; the
# tolerance also allows for one that applies it (250 of 255).
HEADER = (45, 45, 50)
BODY = (32, 33, 36)
TITLE = (245, 245, 245)
SECONDARY = (160, 160, 160)
ENABLED = (0, 255, 100)
CLOSE_MARK = (255, 100, 100)

# Client coordinates (left, top, right, bottom) of what the header paints: left to right at
# their measured widths, here those of Wine's stand-in for Segoe UI.
TITLE_AREA = (24, 18, 113, 42)
VERSION_AREA = (123, 24, 166, 40)
STATUS_DOT_CENTRE = (188, 30)
STATE_WORD_AREA = (204, 24, 224, 38)
HINT_AREA = (232, 24, 315, 35)
CLOSE_MARK_AREA = (765, 18, 785, 36)
CLOSE_MARK_CLICK = (775, 20)

DEFAULT_ROWS = [":demo  ->  Hello World", ":mail  ->  someone@example.com"]

# Wine's trace of text output (+font) and of the tray (+systray), besides the usual channels.
TRACE = harness.TARQUEL_WINEDEBUG + ",+font,+systray"
_TEXT_OUT = re.compile(
    r"NtGdiExtTextOutW 0x[0-9a-f]+, (-?\d+), (-?\d+), [0-9a-f]+, (?:\(null\)|\S+), "
    r'L"((?:[^"\\]|\\.)*)", \d+,'
)
_NOTIFY_ICON = re.compile(r"Shell_NotifyIconW dwMessage = (\d+)")
NIM_ADD, NIM_DELETE = 0, 2


def close_to(colour, expected, tolerance=4):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def artefacts():
    """Where screenshots are kept after the run: beside the scratch directories."""
    root = Path(harness.Options.scratch_root or tempfile.gettempdir()) / "artefacts"
    root.mkdir(parents=True, exist_ok=True)
    return root


class MainWindow(harness.SessionTestCase):
    config = None  # no config.txt: the two default triggers, held in memory only
    tarquel_debug = TRACE

    # ---- helpers ----------------------------------------------------------------------------

    def window(self):
        state = self.session.window_state("TarquelApp")
        self.assertIsNotNone(state, "tarquel's main window does not exist")
        return state

    def wait_for_startup(self):
        """Until the main window is shown with its list filled: the hook is served earlier,
        while adding the tray icon waits for the shell."""
        self.session.wait_until(
            lambda: self.session.list_rows("TarquelApp", LIST_BOX_ID) is not None
            and self.window().visible,
            "the main window with its list",
        )

    def restart(self, program=None, cwd=None):
        self.session.stop_tarquel()
        self.session.launch_tarquel(program=program, cwd=cwd)
        self.session.wait_for_hook()
        self.wait_for_startup()

    def wait_until_shown(self, shown):
        self.session.wait_until(
            lambda: self.window().visible == shown,
            f"the main window to be {'shown' if shown else 'hidden'}",
        )

    def hide(self):
        self.assertEqual(self.session.post_message("TarquelApp", WM_CLOSE), "ok")
        self.wait_until_shown(False)

    def tray_event(self, mouse_message):
        self.assertEqual(
            self.session.post_message("TarquelApp", TRAY_CALLBACK, 0, mouse_message), "ok"
        )

    def choose_from_tray_menu(self, position):
        """Opens the tray menu and clicks its item at `position` (0: top)."""
        # The menu opens with its bottom left corner at the pointer.
        self.session.xdotool("mousemove", 600, 900)
        self.tray_event(WM_RBUTTONUP)
        # Restore, Pause expansion, Settings, Import..., Export..., Open data folder, Quit: rows
        # of one height.
        left, top, right, bottom = self.session.choose_from_popup_menu(position, 7)
        self.assertEqual(bottom, 900, "the menu's bottom edge lies at the pointer")

    def text_drawn(self):
        """(x, y, text) of every TextOut tarquel has made, in order."""
        log = self.session.tarquel_stderr.read_bytes().decode("latin-1")
        return [(int(x), int(y), text) for x, y, text in _TEXT_OUT.findall(log)]

    def tray_calls(self):
        log = self.session.tarquel_stderr.read_bytes().decode("latin-1")
        return [int(m) for m in _NOTIFY_ICON.findall(log)]

    def expansion_still_works(self):
        self.session.clear_notepad()
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")


    # ---- cases ------------------------------------------------------------------------------

    def test_opens_centred_with_title_version_state_and_shortcut(self):
        # A fresh start: earlier cases may have hidden the window.
        self.restart()
        self.session.wait_until(
            lambda: (232, 24, "(Ctrl+Shift+F12)") in self.text_drawn(), "the header painted"
        )
        screen = self.session.screen_pixels()
        state = self.window()
        left = (screen.width - WIDTH) // 2
        top = (screen.height - HEIGHT) // 2
        self.assertEqual(state.rect, (left, top, left + WIDTH, top + HEIGHT))
        self.assertEqual(self.session.window_text("TarquelApp"), "Tarquel")
        self.session.screenshot(artefacts() / "main_window.png")

        def pixel(x, y):
            return screen.pixel(left + x, top + y)

        def drawn_in(area, colour):
            x0, y0, x1, y1 = area
            return any(
                close_to(pixel(x, y), colour) for y in range(y0, y1) for x in range(x0, x1)
            )

        self.assertTrue(close_to(pixel(400, 10), HEADER), pixel(400, 10))
        self.assertTrue(close_to(pixel(700, 315), BODY), pixel(700, 315))
        self.assertTrue(close_to(pixel(*STATUS_DOT_CENTRE), ENABLED), pixel(*STATUS_DOT_CENTRE))
        self.assertTrue(drawn_in(TITLE_AREA, TITLE), "title")
        self.assertTrue(drawn_in(VERSION_AREA, SECONDARY), "version")
        self.assertTrue(drawn_in(STATE_WORD_AREA, ENABLED), "state word")
        self.assertTrue(drawn_in(HINT_AREA, SECONDARY), "shortcut hint")
        # Wine runs every program as administrator, this one too; the header says so at its
        # right, before the close mark.
        [(x, _)] = [(x, y) for x, y, text in self.text_drawn() if text == "Administrator"][-1:]
        self.assertGreater(x, HINT_AREA[2])
        self.assertLess(x, CLOSE_MARK_AREA[0])
        self.assertTrue(drawn_in(CLOSE_MARK_AREA, CLOSE_MARK), "close mark")

        header = [t for t in self.text_drawn() if t[1] < 60]
        for expected in [
            (24, 18, "Tarquel"),
            (123, 24, "v" + harness.PROJECT_VERSION),
            (204, 24, "ON"),
            (232, 24, "(Ctrl+Shift+F12)"),
            (765, 18, "X"),
        ]:
            self.assertIn(expected, header)

    def test_lists_the_default_triggers_without_writing_config(self):
        self.session.wait_until(
            lambda: self.session.list_rows("TarquelApp", LIST_BOX_ID) == DEFAULT_ROWS,
            "the two default rows",
            describe=lambda: self.session.list_rows("TarquelApp", LIST_BOX_ID),
        )
        self.assertFalse((self.session.scratch / "config.txt").exists())

    def test_close_mark_hides_and_expansion_goes_on(self):
        self.tray_event(WM_LBUTTONDBLCLK)
        self.wait_until_shown(True)
        left, top, _, _ = self.window().rect
        x, y = CLOSE_MARK_CLICK
        self.session.xdotool("mousemove", left + x, top + y, "click", "1")
        self.wait_until_shown(False)
        self.expansion_still_works()
        self.assertEqual(self.tray_calls().count(NIM_DELETE), 0, "the icon stays")

    def test_wm_close_hides_and_tray_double_click_shows(self):
        self.tray_event(WM_LBUTTONDBLCLK)
        self.wait_until_shown(True)
        self.hide()
        self.expansion_still_works()
        self.tray_event(WM_LBUTTONDBLCLK)
        self.wait_until_shown(True)
        self.session.wait_until(
            lambda: self.session.foreground_class() == "TarquelApp", "the window in front"
        )

    def test_tray_menu_restore_shows_the_window(self):
        self.hide()
        self.choose_from_tray_menu(0)
        self.wait_until_shown(True)
        self.assertTrue(self.session.tarquel_running())

    def test_second_start_warns_and_leaves_the_first_running(self):
        second = self.session.start_wine(
            [self.session.scratch / "tarquel.exe"], "second", debug="-all"
        )
        self.session.wait_until(
            lambda: self.session.dialog_item_text("#32770", 65535), "the warning box"
        )
        self.assertEqual(
            self.session.dialog_item_text("#32770", 65535),
            "An instance of Tarquel is already running.",
        )
        self.assertEqual(self.session.window_text("#32770"), "Tarquel")
        self.assertEqual(self.session.post_message("#32770", WM_COMMAND, IDOK, 0), "ok")
        self.session.wait_until(lambda: second.poll() is not None, "the second start to end")
        self.assertEqual(second.returncode, 0)
        self.assertTrue(self.session.tarquel_running(), "the first instance goes on")
        self.expansion_still_works()

    def test_icon_is_added_again_when_the_taskbar_is_created(self):
        # What Explorer broadcasts when it starts again: its new taskbar knows no icons.
        adds = self.tray_calls().count(NIM_ADD)
        self.assertEqual(self.session.post_message("TarquelApp", "TaskbarCreated"), "ok")
        self.session.wait_until(
            lambda: self.tray_calls().count(NIM_ADD) > adds, "the icon to be added again"
        )

    def test_tray_menu_quit_removes_the_icon_and_exits_with_0(self):
        self.assertEqual(self.tray_calls()[:1], [NIM_ADD])
        try:
            self.choose_from_tray_menu(6)
            self.assertEqual(self.session.wait_for_tarquel_to_end(), 0)
            self.assertEqual(self.tray_calls()[-1], NIM_DELETE)
            # The menu as drawn: "Restore" above "Quit".
            rows = {text: y for _, y, text in self.text_drawn() if text in ("Restore", "Quit")}
            self.assertEqual(rows.keys(), {"Restore", "Quit"})
            self.assertLess(rows["Restore"], rows["Quit"])
        finally:
            if not self.session.tarquel_running():
                self.restart()

    def test_started_elsewhere_uses_the_files_beside_the_exe(self):
        scratch = self.session.scratch
        elsewhere = scratch / "elsewhere"
        elsewhere.mkdir(exist_ok=True)
        (elsewhere / "config.txt").write_bytes(b":cwd=from the working directory\r\n")
        (elsewhere / "settings.txt").write_bytes(b"toggle_shortcut=Ctrl+Shift+W\r\n")
        self.session.write_config(b":beside=beside the program\r\n")
        (scratch / "settings.txt").write_bytes(b"toggle_shortcut=Alt+F2\r\n")
        try:
            self.restart(program=scratch / "tarquel.exe", cwd=elsewhere)
            # config.txt is read in the background: the list fills once that read is done.
            self.session.wait_for_debug_line("Triggers loaded from config.txt")
            self.assertEqual(
                self.session.list_rows("TarquelApp", LIST_BOX_ID),
                [":beside  ->  beside the program"],
            )
            self.session.wait_until(
                lambda: (232, 24, "(Alt+F2)") in self.text_drawn(), "the hint of settings.txt"
            )
            self.session.clear_notepad()
            self.session.type(":beside")
            self.session.wait_for_notepad_text("beside the program")
        finally:
            for name in ("config.txt", "settings.txt"):
                (scratch / name).unlink(missing_ok=True)
            shutil.rmtree(elsewhere, ignore_errors=True)
            self.restart()


if __name__ == "__main__":
    harness.main()
