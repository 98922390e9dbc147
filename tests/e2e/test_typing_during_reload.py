"""Plain typing into notepad while tarquel.exe reads a config.txt of about 40 MB that another
program wrote: every key arrives, in order, read back from notepad itself.

config.txt is read and parsed away from the thread that answers the keyboard hook; were it read
there, Windows would pass over the hook while it waits and keys would overtake one another or
be lost.
"""

import os
import threading

import harness

# The whole file taken in; a reload of a file still being written reports fewer entries.
RELOADED_WHOLE = "Triggers reloaded from config.txt: 400001 entries"
DEMO = b":demo=Hello World\r\n"
# About 40 MB: 400,000 lines of 102 bytes, none of whose triggers ends plain text.
LINES = 400_000
CHUNK = "the quick brown fox jumps over the lazy dog "
# A bound, not a pace: typing stops one chunk after the reload is seen.
MAX_CHUNKS = 120


def big_config():
    filler = "x" * 85
    lines = [f":t{n:06d}={filler}{n:06d}\r\n".encode() for n in range(LINES)]
    lines.append(b":reloaded=yes\r\n")
    return b"".join(lines)


class TypingDuringReload(harness.SessionTestCase):
    config = DEMO

    @property
    def config_path(self):
        return self.session.scratch / "config.txt"

    def reloaded_whole(self):
        return any(RELOADED_WHOLE in line for line in self.session.debug_lines())

    def write_in_place(self, data):
        """As a plain editor saves: config.txt emptied and written again, a megabyte at a
        time, each piece on the disk before the next."""
        with open(self.config_path, "wb") as f:
            for start in range(0, len(data), 1 << 20):
                f.write(data[start : start + (1 << 20)])
                f.flush()
                os.fsync(f.fileno())

    def type_through_a_reload(self, data):
        writer = threading.Thread(target=self.write_in_place, args=(data,))
        writer.start()
        typed = ""
        try:
            # Keys go on while the file is written, read and parsed, and one chunk after.
            for _ in range(MAX_CHUNKS):
                done = self.reloaded_whole()
                self.session.type(CHUNK)
                typed += CHUNK
                if done:
                    break
        finally:
            writer.join()
        self.session.wait_for_debug_line(RELOADED_WHOLE, timeout=300)
        self.session.wait_for_notepad_text(typed, timeout=120)
        return typed

    def test_every_key_arrives_in_order_while_a_40_mb_file_is_reloaded(self):
        data = big_config()
        self.assertGreater(len(data), 40_000_000)
        self.type_through_a_reload(data)
        # What was taken in is what the hook matches against: the file's last trigger expands.
        self.session.clear_notepad()
        self.session.type(":reloaded")
        self.session.wait_for_notepad_text("yes")


if __name__ == "__main__":
    harness.main()
