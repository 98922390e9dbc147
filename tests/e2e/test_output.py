"""Long, multi-line and live expansions in notepad: pasted through the clipboard (which comes
back exactly), line breaks, {{cursor}}, {{clipboard}}, {{date:%Y}}, and undo with Backspace."""

import time

import harness

# 2,000 characters, "€" and "ü" among them, so that the paste is checked beyond ASCII.
BIG = ("Tarquel pastes long text: \u20ac\u00fc " * 100)[:2000]
assert len(BIG) == 2000

CONFIG = (
    ":demo=Hello World\r\n"
    ":big=" + BIG + "\r\n"
    ":lines=first line{{newline}}second line{{newline}}third line\r\n"
    ":cur=Dear {{cursor}}, thanks\r\n"
    ":clip=[{{clipboard}}]\r\n"
    ":year=({{date:%Y}})\r\n"
).encode("utf-8")


class LongAndLiveExpansions(harness.SessionTestCase):
    config = CONFIG

    def test_long_expansion_arrives_exactly_and_the_clipboard_comes_back(self):
        self.session.clipboard_put("what the user copied \u2713", bitmap=True)
        before = self.session.clipboard_digest()
        self.assertIn(" 2:", " " + before, "the bitmap to be on the clipboard")
        self.session.type(":big")
        self.session.wait_for_notepad_text(BIG)
        self.session.wait_for_debug_line("Expansion pasted: 2000 characters")
        self.session.wait_until(
            lambda: self.session.clipboard_digest() == before,
            "the clipboard to hold what it held before",
            describe=lambda: f"before {before}; now {self.session.clipboard_digest()}",
        )
        self.assertEqual(self.session.clipboard_text(), "what the user copied \u2713")

    def test_multi_line_expansion_arrives_as_lines(self):
        self.session.type(":lines")
        self.session.wait_for_notepad_text("first line\r\nsecond line\r\nthird line")

    def test_cursor_puts_the_next_typed_characters_in_its_place(self):
        self.session.type(":cur")
        self.session.wait_for_notepad_text("Dear , thanks")
        self.session.type("Bob")
        self.session.wait_for_notepad_text("Dear Bob, thanks")

    def test_clipboard_placeholder_gives_the_clipboards_text(self):
        self.session.clipboard_put("copied words")
        self.session.type(":clip")
        self.session.wait_for_notepad_text("[copied words]")

    def test_date_placeholder_gives_the_year(self):
        before = time.localtime().tm_year
        self.session.type(":year")
        # Around midnight on 31 December either year is right.
        self.session.wait_until(
            lambda: self.session.notepad_text() in (f"({before})", f"({time.localtime().tm_year})"),
            "notepad to hold the year",
            describe=self.session.notepad_text,
        )

    def test_backspace_right_after_an_expansion_takes_it_back(self):
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")
        self.session.key("BackSpace")
        self.session.wait_for_notepad_text(":demo")
        self.session.wait_for_debug_line("Expansion taken back: ':demo'")
        # Once only: the next Backspace is an ordinary one.
        self.session.key("BackSpace")
        self.session.wait_for_notepad_text(":dem")

    def test_backspace_after_another_key_is_an_ordinary_backspace(self):
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")
        self.session.type("!")
        self.session.key("BackSpace")
        self.session.wait_for_notepad_text("Hello World")

    def test_backspace_takes_back_a_pasted_multi_line_expansion(self):
        self.session.type("x :lines")
        self.session.wait_for_notepad_text("x first line\r\nsecond line\r\nthird line")
        self.session.key("BackSpace")
        self.session.wait_for_notepad_text("x :lines")


if __name__ == "__main__":
    harness.main()
