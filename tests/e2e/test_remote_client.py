"""A window of a program listed as a remote or virtual machine client (press_keys_in= in
settings.txt; e2e_key_recorder beside the window probe stands in for mstsc.exe): the expansion
arrives as key presses of the layout with their scan codes, never as Unicode character events
(VK_PACKET), which remote clients drop; the Backspaces carry theirs, the arrows the extended
flag. The recorder prints every key-down its edit field gets."""

import re
from pathlib import Path

import harness

RECORDER = "TarquelKeyRecorder"
FIELD_ID = 1
VK_BACK, VK_LEFT, VK_PACKET = 0x08, 0x25, 0xE7
_DOWN = re.compile(r"down vk=([0-9A-F]{2}) scan=([0-9A-F]{2}) extended=([01])")


class RemoteClient(harness.SessionTestCase):
    config = b":demo=Hello World\r\n:cur=ab{{cursor}}cd\r\n"
    with_tarquel = False

    @classmethod
    def prepare_session(cls):
        (cls.session.scratch / "settings.txt").write_bytes(
            b"press_keys_in=e2e_key_recorder.exe\r\n"
        )
        cls.session.start_tarquel()

    def setUp(self):
        super().setUp()
        helper = Path(harness.Options.probe).resolve().parent / "e2e_key_recorder.exe"
        self.name = f"recorder{self.id().rsplit('.', 1)[-1][:24]}"
        self.recorder = self.session.start_wine([helper], self.name)
        self.session.wait_until(lambda: "ready" in self.output(), "the recording window")
        self.session.click_control(RECORDER, FIELD_ID)
        self.session.wait_until(
            lambda: self.session.foreground_class() == RECORDER,
            "the recording window in front",
            describe=self.session.foreground_class,
        )

    def tearDown(self):
        self.session.end_process(self.recorder)
        super().tearDown()

    def output(self):
        path = self.session.scratch / f"{self.name}.out"
        return path.read_text() if path.exists() else ""

    def downs(self):
        """(virtual key, scan code, extended) of every key-down the field got."""
        return [(int(v, 16), int(s, 16), e == "1") for v, s, e in _DOWN.findall(self.output())]

    def field_text(self):
        return self.session.dialog_item_text(RECORDER, FIELD_ID)

    def expand(self, trigger, text):
        self.session.type(trigger)
        self.session.wait_until(
            lambda: self.field_text() == text, f"{text!r} in the field", describe=self.field_text
        )
        return self.downs()

    def test_the_expansion_arrives_as_key_presses_with_scan_codes(self):
        downs = self.expand(":demo", "Hello World")
        self.assertNotIn(VK_PACKET, [vk for vk, _, _ in downs], "a Unicode character event")
        self.assertEqual([d for d in downs if d[0] == VK_BACK], [(VK_BACK, 0x0E, False)] * 4)
        self.assertEqual([d for d in downs if d[1] == 0], [], "key-downs without a scan code")
        # The letters of "Hello World" as their keys: H, e, l, l, o, space, W, ...
        keys = [vk for vk, _, _ in downs]
        self.assertIn(ord("H"), keys)
        self.assertGreaterEqual(keys.count(ord("L")), 3)

    def test_the_cursor_placeholder_moves_back_with_extended_arrows(self):
        downs = self.expand(":cur", "abcd")
        self.assertNotIn(VK_PACKET, [vk for vk, _, _ in downs])
        self.assertEqual([d for d in downs if d[0] == VK_LEFT], [(VK_LEFT, 0x4B, True)] * 2)


if __name__ == "__main__":
    harness.main()
