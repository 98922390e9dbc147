"""config.txt as people and other editors write it decides what expands."""

import harness

CONFIG = (
    # Spaces around "=" belong to the trigger and to the expansion.
    b":sp = spaced\r\n"
    # Lone LF line ends, as Unix editors write them.
    b":lf=line feed\n"
    b":dup=first\n"
    b":eq=a=b\n"
    b"=no trigger\n"
    b"no equals sign\n"
    b"\n"
    # The later of two lines with the same trigger wins.
    b":dup=second\r\n"
    # A byte 0x1A ends the text, here in the middle of a line without a line end.
    b":z=last line\x1a\r\n"
    b":after=never read\r\n"
)


class ConfigFile(harness.SessionTestCase):
    config = CONFIG

    def test_spaces_around_the_equals_sign_are_part_of_trigger_and_expansion(self):
        self.session.type(":sp")
        self.session.wait_for_notepad_text(":sp")
        self.session.type(" ")
        self.session.wait_for_notepad_text(" spaced")

    def test_line_with_a_lone_line_feed_end_expands(self):
        self.session.type(":lf")
        self.session.wait_for_notepad_text("line feed")

    def test_later_duplicate_trigger_wins(self):
        self.session.type(":dup")
        self.session.wait_for_notepad_text("second")

    def test_expansion_keeps_every_equals_sign_after_the_first(self):
        self.session.type(":eq")
        self.session.wait_for_notepad_text("a=b")

    def test_line_cut_by_ctrl_z_expands_and_nothing_after_it_does(self):
        self.session.type(":z")
        self.session.wait_for_notepad_text("last line")
        self.session.type(" :after")
        self.session.wait_for_notepad_text("last line :after")

    def test_default_triggers_are_not_added_to_a_file_with_entries(self):
        self.session.type(":demo")
        self.session.wait_for_notepad_text(":demo")


if __name__ == "__main__":
    harness.main()
