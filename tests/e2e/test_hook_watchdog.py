"""The hook watchdog puts back a keyboard hook the system removed.

Wine never removes a hook, so this runs the test build, tarquel_test.exe, with its watchdog
drill on: it unhooks itself once, without telling the watchdog, soon after its hook has seen a
key: what Windows does to a hook whose call overran the time-out."""

import os
import re

import harness

os.environ["TARQUEL_TEST_WATCHDOG_DRILL"] = "1"

_HOOK_INSTALLED = re.compile(r":hook:NtUserSetWindowsHookEx WH_KEYBOARD_LL .* -> 0x[0-9a-f]+")


class WatchdogAfterTheHookWasRemoved(harness.SessionTestCase):
    config = b""

    def test_keys_the_removed_hook_missed_bring_it_back_and_demo_expands_again(self):
        session = self.session
        session.wait_for_debug_line("Hook watchdog drill: hook removed")

        # Keys pass unseen until the watchdog's timer notices them in the last-input time.
        def reinstalled():
            session.key("shift")
            return [line for line in session.debug_lines() if line.startswith("Hook watchdog: ")]

        lines = session.wait_until(reinstalled, "the watchdog to install the hook again")
        self.assertEqual(
            lines[0].rstrip("\n"),
            "Hook watchdog: keyboard input the hook never saw; hook installed again",
        )
        trace = session.tarquel_stderr.read_bytes().decode("latin-1")
        self.assertGreaterEqual(len(_HOOK_INSTALLED.findall(trace)), 2)

        session.clear_notepad()
        session.type(":demo")
        session.wait_for_notepad_text("Hello World")
        session.wait_for_debug_line("Expander Triggered by: ':demo'")


if __name__ == "__main__":
    harness.main()
