"""A save killed part-way never leaves config.txt a mix or a truncation of two tables.

e2e_save_loop (beside the window probe) saves two tables alternately into one folder until it
is killed; the test kills it at random moments, many times, and each time config.txt must be
one of the two tables whole, byte for byte. No display is needed: the helper opens no window."""

import os
import random
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import harness

KILLS = 40


class InterruptedSave(unittest.TestCase):
    def setUp(self):
        self.helper = Path(harness.Options.probe).resolve().parent / "e2e_save_loop.exe"
        root = harness.Options.scratch_root
        if root:
            os.makedirs(root, exist_ok=True)
        self.folder = Path(tempfile.mkdtemp(prefix="interrupted-save-", dir=root))
        self.env = {**os.environ, "WINEDEBUG": "-all", "LANG": "C.UTF-8", "DISPLAY": ""}

    def run_helper(self, mode):
        # The loop's complaints go to a file of their own, so that a saver that ended by itself
        # says why.
        self.errors = self.folder / "loop.err"
        with self.errors.open("wb") as errors:
            return subprocess.Popen(
                ["wine", str(self.helper), str(self.folder), mode],
                env=self.env,
                stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL,
                stderr=subprocess.PIPE if mode == "expected" else errors,
            )

    def saver_state(self, saver):
        code = saver.poll()
        if code is None:
            return "running"
        return f"ended with {code}: {self.errors.read_text(errors='replace').strip()}"

    def saver_started(self):
        """Whether the saver has saved once. Wine's server may be shutting down just as the last
        killed saver left it, and then refuses the next one at its start ("wine client error"):
        that saver is started again, as it never ran any of the program."""
        if self.saver.poll() is not None and self.restarts < 3:
            if "wine client error" in self.errors.read_text(errors="replace"):
                self.restarts += 1
                self.saver = self.run_helper("loop")
        return (self.folder / "config.txt").exists()

    def test_config_holds_one_table_whole_after_every_kill(self):
        expected = self.run_helper("expected")
        _, err = expected.communicate(timeout=harness.START_TIMEOUT)
        self.assertEqual(expected.returncode, 0, err)
        a = (self.folder / "a.txt").read_bytes()
        b = (self.folder / "b.txt").read_bytes()
        self.assertNotEqual(a, b)
        config = self.folder / "config.txt"
        rng = random.Random(7)
        seen = set()
        for kill in range(KILLS):
            before = config.stat().st_mtime_ns if config.exists() else None
            self.saver = self.run_helper("loop")
            self.restarts = 0
            try:
                # Kill only after at least one more save began: the file has changed since.
                harness.wait_until(
                    lambda: self.saver_started() and config.stat().st_mtime_ns != before,
                    "the helper to save",
                    timeout=harness.START_TIMEOUT,
                    describe=lambda: self.saver_state(self.saver),
                )
                # A random moment within the next few saves.
                time.sleep(rng.uniform(0.0, 0.3))
            finally:
                self.saver.kill()
                self.saver.wait()
            data = config.read_bytes()
            self.assertIn(
                data, (a, b), f"kill {kill}: config.txt is {len(data)} bytes, neither table"
            )
            seen.add(data == a)
        # Both tables were found at some kill, so the kills did land at different moments.
        self.assertEqual(seen, {True, False})


if __name__ == "__main__":
    harness.main()
