"""Keys and pauses in an expansion, in a form with two fields (e2e_two_fields beside the window
probe) where Tab and Shift+Tab move between them: the text before a {{key:Tab}} stays in the
first field and the rest lands in the second, read back with WM_GETTEXT; a pasted text keeps
its place before the key. A second form, of a window class settings.txt paces, still gets every
key and the paste, its keys coming no faster than the pace. The form prints each character it
gets with the field and the message's time."""

import re
from pathlib import Path

import harness

FORM = "TarquelTwoFields"
PACED_FORM = "TarquelPacedFields"
KEY_DELAY_MS = 40
PASTE_DELAY_MS = 300
LONG = "0123456789" * 12  # pasted: longer than the threshold
_CHAR = re.compile(r"char=([0-9A-F]{4}) id=(\d+) time=(\d+)")


class KeysInExpansion(harness.SessionTestCase):
    config = (
        b":tab=first{{key:Tab}}second\r\n"
        b":back=one{{key:Tab}}{{delay:300}}two{{key:Shift+Tab}}{{key:End}}!\r\n"
        b":long=" + LONG.encode() + b"{{key:Tab}}after\r\n"
        b":paced=abcdefgh{{key:Tab}}" + LONG.encode() + b"\r\n"
        b":odd={{key:Nope}}x{{key:Tab:0}}\r\n"
    )
    with_tarquel = False

    @classmethod
    def prepare_session(cls):
        (cls.session.scratch / "settings.txt").write_bytes(
            f"pace=class:{PACED_FORM} {KEY_DELAY_MS} {PASTE_DELAY_MS}\r\n".encode()
        )
        cls.session.start_tarquel()

    def setUp(self):
        super().setUp()
        self.form_class = FORM
        self.form = None

    def tearDown(self):
        if self.form is not None:
            self.session.end_process(self.form)
        super().tearDown()

    def open_form(self, window_class):
        helper = Path(harness.Options.probe).resolve().parent / "e2e_two_fields.exe"
        self.form_class = window_class
        self.name = f"fields{self.id().rsplit('.', 1)[-1][:24]}"
        self.form = self.session.start_wine([helper, window_class], self.name)
        self.session.wait_until(lambda: "ready" in self.output(), "the form")

        # No window manager: a click into the field gives it the focus, X's included. The
        # form must also be Windows' foreground window: the paste's reader is judged by it.
        def click_and_check():
            self.session.click_control(window_class, 1)
            return (
                self.session.foreground_class() == window_class
                and self.session.focused_control(window_class) == 1
            )

        self.session.wait_until(
            click_and_check,
            "the form in front with its first field focused",
            describe=self.session.foreground_class,
        )

    def output(self):
        path = self.session.scratch / f"{self.name}.out"
        return path.read_text() if path.exists() else ""

    def chars(self):
        """(character, field id, message time) of every character the form got."""
        return [(chr(int(c, 16)), int(i), int(t)) for c, i, t in _CHAR.findall(self.output())]

    def fields(self):
        return tuple(self.session.dialog_item_text(self.form_class, i) for i in (1, 2))

    def wait_for_fields(self, first, second):
        self.session.wait_until(
            lambda: self.fields() == (first, second),
            f"the fields to hold {first!r} and {second!r}",
            describe=self.fields,
        )

    def test_tab_moves_to_the_second_field_and_the_rest_lands_there(self):
        self.open_form(FORM)
        self.session.type(":tab")
        self.wait_for_fields("first", "second")
        self.assertEqual(self.session.focused_control(FORM), 2)

    def test_shift_tab_end_and_a_delay_go_out_in_order(self):
        self.open_form(FORM)
        self.session.type(":back")
        # Shift+Tab selects the first field's text; End puts the caret after it.
        self.wait_for_fields("one!", "two")
        self.assertEqual(self.session.focused_control(FORM), 1)

    def test_a_pasted_text_keeps_its_place_before_the_key(self):
        self.open_form(FORM)
        self.session.type(":long")
        self.wait_for_fields(LONG, "after")
        self.session.wait_for_debug_line(f"Expansion pasted: {len(LONG)} characters")

    def test_unknown_key_names_are_typed_as_written(self):
        self.open_form(FORM)
        self.session.type(":odd")
        self.wait_for_fields("{{key:Nope}}x{{key:Tab:0}}", "")

    def test_a_paced_program_gets_every_key_and_the_paste_at_its_pace(self):
        self.open_form(PACED_FORM)
        self.session.type(":paced")
        self.wait_for_fields("abcdefgh", LONG)
        chars = self.chars()
        # What came after the Backspaces: the trigger's own letters were typed before them.
        last_back = max(i for i, (c, _, _) in enumerate(chars) if c == "\b")
        typed = [(c, t) for c, field, t in chars[last_back + 1 :] if field == 1 and c in "abcdefgh"]
        self.assertEqual("".join(c for c, _ in typed), "abcdefgh")
        # Paced, the eight keys span seven pauses; unpaced they would come within a few
        # milliseconds. A single gap says little: the message times are stamped when the
        # system queues a key, so one key held up by a busy machine shortens the next gap.
        # Over the whole run that only moves the ends, so half the paced span is a safe floor.
        gaps = [b - a for (_, a), (_, b) in zip(typed, typed[1:])]
        span = typed[-1][1] - typed[0][1]
        self.assertGreaterEqual(span, len(gaps) * KEY_DELAY_MS // 2, f"gaps {gaps}")


if __name__ == "__main__":
    harness.main()
