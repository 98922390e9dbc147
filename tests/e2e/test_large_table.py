"""An imported table of 27,000 triggers: the window fills its list and answers, and a trigger
from the end of the table expands. Filling the list row by row with redrawing kept the one
thread busy for minutes, and the hook with it."""

import random

import harness


def big_config():
    words = random.Random(27000)
    lines = [
        ":" + "".join(words.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(8)) + "=" + "x" * 40
        for _ in range(27000)
    ]
    lines.append(":tailend=The last one")
    return ("\r\n".join(lines) + "\r\n").encode()


class LargeTable(harness.SessionTestCase):
    config = big_config()

    def test_window_answers_and_the_last_trigger_expands(self):
        self.session.wait_until(
            lambda: self.session.window_text("TarquelApp") == "Tarquel",
            "the main window to answer",
            timeout=harness.START_TIMEOUT,
        )
        self.session.clear_notepad()
        self.session.type(":tailend")
        self.session.wait_for_notepad_text("The last one")


if __name__ == "__main__":
    harness.main()
