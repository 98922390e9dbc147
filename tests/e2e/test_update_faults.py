"""The update check against a hostile or broken version-file server: start-up goes on, and no
link other than an https one (plain http only to this computer, no user part) is opened.

Uses the loopback server of update_server.py (the test build, tarquel_test.exe);
the answers here are the faults: a 50 MB body, a body without a line feed, a redirect loop, a
connection reset, and links that name a local program or a file: URL."""

import socket
import struct

import harness
from update_server import NEWER_VERSION, VersionFileHandler, VersionServerCase

HUGE = "huge"
REDIRECT_LOOP = "redirect loop"
RESET = "reset"
NOT_OPENED = (
    f"A new version ({NEWER_VERSION}) is available!\n\nIts download link is not a safe https "
    "address, so Tarquel does not open it. Get the new version where you got Tarquel."
)


class FaultHandler(VersionFileHandler):
    def do_GET(self):
        answer = self.record_request()
        if answer == HUGE:
            self.send_response(200)
            self.send_header("Content-Length", str(50 << 20))
            self.end_headers()
            chunk = NEWER_VERSION.encode()
            chunk += b"9" * ((1 << 20) - len(chunk))
            try:
                for _ in range(50):
                    self.wfile.write(chunk)
                    chunk = b"9" * (1 << 20)
            except OSError:
                pass  # the client stopped reading and hung up: what it should do
            self.close_connection = True
        elif answer == REDIRECT_LOOP:
            self.send_response(301)
            self.send_header("Location", self.path)
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif answer == RESET:
            # Linger time 0: close sends a reset instead of the orderly end.
            self.connection.setsockopt(
                socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0)
            )
            self.connection.close()
            self.close_connection = True
        else:
            self.answer(answer)


class UpdateCheckFaults(VersionServerCase):
    handler = FaultHandler

    def start_tarquel_served(self, answer):
        self.launch_served(answer)

    def test_a_50_mb_body_is_cut_off_and_offers_nothing(self):
        self.start_tarquel_served(HUGE)
        self.assert_no_prompt_and_start_up_went_on()

    def test_a_body_without_a_line_feed_offers_nothing(self):
        self.start_tarquel_served(
            (200, NEWER_VERSION.encode() + b" https://example.org/tarquel/download")
        )
        self.assert_no_prompt_and_start_up_went_on()

    def test_a_redirect_loop_is_given_up(self):
        self.start_tarquel_served(REDIRECT_LOOP)
        self.assert_no_prompt_and_start_up_went_on()

    def test_a_reset_connection_is_given_up(self):
        self.start_tarquel_served(RESET)
        self.assert_no_prompt_and_start_up_went_on()

    def accept_prompt_for_link(self, link):
        """Serves another version with `link`: the box tells why the link is not opened and
        offers nothing to press but OK, which the user presses."""
        self.start_tarquel_served((200, NEWER_VERSION.encode() + b"\r\n" + link + b"\r\n"))
        self.assertEqual(self.bring_up_prompt(), NOT_OPENED)
        self.answer_prompt(self.prompt_box(), "Return")
        self.assert_start_up_went_on()

    def marker_program(self, name):
        """A batch file that leaves a marker file when run, and its Windows path."""
        marker = self.session.scratch / f"{name}.ran"
        batch = self.session.scratch / f"{name}.bat"
        batch.write_bytes(b"@echo ran > " + self.windows_path(marker).encode() + b"\r\n")
        return batch, marker

    @staticmethod
    def windows_path(path):
        return "Z:" + str(path).replace("/", "\\")

    def test_a_link_to_a_local_program_is_not_run(self):
        batch, marker = self.marker_program("local")
        self.accept_prompt_for_link(self.windows_path(batch).encode())
        self.assertFalse(marker.exists(), "the program the link named was run")

    def test_a_plain_http_link_is_not_opened(self):
        self.accept_prompt_for_link(b"http://example.org/setup.exe")

    def test_a_link_whose_user_part_disguises_the_host_is_not_opened(self):
        self.accept_prompt_for_link(b"https://example.org@127.0.0.1:1/setup.exe")

    def test_a_file_url_link_is_not_opened(self):
        batch, marker = self.marker_program("fileurl")
        url = "file:///" + self.windows_path(batch).replace("\\", "/")
        self.accept_prompt_for_link(url.encode())
        self.assertFalse(marker.exists(), "the file the link named was opened")


if __name__ == "__main__":
    harness.main()
