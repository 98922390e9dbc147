"""A config.txt above 64 MiB: refused at start with a message, left untouched, and written over
only once the user has changed a trigger and agreed."""

import os

import harness

APP = "TarquelApp"
LIST_BOX_ID = 101
TRIGGER_FIELD_ID = 102
EXPANSION_FIELD_ID = 103
ADD_BUTTON_ID = 104
MESSAGE_BOX = "#32770"
MESSAGE_BOX_TEXT_ID = 65535
WM_COMMAND = 0x0111
IDOK, IDYES, IDNO = 1, 6, 7
SIZE = (64 << 20) + 1
HEAD = b":demo=Hello World\r\n"


class OversizedConfig(harness.SessionTestCase):
    config = None
    with_tarquel = False

    @classmethod
    def prepare_session(cls):
        path = cls.session.scratch / "config.txt"
        path.write_bytes(HEAD)
        # Sparse where the file system allows: 64 MiB of zeros without writing them.
        os.truncate(path, SIZE)
        cls.session.start_tarquel()

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    def box_text(self):
        return self.session.wait_until(
            lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID), "a message box"
        )

    def answer_box(self, button):
        self.assertEqual(self.session.post_message(MESSAGE_BOX, WM_COMMAND, button, 0), "ok")
        self.session.wait_until(
            lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID) is None,
            "the message box to close",
        )

    def add(self, trigger, expansion):
        for control_id, text in ((TRIGGER_FIELD_ID, trigger), (EXPANSION_FIELD_ID, expansion)):
            self.session.click_control(APP, control_id)
            self.session.type(text)
            self.session.wait_until(
                lambda: self.session.dialog_item_text(APP, control_id) == text,
                f"field {control_id} to hold {text!r}",
            )
        self.session.click_control(APP, ADD_BUTTON_ID)

    def assert_file_untouched(self):
        self.assertEqual(self.config_path.stat().st_size, SIZE)
        with open(self.config_path, "rb") as f:
            self.assertEqual(f.read(len(HEAD)), HEAD)

    def refused_at_start_then_a_change_declined(self, text, reason):
        """The start-up box `text` says `reason`; nothing is loaded, the file stays as it was,
        and an ADD declined in the box that follows works in memory only."""
        self.assertIn(reason, text)
        self.assertIn("It is left as it is", text)
        self.answer_box(IDOK)
        self.assertEqual(self.session.list_rows(APP, LIST_BOX_ID), [])
        self.assert_file_untouched()

        self.add("sig", "Best regards")
        self.assertIn("Replace it with the triggers shown in Tarquel?", self.box_text())
        self.answer_box(IDNO)
        self.session.wait_until(
            lambda: self.session.list_rows(APP, LIST_BOX_ID) == [":sig  ->  Best regards"],
            "the new row",
        )

    def test_refused_at_start_and_written_over_only_once_the_user_agrees(self):
        self.refused_at_start_then_a_change_declined(self.box_text(),
                                                     "config.txt is larger than 64 MiB")
        self.session.clear_notepad()
        self.session.type(":sig")
        self.session.wait_for_notepad_text("Best regards")
        self.assert_file_untouched()
        self.assertFalse((self.session.scratch / "config.txt.bak").exists())

        # A change agreed replaces the file and keeps the old one whole.
        self.add("mail", "me@example.org")
        self.box_text()
        self.answer_box(IDYES)
        expected = b":mail=me@example.org\r\n:sig=Best regards\r\n"
        self.session.wait_until(
            lambda: self.config_path.read_bytes() == expected if self.config_path.stat().st_size
            < 1000 else False,
            "config.txt to hold the table",
        )
        backup = self.session.scratch / "config.txt.bak"
        self.assertEqual(backup.stat().st_size, SIZE)


class TooManyEntries(OversizedConfig):
    """A config.txt within 64 MiB but of more than 1,000,000 triggers: refused at start like
    one too large, and left as it is."""

    # One entry more than the bound: 1,000,001 short lines, about 15 MB.
    ENTRIES = 1_000_001

    @classmethod
    def prepare_session(cls):
        path = cls.session.scratch / "config.txt"
        path.write_bytes(HEAD + b"".join(b":t%07d=x\r\n" % n for n in range(cls.ENTRIES - 1)))
        cls.size = path.stat().st_size
        cls.session.start_tarquel()

    def assert_file_untouched(self):
        self.assertEqual(self.config_path.stat().st_size, self.size)
        with open(self.config_path, "rb") as f:
            self.assertEqual(f.read(len(HEAD)), HEAD)

    def test_refused_at_start_and_written_over_only_once_the_user_agrees(self):
        # Parsing up to the bound takes a while under Wine: the box comes when it is done.
        text = self.session.wait_until(
            lambda: self.session.dialog_item_text(MESSAGE_BOX, MESSAGE_BOX_TEXT_ID),
            "a message box",
            timeout=180,
        )
        self.refused_at_start_then_a_change_declined(
            text, "config.txt holds more than 1000000 triggers")
        self.assert_file_untouched()
        self.assertFalse((self.session.scratch / "config.txt.bak").exists())


if __name__ == "__main__":
    harness.main()
