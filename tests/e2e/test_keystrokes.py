"""Triggers typed the way people type: Caps Lock on, Shift still held, a click or another
window between the keys, more typing right behind the trigger, other keyboard layouts."""

import harness

BIG = ("Tarquel types long text exactly: café, Привет, 日本語, →, 😀 and ☕. " * 40)[:2000]
CONFIG = (
    ":demo=Hello World\r\n"
    ":CAPS=Hello World\r\n"
    ":upX=Hello World\r\n"
    ":big=" + BIG + "\r\n"
).encode("utf-8")


class KeyState(harness.SessionTestCase):
    config = CONFIG

    def test_caps_lock_on_leaves_the_expansion_as_written(self):
        session = self.session
        session.key("Caps_Lock")
        try:
            session.type(":caps")
            session.wait_for_notepad_text("Hello World")
            session.wait_for_debug_line("Expander Triggered by: ':CAPS'")
            session.type("x")
            session.wait_for_notepad_text("Hello WorldX")
        finally:
            session.key("Caps_Lock")
        session.type("y")
        session.wait_for_notepad_text("Hello WorldXy")

    def test_shift_held_through_the_last_key_types_no_capitals_and_stays_held(self):
        session = self.session
        session.type(":up")
        session._check(session.xdotool("keydown", "Shift_L"))
        try:
            session._check(session.xdotool("key", "x"))
            session.wait_for_notepad_text("Hello World")
            # Still held: the next key is a capital, as the user expects.
            session._check(session.xdotool("key", "z"))
            session.wait_for_notepad_text("Hello WorldZ")
        finally:
            session._check(session.xdotool("keyup", "Shift_L"))
        session.type("a")
        session.wait_for_notepad_text("Hello WorldZa")

    def test_a_click_between_the_keys_keeps_the_trigger_as_typed(self):
        session = self.session
        session.type(":de")
        session.focus_notepad()  # a click into the text
        session.type("mo.")
        session.wait_for_notepad_text(":demo.")
        self.assertEqual(session.debug_lines().count("Expander Triggered by: ':demo'\n"), 0)

    def test_another_window_between_the_keys_keeps_the_trigger_as_typed(self):
        session = self.session
        session.type(":de")
        session.wait_for_notepad_text(":de")
        self.assertEqual(session.activate("TarquelApp"), "ok")
        session.wait_until(lambda: session.foreground_class() == "TarquelApp", "tarquel in front")
        self.assertEqual(session.activate("Notepad"), "ok")
        session.wait_until(lambda: session.foreground_class() == "Notepad", "notepad in front")
        session.type("mo.")
        session.wait_for_notepad_text(":demo.")

    def test_typing_right_behind_the_trigger_arrives_after_the_expansion(self):
        session = self.session
        session._check(session.xdotool("type", "--delay", "5", ":demo, then more."))
        session.wait_for_notepad_text("Hello World, then more.")

    def test_two_thousand_characters_arrive_exactly(self):
        session = self.session
        session.type(":big")
        session.wait_for_notepad_text(BIG, timeout=180)


class ExcludedProgram(harness.SessionTestCase):
    """settings.txt names notepad: nothing expands there, and the rest of the file stays."""

    config = b":demo=Hello World\r\n"
    with_tarquel = False

    @classmethod
    def prepare_session(cls):
        (cls.session.scratch / "settings.txt").write_bytes(
            b"toggle_shortcut=Ctrl+Shift+F12\r\nexclude=NOTEPAD.EXE\r\n"
        )
        cls.session.start_tarquel()

    def test_nothing_expands_in_an_excluded_program(self):
        self.session.type(":demo.")
        self.session.wait_for_notepad_text(":demo.")
        self.assertNotIn("Expander Triggered by: ':demo'\n", self.session.debug_lines())


class ExcludedAsWrittenByHand(harness.SessionTestCase):
    """settings.txt as Notepad may save it (a byte-order mark, UTF-16, a blank after the name)
    and exclude= by window class: nothing expands in notepad either way."""

    config = b":demo=Hello World\r\n"
    with_tarquel = False

    def start_with_settings(self, data):
        self.session.stop_tarquel()
        (self.session.scratch / "settings.txt").write_bytes(data)
        self.session.start_tarquel()
        self.session.focus_notepad()

    def assert_nothing_expands(self):
        triggered = self.session.debug_lines().count("Expander Triggered by: ':demo'\n")
        self.session.type(":demo.")
        self.session.wait_for_notepad_text(":demo.")
        self.assertEqual(
            self.session.debug_lines().count("Expander Triggered by: ':demo'\n"), triggered
        )

    def test_utf8_with_a_byte_order_mark_and_a_blank_after_the_name(self):
        self.start_with_settings(b"\xef\xbb\xbfexclude=notepad.exe \r\n")
        self.assert_nothing_expands()

    def test_utf16_naming_the_window_class(self):
        self.start_with_settings("exclude = class:Notepad\r\n".encode("utf-16"))
        self.assert_nothing_expands()

    def test_a_class_that_is_not_notepads_excludes_nothing_there(self):
        self.start_with_settings(b"exclude=class:SomethingElse\r\nexclude=package:Notepad\r\n")
        self.session.type(":demo.")
        self.session.wait_for_notepad_text("Hello World.")


class GermanKeyboard(harness.SessionTestCase):
    """Wine takes the X server's layout when its processes start. (Wine 8 reports the US
    layout handle and its VkKeyScan table whatever the X layout, but translates keys through the
    X keymap, which is what counts here.)"""

    keyboard_layout = "de"
    config = b":demo=Hello World\r\n:#1=hash\r\n"

    def test_demo_typed_with_shift_and_period_expands(self):
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")

    def test_a_trigger_with_the_hash_key_expands(self):
        # "#" has a key of its own there, the one US keyboards use for "/".
        self.session.type(":#1")
        self.session.wait_for_notepad_text("hash")


class FrenchKeyboard(harness.SessionTestCase):
    """On AZERTY ":" is a key of its own, where US keyboards have "/", and so is "!"."""

    keyboard_layout = "fr"
    config = b":demo=Hello World\r\n:ok!=fine\r\n"

    def test_demo_expands(self):
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")

    def test_a_trigger_with_the_exclamation_key_expands(self):
        self.session.type(":ok!")
        self.session.wait_for_notepad_text("fine")


if __name__ == "__main__":
    harness.main()
