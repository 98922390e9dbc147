"""Programs run as administrator, out of Tarquel's reach: the tray shows the shield and names
the program, a notification says so once per program, and the tray menu offers to restart
Tarquel as administrator.

Wine has no integrity levels that keep programs apart: every process runs as administrator,
Tarquel too. This runs the test build with its standard-user switch, so that Tarquel takes
itself for a standard user and every other program (notepad, a small form) runs above it. The
rule itself (a higher or unknown level is out of reach) is tested on the host."""

import os
from pathlib import Path

import harness
from test_main_window import _TEXT_OUT, TRACE

os.environ["TARQUEL_TEST_STANDARD_USER"] = "1"

WM_RBUTTONUP = 0x0205
TRAY_CALLBACK = 1025
FORM = "TarquelPasswordForm"
ABOVE = "Program in front runs as administrator: "
TOLD = ": Tarquel can't type into programs running as administrator"


class ElevatedWindows(harness.SessionTestCase):
    config = b""
    tarquel_debug = TRACE

    def text_drawn(self):
        log = self.session.tarquel_stderr.read_bytes().decode("latin-1")
        return [text for _, _, text in _TEXT_OUT.findall(log)]

    def told(self, program):
        line = f"Notification: {program} runs as administrator{TOLD}"
        return len([l for l in self.session.debug_lines() if line in l])

    def above(self, program):
        return len([l for l in self.session.debug_lines() if ABOVE + program in l])

    def test_each_program_above_us_is_told_once_and_the_menu_offers_a_restart(self):
        session = self.session
        session.wait_for_debug_line("Triggers loaded from config.txt")
        session.focus_notepad()
        session.wait_until(lambda: self.told("notepad.exe") == 1, "notepad to be told of")

        # The tray menu, opened as the shell would, holds the restart.
        session.xdotool("mousemove", 600, 900)
        self.assertEqual(
            session.post_message("TarquelApp", TRAY_CALLBACK, 0, WM_RBUTTONUP), "ok"
        )
        session.wait_until(
            lambda: "Restart as administrator" in self.text_drawn(), "the menu's restart item"
        )
        # Its top item, "Restore", closes it: a few pixels below the menu's top edge, inside
        # the first item whatever the number of items below it.
        session.choose_from_popup_menu(y_offset=10)
        session.wait_until(
            lambda: session.foreground_class() == "TarquelApp",
            "Tarquel's window in front",
            describe=session.foreground_class,
        )

        # Another program above us is told of too; back in notepad, notepad is not told again.
        form = session.start_wine(
            [Path(harness.Options.probe).resolve().parent / "e2e_password_field.exe"], "form"
        )
        try:
            session.wait_until(lambda: session.control_rect(FORM, 1), "the form")
            session.click_control(FORM, 1)
            session.wait_until(
                lambda: self.told("e2e_password_field.exe") == 1, "the form to be told of"
            )
            seen = self.above("notepad.exe")
            session.focus_notepad()
            session.wait_until(lambda: self.above("notepad.exe") > seen, "notepad in front again")
            session.clear_notepad()
            session.type(":demo")
            session.wait_for_notepad_text("Hello World")
            self.assertEqual(self.told("notepad.exe"), 1)
            self.assertEqual(self.told("e2e_password_field.exe"), 1)
        finally:
            session.end_process(form)
        # A standard user's Tarquel does not call itself administrator.
        self.assertNotIn("Administrator", self.text_drawn())


if __name__ == "__main__":
    harness.main()
