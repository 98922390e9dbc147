"""config.txt in the encodings editors save it in: read for what it says, and rewritten as UTF-8
by the first change, with the old bytes kept beside it as config.txt.bak. A UTF-8 file with a
byte-order mark keeps it, and needs no copy.

One session; each case starts tarquel.exe anew over a config.txt of its own.
"""

import harness

APP = "TarquelApp"
LIST_BOX_ID = 101

TEXT = ":u16=sixteen bits\r\n:demo=Hello World\r\n"


class ConfigEncodings(harness.SessionTestCase):
    config = b""

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    @property
    def backup_path(self):
        return self.session.scratch / "config.txt.bak"

    def start_over(self, config):
        self.session.stop_tarquel()
        self.backup_path.unlink(missing_ok=True)
        self.session.write_config(config)
        self.session.start_tarquel()
        self.session.wait_until(
            lambda: self.session.list_rows(APP, LIST_BOX_ID) is not None,
            "the main window with its list",
        )
        self.session.clear_notepad()

    def expands(self, trigger, expansion):
        self.session.clear_notepad()
        self.session.type(trigger)
        self.session.wait_for_notepad_text(expansion)

    def add(self, trigger, expansion):
        self.session.add_trigger(trigger, expansion, until_taken=False)

    def wait_for_config(self, expected):
        def read():
            return self.config_path.read_bytes() if self.config_path.exists() else None

        self.session.wait_until(
            lambda: read() == expected, f"config.txt to hold {expected!r}", describe=read
        )

    def test_utf16_le_file_with_a_mark_loads_and_its_trigger_expands(self):
        original = b"\xff\xfe" + TEXT.encode("utf-16-le")
        self.start_over(original)
        self.expands(":u16", "sixteen bits")
        self.add("new", "entry")
        self.wait_for_config(b":u16=sixteen bits\r\n:demo=Hello World\r\n:new=entry\r\n")
        self.assertEqual(self.backup_path.read_bytes(), original)

    def test_utf16_be_file_with_a_mark_loads_and_its_trigger_expands(self):
        self.start_over(b"\xfe\xff" + TEXT.encode("utf-16-be"))
        self.expands(":u16", "sixteen bits")

    def test_utf8_mark_is_not_part_of_the_first_trigger(self):
        self.start_over(b"\xef\xbb\xbf:bom=no mark\r\n")
        self.expands(":bom", "no mark")
        self.add("new", "entry")
        self.wait_for_config(b"\xef\xbb\xbf:bom=no mark\r\n:new=entry\r\n")
        self.assertFalse(self.backup_path.exists())

    def test_ansi_file_of_1_0_is_saved_as_utf8_after_add_and_the_old_bytes_kept(self):
        original = b":cafe=caf\xe9\r\n"
        self.start_over(original)
        self.add("new", "entry")
        self.wait_for_config(b":cafe=caf\xc3\xa9\r\n:new=entry\r\n")
        self.assertEqual(self.backup_path.read_bytes(), original)
        self.expands(":new", "entry")

    def test_ansi_file_of_1_0_still_expands_to_cafe_before_and_after_add(self):
        self.start_over(b":cafe=caf\xe9\r\n")
        self.expands(":cafe", "caf\u00e9")
        self.add("new", "entry")
        self.wait_for_config(b":cafe=caf\xc3\xa9\r\n:new=entry\r\n")
        self.expands(":cafe", "caf\u00e9")


if __name__ == "__main__":
    harness.main()
