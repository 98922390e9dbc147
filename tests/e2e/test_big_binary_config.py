"""A config.txt of 10 MB of binary bytes with a 1 MB line: tarquel starts, serves the hook and
its window stays usable."""

import random

import harness

WM_CLOSE = 0x0010


def big_binary_config():
    rng = random.Random(10)
    # Any byte but Ctrl+Z, which would end the text there and leave the rest unread; but
    # letters and ":", so that no trigger is the end of what the tests type; and but "=": tens
    # of thousands of random entries would keep the main window filling its list for minutes.
    excluded = b"\x1a=:abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
    alphabet = bytes(b for b in range(256) if b not in excluded)
    no_line_end = bytes(b for b in alphabet if b not in b"\r\n")
    # One entry of 1 MB: a short trigger and the rest of the line as its expansion.
    long_line = b"\x01\x02=" + bytes(rng.choices(no_line_end, k=(1 << 20) - 3))
    rest = bytes(rng.choices(alphabet, k=(10 << 20) - len(long_line)))
    # A trigger on the last line shows the whole file was read.
    return long_line + b"\r\n" + rest + b"\r\n:tailend=Read to the end\r\n"


class BigBinaryConfig(harness.SessionTestCase):
    config = big_binary_config()

    def test_the_trigger_on_the_last_line_expands(self):
        self.session.type(":tailend")
        self.session.wait_for_notepad_text("Read to the end")

    def test_window_exists_and_wm_close_hides_it_while_tarquel_runs_on(self):
        session = self.session
        self.assertEqual(session.window_text("TarquelApp"), "Tarquel")
        session.wait_until(lambda: session.find_windows(name="^Tarquel$"), "the window shown")
        self.assertEqual(session.post_message("TarquelApp", WM_CLOSE), "ok")
        session.wait_until(
            lambda: not session.find_windows(name="^Tarquel$"), "the window to be hidden"
        )
        self.assertEqual(session.window_text("TarquelApp"), "Tarquel", "hidden, not destroyed")
        session.clear_notepad()
        session.type(":tailend")
        session.wait_for_notepad_text("Read to the end")


if __name__ == "__main__":
    harness.main()
