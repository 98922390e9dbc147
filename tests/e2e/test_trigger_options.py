"""Triggers with options in notepad: ending characters kept or dropped, word start, case
conformed, a group switched off and on, a group limited to another program."""

import harness

RELOADED = "Triggers reloaded from config.txt"

WORDS = (
    b":demo=Hello World\r\n"
    b"\r\n"
    b"[group Words: word start, after ending, conform case]\r\n"
    b"btw=by the way\r\n"
    b"(options: drop ending)\r\n"
    b"ar=aristocrat\r\n"
    b"[group Mail: only in outlook.exe, word start, after ending]\r\n"
    b"sig=Regards\r\n"
)
PAUSED = b"[group Paused: off, word start, after ending]\r\ngof=group text\r\n"


class TriggerOptions(harness.SessionTestCase):
    config = WORDS + PAUSED

    def triggered(self, trigger):
        return sum(f"Expander Triggered by: '{trigger}'" in line for line in self.session.debug_lines())

    def stays(self, typed, trigger):
        """Every key of `typed` arrives as typed and nothing fires."""
        before = self.triggered(trigger)
        self.session.clear_notepad()
        self.session.type(typed)
        self.session.wait_for_notepad_text(typed)
        # A trigger that fires after its last key: the expansion would have been asked for by
        # the time a key typed after it has arrived.
        self.session.type("|")
        self.session.wait_for_notepad_text(typed + "|")
        self.assertEqual(self.triggered(trigger), before)

    def expands(self, typed, expected):
        self.session.clear_notepad()
        self.session.type(typed)
        self.session.wait_for_notepad_text(expected)

    def test_ending_character_completes_the_trigger_and_is_kept(self):
        self.expands("btw ", "by the way ")
        self.expands("btw.", "by the way.")
        self.expands("(btw)", "(by the way)")

    def test_enter_ends_the_trigger_and_still_makes_its_new_line(self):
        self.session.clear_notepad()
        self.session.type("BTW")
        self.session.key("Return")
        self.session.wait_for_notepad_text("BY THE WAY\r\n")
        self.session.type("btw")
        self.session.key("Tab")
        self.session.wait_for_notepad_text("BY THE WAY\r\nby the way\t")

    def test_trigger_inside_a_word_does_not_fire(self):
        self.stays("abtw ", "btw")
        self.stays("btwx ", "btw")

    def test_capitals_typed_give_capitals_out(self):
        self.expands("Btw ", "By the way ")
        self.expands("BTW ", "BY THE WAY ")

    def test_dropped_ending_lets_the_word_go_on(self):
        self.expands("ar ", "aristocrat")
        self.session.type("s ")
        self.session.wait_for_notepad_text("aristocrats ")

    def test_group_only_in_another_program_does_not_expand_in_notepad(self):
        self.stays("sig ", "sig")

    def test_group_switched_off_does_not_expand_and_switched_on_does(self):
        self.stays("gof ", "gof")
        reloads = sum(RELOADED in line for line in self.session.debug_lines())
        (self.session.scratch / "config.txt").write_bytes(
            WORDS + PAUSED.replace(b"Paused: off,", b"Paused: on,")
        )
        self.session.wait_for_debug_line(RELOADED, count=reloads + 1)
        self.expands("gof ", "group text ")
        (self.session.scratch / "config.txt").write_bytes(WORDS + PAUSED)
        self.session.wait_for_debug_line(RELOADED, count=reloads + 2)
        self.stays("gof ", "gof")

    def test_entry_without_options_still_fires_at_once(self):
        self.expands("x:demo", "xHello World")


if __name__ == "__main__":
    harness.main()
