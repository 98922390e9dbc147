"""Start at logon and start again: `tarquel.exe --logon` (what the Run value starts) keeps its
window hidden while the tray icon and the hook work; a second start brings the window of the
one running to the front; the Run value written by the box carries --logon, and one 1.0 wrote
for this very program is brought to that form at start.

Read back through the window probe (visibility), Wine's systray trace (the icon), notepad
(what expands) and `wine reg query` (the Run value).
"""

import re

import harness

APP = "TarquelApp"
LIST_BOX_ID = 101
STARTUP_CHECK_ID = 108
TRAY_CALLBACK = 0x0400 + 1
WM_LBUTTONDBLCLK = 0x0203
WM_CLOSE = 0x0010
WM_COMMAND = 0x0111
IDOK = 1
MESSAGE_BOX = "#32770"
MESSAGE_BOX_TEXT_ID = 65535
RUN_KEY = harness.RUN_KEY
NIM_ADD = 0
_NOTIFY_ICON = re.compile(r"Shell_NotifyIconW dwMessage = (\d+)")


class LogonStart(harness.SessionTestCase):
    config = b":demo=Hello World\r\n"
    tarquel_debug = harness.TARQUEL_WINEDEBUG + ",+systray"
    with_tarquel = False

    @classmethod
    def tearDownClass(cls):
        try:
            cls.session.wine_reg("delete", RUN_KEY, "/v", "Tarquel", "/f")
        finally:
            cls.session.close()

    # ---- helpers ----------------------------------------------------------------------------

    def set_run_value(self, data):
        added = self.session.wine_reg("add", RUN_KEY, "/v", "Tarquel", "/t", "REG_SZ", "/d", data, "/f")
        self.assertEqual(added.returncode, 0, added.stderr)

    @property
    def program(self):
        return self.session.scratch / "tarquel.exe"

    def windows_path(self):
        return "Z:" + str(self.program).replace("/", "\\")

    def start(self, *arguments):
        self.session.stop_tarquel()
        self.session.launch_tarquel(arguments=arguments)
        self.session.wait_for_hook()
        # The list is filled just before the window would be shown.
        self.session.wait_until(
            lambda: self.session.list_rows(APP, LIST_BOX_ID) is not None, "the main window"
        )

    def visible(self):
        state = self.session.window_state(APP)
        return state is not None and state.visible

    def wait_until_shown(self, shown):
        self.session.wait_until(
            lambda: self.visible() == shown, f"the window to be {'shown' if shown else 'hidden'}"
        )

    def tray_added(self):
        log = self.session.tarquel_stderr.read_bytes().decode("latin-1")
        return NIM_ADD in [int(m) for m in _NOTIFY_ICON.findall(log)]

    def expands(self, trigger, expansion):
        self.session.clear_notepad()
        self.session.type(trigger)
        self.session.wait_for_notepad_text(expansion)

    def start_again(self, *arguments):
        return self.session.start_wine([self.program, *arguments], "second", debug="-all")

    # ---- cases ------------------------------------------------------------------------------

    def test_logon_start_keeps_the_window_hidden_with_tray_icon_and_hook_working(self):
        self.start("--logon")
        self.session.wait_until(self.tray_added, "the tray icon")
        self.assertFalse(self.visible(), "the window stays hidden at logon")
        self.expands(":demo", "Hello World")
        # The tray brings it up as after any other start.
        self.assertEqual(
            self.session.post_message(APP, TRAY_CALLBACK, 0, WM_LBUTTONDBLCLK), "ok"
        )
        self.wait_until_shown(True)

    def test_plain_start_shows_the_window(self):
        self.start()
        self.wait_until_shown(True)

    def test_second_start_shows_the_hidden_window_of_the_first_after_the_warning(self):
        self.start("--logon")
        first = self.session._tarquel
        second = self.start_again()
        text = self.session.wait_until(
            lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID),
            "the warning box",
        )
        self.assertEqual(text, "An instance of Tarquel is already running.")
        self.assertFalse(self.visible(), "not before the box is closed")
        self.assertEqual(self.session.post_message(MESSAGE_BOX, WM_COMMAND, IDOK, 0), "ok")
        self.session.wait_until(lambda: second.poll() is not None, "the second start to end")
        self.assertEqual(second.returncode, 0)
        self.wait_until_shown(True)
        self.assertIs(self.session._tarquel, first)
        self.assertTrue(self.session.tarquel_running(), "the first instance goes on")
        self.expands(":demo", "Hello World")

    def test_second_start_at_logon_ends_without_a_box_or_a_window(self):
        self.start("--logon")
        second = self.start_again("--logon")
        self.session.wait_until(lambda: second.poll() is not None, "the second start to end")
        self.assertEqual(second.returncode, 0)
        self.assertIsNone(self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID))
        self.assertFalse(self.visible())
        self.assertTrue(self.session.tarquel_running())

    def test_ticking_the_box_writes_the_run_value_with_the_logon_argument(self):
        self.session.wine_reg("delete", RUN_KEY, "/v", "Tarquel", "/f")
        self.start()
        self.wait_until_shown(True)
        self.session.click_control(APP, STARTUP_CHECK_ID)
        expected = f'"{self.windows_path()}" --logon'
        self.session.wait_until(
            lambda: self.session.run_value() == expected,
            f"the Run value {expected!r}",
            describe=self.session.run_value,
        )

    def test_run_value_of_1_0_for_this_program_is_given_the_argument_at_start(self):
        self.set_run_value(f'"{self.windows_path()}"')
        self.start()
        # Rewritten before the window exists, so already done once it does.
        self.assertEqual(self.session.run_value(), f'"{self.windows_path()}" --logon')

    def test_run_value_naming_another_copy_is_left_as_it_is(self):
        self.set_run_value(r"C:\old\tarquel.exe")
        self.start()
        self.assertEqual(self.session.run_value(), r"C:\old\tarquel.exe")


if __name__ == "__main__":
    harness.main()
