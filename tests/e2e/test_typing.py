"""Typing into notepad with the default triggers (config.txt empty): what a person sees."""

import harness


class TypingWithDefaultTriggers(harness.SessionTestCase):
    config = b""

    def test_demo_becomes_hello_world_and_tells_the_debugger(self):
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")
        self.session.wait_for_debug_line("Expander Triggered by: ':demo'")

    def test_only_the_trigger_is_replaced(self):
        self.session.type("Say :demo")
        self.session.wait_for_notepad_text("Say Hello World")

    def test_mail_types_the_at_sign_with_shift(self):
        self.session.type(":mail")
        self.session.wait_for_notepad_text("someone@example.com")
        self.session.wait_for_debug_line("Expander Triggered by: ':mail'")

    def test_trigger_finished_after_an_arrow_key_stays_as_typed(self):
        # The caret moved: the Backspaces of an expansion would erase the wrong characters.
        self.session.type(":de")
        self.session.key("Left", "Right")
        self.session.type("mo ")
        self.session.wait_for_notepad_text(":demo ")
        self.session.type(":demo")
        self.session.wait_for_notepad_text(":demo Hello World")

    def test_backspace_inside_a_trigger_takes_back_the_typo(self):
        self.session.type(":dex")
        self.session.key("BackSpace")
        self.session.type("mo")
        self.session.wait_for_notepad_text("Hello World")

    def test_backspace_takes_the_character_out_of_the_trigger_too(self):
        # Were the m still buffered, the o would complete ":demo" and be swallowed.
        self.session.type(":dem")
        self.session.key("BackSpace")
        self.session.type("o")
        self.session.wait_for_notepad_text(":deo")

if __name__ == "__main__":
    harness.main()
