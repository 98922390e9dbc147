"""A paste-sized expansion while the clipboard or the target makes it hard, with the helper
programs of e2e_slow_clipboard (beside the window probe): a clipboard owner that takes 3 s to
render, one that never renders, a program holding the clipboard open for 2 s, a clipboard
monitor that reads every change first, and a target that pastes 3 s after Ctrl+V. In each the
expansion arrives exactly once, the keys typed meanwhile arrive after it and in order, no key is
left down, and the clipboard afterwards holds what it held before. A {{clipboard}} whose owner
takes 3 s goes out empty rather than holding the expansion and the keys behind it."""

from pathlib import Path

import harness

# Longer than the paste threshold (100 characters), so that the expansion would be pasted.
LONG = ("pasted while the owner renders; " * 6)[:150]
AFTER = " and every key after it"
# 23 keys over 4.6 s: longer than any of the helpers takes.
TYPING_DELAY_MS = 200
USERS_TEXT = "what the user copied \u2713"
# Generous, and well below the 30 s a paste nobody reads holds the user's clipboard.
CLIPBOARD_BACK_AFTER_READ_S = 10

# Short enough to be typed: the clipboard's text is all it waits on.
CLIP_BEFORE = "from the clipboard: ["
CLIP_AFTER = "] as it came"

CONFIG = (
    ":slow=" + LONG + "\r\n:cb=" + CLIP_BEFORE + "{{clipboard}}" + CLIP_AFTER + "\r\n"
).encode("utf-8")


def hex_of(text):
    return "".join(f"{ord(c):04x}" for c in text)


