"""Undo with Backspace after a two-line expansion pasted into a single-line Edit control
(e2e_single_line_edit, beside the window probe), which keeps only the first line: the field does
not show the expansion, so Backspace takes nothing back and erases nothing typed before the
trigger; it is an ordinary Backspace."""

from pathlib import Path

import harness

CONFIG = b":two=line one{{newline}}line two\r\n"
WINDOW = "TarquelSingleLine"


class UndoInASingleLineEdit(harness.SessionTestCase):
    config = CONFIG

    def setUp(self):
        super().setUp()
        helper = Path(harness.Options.probe).resolve().parent / "e2e_single_line_edit.exe"
        self.field_owner = self.session.start_wine([helper], "single_line")
        output = self.session.scratch / "single_line.out"
        self.session.wait_until(
            lambda: output.exists() and "ready" in output.read_text(),
            "the single-line window to be shown",
        )
        windows = self.session.wait_until(
            lambda: self.session.find_windows(name="^single line$"), "the window's X window"
        )

        # No window manager: a click into the field gives it the focus, X's included.
        def click_and_check():
            self.session.xdotool("mousemove", "--window", windows[0], 100, 110, "click", "1")
            return self.session.foreground_class() == WINDOW

        self.session.wait_until(
            click_and_check,
            "the single-line window to have the focus",
            describe=self.session.foreground_class,
        )

    def tearDown(self):
        self.session.end_process(self.field_owner)
        super().tearDown()

    def field_text(self):
        return self.session.window_text(WINDOW, "Edit")

    def wait_for_field_text(self, expected):
        self.session.wait_until(
            lambda: self.field_text() == expected,
            f"the field to hold {expected!r}",
            describe=lambda: repr(self.field_text()),
        )

    def test_backspace_after_a_paste_cut_to_its_first_line_erases_nothing_typed_before(self):
        self.session.type("before :two")
        self.session.wait_for_debug_line("Expansion pasted: ")
        self.wait_for_field_text("before line one")
        self.session.key("BackSpace")
        self.session.wait_for_debug_line("Expansion not taken back: the field does not show it")
        self.wait_for_field_text("before line on")


if __name__ == "__main__":
    harness.main()
