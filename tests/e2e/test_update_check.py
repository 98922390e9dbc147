"""The update check in the background, against a version file served by the test itself on
loopback (update_server.py)."""

import time

import harness
from update_server import (
    HANG,
    NEWER_VERSION,
    NEWEST_VERSION,
    NOT_DUE,
    OWN_VERSION,
    UPDATE_LINE,
    VersionServerCase,
)

PROMPT = (
    f"A new version ({NEWER_VERSION}) is available!\n\nClick Yes to download the update from "
    "example.org, No to skip this version, or Cancel to decide later."
)
NEWER = (200, NEWER_VERSION.encode() + b"\r\nhttps://example.org/tarquel/download\r\n")
TURNED_OFF = "[UpdateChecker] Turned off"
SETTING_BUTTON_ID = 110
SETTINGS_WINDOW = "TarquelSettings"
CHECK_NOW_ID = 212


class UpdateCheckInTheBackground(VersionServerCase):
    def start_tarquel_served(self, answer):
        path, agent = self.launch_served(answer)
        self.assertEqual(path, self.server.path)
        self.assertEqual(agent, "Tarquel/" + harness.PROJECT_VERSION)

    def test_a_server_that_never_answers_holds_up_neither_the_window_nor_typing(self):
        launched = time.monotonic()
        self.start_tarquel_served(HANG)
        asked = time.monotonic()
        # While the request waits: the window, the hook and an expansion.
        self.assert_start_up_went_on()
        expanded = time.monotonic()
        self.assertFalse(
            self.server.client_hung_up.is_set(), "the check had ended before :demo expanded"
        )
        # The server neither answered nor closed: tarquel gave up on its own, silently.
        self.assertTrue(self.server.client_hung_up.wait(timeout=harness.DEFAULT_TIMEOUT))
        gave_up = time.monotonic()
        self.wait_for_check_to_end()
        self.assertEqual([l for l in self.session.debug_lines() if UPDATE_LINE in l], [])
        # A check that got no answer is no check: the next start asks again.
        self.assertNotIn("update_last_check=", self.settings_text())
        # For the reader of the log; the figure itself is make bench-wine's.
        print(
            f"\nasked {asked - launched:.1f} s after the start, :demo expanded "
            f"{expanded - asked:.1f} s after asking, the check gave up {gave_up - asked:.1f} s "
            "after asking",
            flush=True,
        )

    def test_our_own_version_offers_nothing(self):
        self.start_tarquel_served(
            (200, OWN_VERSION.encode() + b"\r\nhttps://example.org/tarquel/download\r\n")
        )
        self.assert_no_prompt_and_start_up_went_on()

    def test_an_older_version_offers_nothing(self):
        self.start_tarquel_served((200, b"0.9.0\r\nhttps://example.org/tarquel/download\r\n"))
        self.assert_no_prompt_and_start_up_went_on()

    def test_an_html_page_served_as_ok_offers_nothing(self):
        page = b"<!DOCTYPE html>\n<html><body><h1>Service unavailable</h1></body></html>\n"
        self.start_tarquel_served((200, page))
        self.assert_no_prompt_and_start_up_went_on()

    def test_a_missing_version_file_offers_nothing(self):
        self.start_tarquel_served(
            (404, NEWER_VERSION.encode() + b"\nhttps://example.org/tarquel/download\n")
        )
        self.assert_no_prompt_and_start_up_went_on()

    def test_a_newer_version_is_offered_once_and_not_again_that_day(self):
        self.start_tarquel_served(NEWER)
        self.session.wait_for_debug_line(UPDATE_LINE + NEWER_VERSION)
        # Nothing opened by itself: typing elsewhere goes on.
        self.assertIsNone(self.prompt_text())
        self.assert_start_up_went_on()
        self.assertEqual(self.bring_up_prompt(), PROMPT)
        self.answer_prompt(self.prompt_box(), "Escape")
        # Asked once in this run: bringing the window up again asks nothing.
        self.assert_nothing_offered_again()
        self.wait_for_check_recorded()

        self.session.stop_tarquel()
        self.server.serve(NEWER)
        self.session.launch_tarquel()
        self.session.wait_for_debug_line(NOT_DUE)
        self.assertEqual(self.server.requests, [], "asked again the same day")
        self.assert_start_up_went_on()
        self.restore_window()
        self.assertIsNone(self.prompt_text())

    def test_turned_off_nothing_is_asked_until_check_now_which_shows_the_offer(self):
        self.settings_file.write_bytes(b"update_check=off\r\n")
        self.server.serve(NEWER)
        self.session.launch_tarquel()
        self.session.wait_for_debug_line(TURNED_OFF)
        self.assert_start_up_went_on()
        self.assertEqual(self.server.requests, [], "asked while turned off")

        # CHECK NOW in the Settings window asks at once, and the answer is shown at once.
        self.restore_window()
        self.session.wait_until(
            lambda: (self.session.window_state("TarquelApp") or (False,))[0], "the main window"
        )
        self.session.click_control("TarquelApp", SETTING_BUTTON_ID)
        self.session.wait_until(
            lambda: self.session.foreground_class() == SETTINGS_WINDOW,
            "the Settings window in front",
            describe=self.session.foreground_class,
        )
        self.session.click_control(SETTINGS_WINDOW, CHECK_NOW_ID)
        self.assertEqual(self.server.wait_for_request()[0], self.server.path)
        self.assertEqual(self.session.wait_until(self.prompt_text, "the update prompt"), PROMPT)
        self.answer_prompt(self.prompt_box(), "Escape")
        self.assertIn("update_check=off\r\n", self.settings_text())

    def assert_nothing_offered_again(self):
        self.restore_window()
        self.session.wait_until(
            lambda: (self.session.window_state("TarquelApp") or (False,))[0], "the main window"
        )
        self.assertIsNone(self.prompt_text())

    def test_a_skipped_version_is_not_offered_but_the_next_one_is(self):
        self.start_tarquel_served(NEWER)
        self.session.wait_for_debug_line(UPDATE_LINE + NEWER_VERSION)
        self.assertEqual(self.click_notification(), PROMPT)
        self.answer_prompt(self.prompt_box(), "n")
        self.session.wait_until(
            lambda: f"update_skip_version={NEWER_VERSION}\r\n" in self.settings_text(),
            "the skipped version in settings.txt",
            describe=self.settings_text,
        )
        self.wait_for_check_recorded()

        # The next day: the same version is skipped, a newer one is offered.
        for published, offered in ((NEWER_VERSION, False), (NEWEST_VERSION, True)):
            self.session.stop_tarquel()
            text = self.settings_text()
            kept = "".join(
                line for line in text.splitlines(True) if not line.startswith("update_last_check=")
            )
            self.settings_file.write_bytes(kept.encode("latin-1"))
            self.launch_served((200, published.encode() + b"\nhttps://example.org/get\n"))
            self.wait_for_check_to_end()
            lines = [l for l in self.session.debug_lines() if UPDATE_LINE in l]
            self.assertEqual(len(lines), 1 if offered else 0, lines)
            if offered:
                self.assertIn(UPDATE_LINE + NEWEST_VERSION, lines[0])
            # The other lines of settings.txt stay as they were.
            self.assertIn(f"update_skip_version={NEWER_VERSION}\r\n", self.settings_text())


if __name__ == "__main__":
    harness.main()