class SlowClipboardAndTarget(harness.SessionTestCase):
    config = CONFIG

    def start_helper(self, name, *args):
        helper = Path(harness.Options.probe).resolve().parent / "e2e_slow_clipboard.exe"
        process = self.session.start_wine([helper, *args], name)
        self.addCleanup(self.session.end_process, process)
        output = self.session.scratch / f"{name}.out"
        self.session.wait_until(lambda: "ready" in output.read_text(), f"{name} to be in place")
        return output

    def focus_target(self):
        """Clicks into the late target's Edit: without a window manager, a click is what gives
        a window the X focus, which typed keys follow."""

        def click_and_check():
            windows = self.session.find_windows(name="^Late paste target$")
            if not windows:
                return False
            self.session.xdotool("mousemove", "--window", windows[0], 60, 80, "click", "1")
            return harness.wait_until(
                lambda: self.session.foreground_class() == "TarquelLateTarget",
                "the late target in front",
                timeout=3,
            )

        self.session.wait_until(
            harness._ignoring(TimeoutError, click_and_check),
            "the late target in front",
            describe=self.session.foreground_class,
        )

    def type_trigger_and_more(self):
        self.session.type(":slow")
        # At a person's pace, so that keys keep coming for as long as the helper takes.
        typed = self.session.xdotool("type", "--delay", TYPING_DELAY_MS, "--", AFTER)
        self.assertEqual(typed.returncode, 0, typed.stderr)

    def user_copies(self):
        self.session.clipboard_put(USERS_TEXT, bitmap=True)
        before = self.session.clipboard_digest()
        self.assertIn(" 2:", " " + before, "the bitmap to be on the clipboard")
        return before

    def wait_for_clipboard(self, before, timeout=harness.DEFAULT_TIMEOUT):
        self.session.wait_until(
            lambda: self.session.clipboard_digest() == before,
            "the clipboard to hold what it held before",
            timeout=timeout,
            describe=lambda: f"before {before}; now {self.session.clipboard_digest()}",
        )
        self.assertEqual(self.session.clipboard_text(), USERS_TEXT)

    def check_no_key_down(self):
        self.session.wait_until(
            lambda: self.session.keys_down() == [],
            "no key to be down",
            timeout=5,
            describe=self.session.keys_down,
        )

    def check_arrived_once(self, text):
        self.assertEqual(text, LONG + AFTER)
        self.assertEqual(text.count(LONG), 1)

    def check_owner_promise_stands(self, output):
        """The slow owner's text is still what the clipboard gives, rendered by the owner."""
        self.session.wait_until(
            lambda: self.session.clipboard_text() == "the slow owner's text",
            "the clipboard to hold the owner's text",
            describe=lambda: repr(self.session.clipboard_text()),
        )
        self.assertIn("rendered", output.read_text())

    def test_an_owner_taking_3_s_gets_the_expansion_typed_and_keeps_its_text(self):
        output = self.start_helper("slow_owner")
        self.session.focus_notepad()
        self.type_trigger_and_more()
        self.session.wait_for_notepad_text(LONG + AFTER, timeout=60)
        self.check_arrived_once(self.session.notepad_text())
        self.session.wait_for_debug_line("Clipboard: not saved within its time: expansion typed")
        self.check_no_key_down()
        # Nobody emptied the clipboard: the owner's promise stands, and it renders on request.
        self.check_owner_promise_stands(output)

    def test_an_owner_taking_3_s_leaves_the_clipboard_placeholder_empty_and_nothing_waits(self):
        output = self.start_helper("slow_owner_for_placeholder")
        self.session.focus_notepad()
        self.session.type(":cb")
        typed = self.session.xdotool("type", "--delay", TYPING_DELAY_MS, "--", AFTER)
        self.assertEqual(typed.returncode, 0, typed.stderr)
        # Waited for, the owner would have given its text 3 s later; the expansion went out
        # without it, and the keys typed meanwhile came after it, in order.
        self.session.wait_for_notepad_text(CLIP_BEFORE + CLIP_AFTER + AFTER, timeout=60)
        self.session.wait_for_debug_line("Clipboard: its text did not come within its time")
        self.check_no_key_down()
        # Its promise stands: asked at leisure, the owner still gives its text.
        self.check_owner_promise_stands(output)

    def test_an_owner_that_never_renders_keeps_its_promise(self):
        output = self.start_helper("silent_owner", "never")
        before = self.session.clipboard_digest()
        self.session.focus_notepad()
        self.type_trigger_and_more()
        self.session.wait_for_notepad_text(LONG + AFTER, timeout=60)
        self.check_arrived_once(self.session.notepad_text())
        self.session.wait_for_debug_line("Clipboard: a format could not be saved: expansion typed")
        self.check_no_key_down()
        self.assertEqual(self.session.clipboard_digest(), before)
        self.assertIn("asked", output.read_text())

    def test_a_clipboard_held_open_for_2_s_gets_the_expansion_typed_and_is_untouched(self):
        before = self.user_copies()
        output = self.start_helper("holder", "hold", "2000")
        self.session.focus_notepad()
        self.type_trigger_and_more()
        self.session.wait_for_notepad_text(LONG + AFTER, timeout=60)
        self.check_arrived_once(self.session.notepad_text())
        self.session.wait_for_debug_line("Clipboard: not saved within its time: expansion typed")
        self.check_no_key_down()
        self.session.wait_until(lambda: "released" in output.read_text(), "the holder to let go")
        self.wait_for_clipboard(before)

    def test_a_monitor_reading_first_gets_nothing_and_the_text_arrives_once(self):
        before = self.user_copies()
        output = self.start_helper("monitor", "monitor")
        self.session.focus_notepad()
        self.type_trigger_and_more()
        self.session.wait_for_notepad_text(LONG + AFTER, timeout=60)
        # Back soon after the target has read, not at the bound for a target that never reads
        # (30 s after Ctrl+V): a monitor's read must not count as "nobody has read yet".
        self.wait_for_clipboard(before, timeout=CLIPBOARD_BACK_AFTER_READ_S)
        self.check_arrived_once(self.session.notepad_text())
        self.session.wait_for_debug_line("Expansion pasted: 150 characters")
        self.session.wait_for_debug_line("Clipboard: the target read the text")
        self.session.wait_for_debug_line("by a program other than the target: refused")
        self.check_no_key_down()
        self.session.wait_until(
            lambda: "read nothing" in output.read_text(),
            "the monitor to have asked for our text",
            describe=lambda: output.read_text(),
        )
        self.assertNotIn(hex_of(LONG[:20]), output.read_text())

    def test_a_target_pasting_3_s_after_ctrl_v_gets_the_expansion_not_the_users_clipboard(self):
        before = self.user_copies()
        output = self.start_helper("late_target", "target")
        self.focus_target()
        self.type_trigger_and_more()
        self.session.wait_until(
            lambda: self.session.window_text("TarquelLateTarget", "Edit") == LONG + AFTER,
            "the expansion and the keys after it in the late target",
            timeout=60,
            describe=lambda: self.session.window_text("TarquelLateTarget", "Edit"),
        )
        self.assertIn("pasted", output.read_text())
        self.session.wait_for_debug_line("Clipboard: the target read the text")
        self.check_no_key_down()
        self.wait_for_clipboard(before)


if __name__ == "__main__":
    harness.main()
