"""A soak of random key-downs through tarquel's real hook: it lives, its memory stays flat, and
":demo" still expands afterwards.

e2e_key_soak (beside the window probe) sends the keys with SendInput, untagged, so the hook
takes each as typed, into its own edit box. Under Wine a key-down costs about 3 ms (10,000 took
33 s), so the test run sends 30,000, about a minute and a half; the full soak of 100,000 is
  TARQUEL_SOAK_KEYS=100000 python3 tests/e2e/test_key_soak.py --tarquel ... --probe ...
The time it took is printed for the log, never asserted."""

import os
import subprocess
import time
from pathlib import Path

import harness

KEYS = int(os.environ.get("TARQUEL_SOAK_KEYS", "30000"))
WARM_UP_KEYS = 2000
# Resident memory may grow this much over the whole soak; a leak of even a few dozen bytes per
# key would pass it many times over.
ALLOWED_GROWTH_KB = 2048


class KeySoak(harness.SessionTestCase):
    config = b""

    def resident_kb(self):
        status = Path(f"/proc/{self.session._tarquel.pid}/status").read_text()
        return int(next(line.split()[1] for line in status.splitlines() if line.startswith("VmRSS:")))

    def soak(self, count, seed):
        helper = Path(harness.Options.probe).resolve().parent / "e2e_key_soak.exe"
        name = f"soak{seed}"
        process = self.session.start_wine([helper, count, seed], name)
        # A click brings its window to the front (no window manager); Wine names the X window's
        # class after the exe.
        [window] = self.session.wait_until(
            lambda: self.session.find_windows(cls="e2e_key_soak"), "the soak window"
        )
        self.session.xdotool("mousemove", "--window", window, 100, 100, "click", "1")
        process.wait(timeout=600)
        output = (self.session.scratch / f"{name}.out").read_text()
        self.assertEqual(process.returncode, 0, output)
        self.assertIn(f"sent {count}", output)

    def test_random_keys_leave_tarquel_alive_with_flat_memory_and_demo_expanding(self):
        self.soak(WARM_UP_KEYS, 1)
        before = self.resident_kb()
        started = time.monotonic()
        self.soak(KEYS, 2)
        took = time.monotonic() - started
        after = self.resident_kb()
        print(
            f"\n{KEYS} key-downs in {took:.1f} s; tarquel resident {before} kB before, "
            f"{after} kB after",
            flush=True,
        )
        self.assertIsNone(self.session._tarquel.poll(), "tarquel.exe ended")
        self.assertLessEqual(after - before, ALLOWED_GROWTH_KB)
        self.session.clear_notepad()
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")


if __name__ == "__main__":
    harness.main()
