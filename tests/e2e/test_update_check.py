"""The update check at start, against a version file served by the test itself on loopback
(update_server.py)."""

import time

import harness
from update_server import HANG, UPDATE_LINE, VersionServerCase


class UpdateCheckAtStart(VersionServerCase):
    def start_tarquel_served(self, answer):
        path, agent = self.launch_served(answer)
        self.assertEqual(path, self.server.path)
        self.assertEqual(agent, "Tarquel/1.0")

    def test_another_version_is_offered_and_start_up_goes_on_after_cancel(self):
        self.start_tarquel_served((200, b"1.0.1\r\nhttps://example.org/tarquel/download\r\n"))
        text = self.session.wait_until(self.prompt_text, "the update prompt")
        self.assertEqual(
            text, "A new version (1.0.1) is available!\n\nClick OK to download the update."
        )
        box = self.prompt_box()
        self.session.wait_for_debug_line(UPDATE_LINE + "1.0.1")
        # Keys typed while the prompt waits are nobody's business: no hook yet.
        self.assertFalse(self.session.hook_installed())
        self.answer_prompt(box, "Escape")
        self.assert_start_up_went_on()

    def test_our_own_version_shows_no_prompt(self):
        self.start_tarquel_served((200, b"1.0.0\r\nhttps://example.org/tarquel/download\r\n"))
        self.assert_no_prompt_and_start_up_went_on()

    def test_a_missing_version_file_shows_no_prompt(self):
        self.start_tarquel_served((404, b"1.0.1\nhttps://example.org/tarquel/download\n"))
        self.assert_no_prompt_and_start_up_went_on()

    def test_a_server_that_never_answers_does_not_hold_up_start_up(self):
        self.start_tarquel_served(HANG)
        asked = time.monotonic()
        self.assert_no_prompt_and_start_up_went_on()
        # The server neither answered nor closed: tarquel gave up on its own.
        self.assertTrue(self.server.client_hung_up.wait(timeout=harness.DEFAULT_TIMEOUT))
        # For the reader of the log only; the bound itself is the unit tests' and the code's.
        print(f"\nstart-up went on {time.monotonic() - asked:.1f} s after the request", flush=True)


if __name__ == "__main__":
    harness.main()
