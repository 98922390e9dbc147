"""A clipboard owner that takes 3 s to render its text (e2e_slow_clipboard, beside the window
probe) while a paste-sized expansion goes out: saving the clipboard waits on it, and the keys
typed meanwhile are held, then arrive after the expansion and in order; the owner's text is
back on the clipboard afterwards."""

from pathlib import Path

import harness

# Longer than the paste threshold (100 characters), so that the expansion is pasted.
LONG = ("pasted while the owner renders; " * 6)[:150]
AFTER = " and every key after it"
# 23 keys over 4.6 s: longer than the owner takes to render.
TYPING_DELAY_MS = 200

CONFIG = (":slow=" + LONG + "\r\n").encode("utf-8")


class SlowClipboardOwner(harness.SessionTestCase):
    config = CONFIG

    def start_owner(self, name):
        helper = Path(harness.Options.probe).resolve().parent / "e2e_slow_clipboard.exe"
        process = self.session.start_wine([helper], name)
        output = self.session.scratch / f"{name}.out"
        self.session.wait_until(
            lambda: "ready" in output.read_text(), "the slow owner to hold the clipboard"
        )
        return process, output

    def test_keys_typed_while_the_clipboard_is_saved_arrive_after_the_expansion_in_order(self):
        owner, output = self.start_owner("slow_owner")
        try:
            self.session.focus_notepad()
            self.session.type(":slow")
            # Typed at a person's pace, so that keys keep coming for as long as the owner
            # renders and after it.
            typed = self.session.xdotool("type", "--delay", TYPING_DELAY_MS, "--", AFTER)
            self.assertEqual(typed.returncode, 0, typed.stderr)
            self.session.wait_for_notepad_text(LONG + AFTER, timeout=60)
            self.session.wait_for_debug_line("Expansion pasted: 150 characters")
            # Saving it asked the owner for its text; putting it back keeps that text.
            self.assertIn("rendered 1", output.read_text())
            self.session.wait_until(
                lambda: self.session.clipboard_text() == "the slow owner's text",
                "the clipboard to hold the owner's text again",
                describe=lambda: repr(self.session.clipboard_text()),
            )
        finally:
            self.session.end_process(owner)


if __name__ == "__main__":
    harness.main()
