"""Which trigger fires, and what arrives, for triggers that are hard to get right."""

import harness

CONFIG = (
    b":Sig=Best regards\r\n"
    # Two pairs of triggers of which one ends the other: the first in byte order wins.
    b":tb=colon sorts first\r\n"
    b"tb=letters sort later\r\n"
    b"7q=shorter sorts first\r\n"
    b"87q=longer sorts later\r\n"
    # cp1252: e acute is 0xE9, the euro sign 0x80; neither has a plain key on a US layout.
    b":eur=caf\xe9 5\x80\r\n"
    # The expansion ends with its own trigger.
    b":rep=again :rep\r\n"
)


class Matching(harness.SessionTestCase):
    config = CONFIG

    def test_upper_case_letter_of_a_trigger_needs_shift(self):
        # Every key arriving in notepad shows that none was swallowed: nothing expanded.
        self.session.type(":sig ")
        self.session.wait_for_notepad_text(":sig ")
        self.session.type(":Sig")
        self.session.wait_for_notepad_text(":sig Best regards")

    def test_longer_trigger_that_sorts_first_wins(self):
        self.session.type(":tb")
        self.session.wait_for_notepad_text("colon sorts first")
        self.session.wait_for_debug_line("Expander Triggered by: ':tb'")

    def test_shorter_trigger_that_sorts_first_wins(self):
        # "7q" replaces only the 7 and the q: the 8 before it stays.
        self.session.type("87q")
        self.session.wait_for_notepad_text("8shorter sorts first")
        self.session.wait_for_debug_line("Expander Triggered by: '7q'")

    def test_characters_without_a_plain_key_arrive_whole(self):
        self.session.type(":eur")
        self.session.wait_for_notepad_text("café 5€")

    def test_expansion_ending_with_its_trigger_expands_once_per_typing(self):
        trigger_line = "Expander Triggered by: ':rep'"
        before = len([line for line in self.session.debug_lines() if trigger_line in line])
        self.session.type(":rep")
        self.session.wait_for_notepad_text("again :rep")
        # The period is typed after the expansion's own keys: once it has arrived, any
        # expansion those keys could have set off would have been logged already.
        self.session.type(".")
        self.session.wait_for_notepad_text("again :rep.")
        self.session.type(":rep.")
        self.session.wait_for_notepad_text("again :rep.again :rep.")
        lines = [line for line in self.session.debug_lines() if trigger_line in line]
        self.assertEqual(len(lines) - before, 2)


if __name__ == "__main__":
    harness.main()
