"""The loopback version-file server of the update check's end-to-end tests, and the base of
their cases.

tarquel.exe there is the test build, tarquel_test.exe: the same program and the same WinHTTP
request, only its version file's address (the switch TARQUEL_TEST_UPDATE_URL) points at the
test's server. Each case starts tarquel anew, with no settings.txt
(so that a check is due). The check runs in the background once the window and the hook exist;
its end shows as a debugger line. A version worth offering gets a tray notification and the
prompt only when the user brings the window up: the cases do that through the tray's "Restore".
"""

import fcntl
import http.server
import os
import select
import threading
import urllib.parse
from pathlib import Path

import harness

# The message box's dialog class and the control id of its text.
MESSAGE_BOX_CLASS = "#32770"
MESSAGE_BOX_TEXT_ID = 65535
PROMPT_TITLE = "^Update Available$"
UPDATE_LINE = "[UpdateChecker] New version available: "
CHECK_ENDED = "[UpdateChecker] Check ended"
NOT_DUE = "[UpdateChecker] Checked less than a day ago"
HANG = "hang"
WM_COMMAND = 0x0111
TRAY_RESTORE = 2002
TRAY_CALLBACK = 0x0401  # WM_USER + 1
NIN_BALLOONUSERCLICK = 0x0405

# The program's own version and the two published after it (the next patch releases).
OWN_VERSION = harness.PROJECT_VERSION
_major, _minor, _patch = (int(part) for part in OWN_VERSION.split("."))
NEWER_VERSION = f"{_major}.{_minor}.{_patch + 1}"
NEWEST_VERSION = f"{_major}.{_minor}.{_patch + 2}"


# The loopback address the test build asks instead of the configured one (its switch
# TARQUEL_TEST_UPDATE_URL, set here for every tarquel this test starts).
VERSION_FILE_URL = "http://127.0.0.1:47815/version.txt"
os.environ["TARQUEL_TEST_UPDATE_URL"] = VERSION_FILE_URL


def configured_address():
    """The version file's address the test build asks."""
    return urllib.parse.urlsplit(VERSION_FILE_URL)


class VersionServer(http.server.ThreadingHTTPServer):
    """Answers GET of the version file with whatever the case set in `answer`."""

    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address):
        self.path = address.path
        self.answer = (404, b"")
        self.requests = []  # (path, user agent), one per request received
        self.client_hung_up = threading.Event()  # on a connection this server held open
        self.stopping = threading.Event()
        self.changed = threading.Condition()
        super().__init__((address.hostname, address.port), VersionFileHandler)

    def serve(self, answer):
        with self.changed:
            self.answer = answer
            self.requests.clear()
            self.client_hung_up.clear()

    def wait_for_request(self):
        with self.changed:
            if not self.changed.wait_for(lambda: self.requests, timeout=harness.START_TIMEOUT):
                raise TimeoutError("tarquel never asked for its version file")
            return self.requests[0]


class VersionFileHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def record_request(self):
        """Notes the request for the waiting case; returns the answer the case set."""
        server = self.server
        with server.changed:
            server.requests.append((self.path, self.headers.get("User-Agent")))
            server.changed.notify_all()
            return server.answer

    def do_GET(self):
        self.answer(self.record_request())

    def answer(self, answer):
        server = self.server
        if answer == HANG:
            # Accept, never answer, never close: only the client can end this.
            while not server.stopping.is_set():
                readable, _, _ = select.select([self.connection], [], [], 0.1)
                if readable and not self.connection.recv(1):
                    server.client_hung_up.set()
                    break
            self.close_connection = True
            return
        status, body = answer
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class PortLock:
    """The port is fixed by the build, so test runs on one machine take turns for it."""

    def __init__(self, port):
        self.file = open(f"/tmp/tarquel-e2e-update-{port}.lock", "w")

    def acquire(self):
        def locked():
            try:
                fcntl.flock(self.file, fcntl.LOCK_EX | fcntl.LOCK_NB)
                return True
            except BlockingIOError:
                return False

        harness.wait_until(locked, "another test run to free the port", timeout=240)

    def release(self):
        fcntl.flock(self.file, fcntl.LOCK_UN)
        self.file.close()


class VersionServerCase(harness.SessionTestCase):
    """Cases against a version-file server of their own on the build's loopback port, each with
    a fresh start of tarquel. `handler` answers the requests."""

    handler = VersionFileHandler
    with_tarquel = False
    server = None
    lock = None

    @classmethod
    def setUpClass(cls):
        address = configured_address()
        cls.lock = PortLock(address.port)
        cls.lock.acquire()
        cls.server = VersionServer(address)
        cls.server.RequestHandlerClass = cls.handler
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        try:
            super().setUpClass()
        except BaseException:
            cls.stop_server()
            raise

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        cls.stop_server()

    @classmethod
    def stop_server(cls):
        cls.server.stopping.set()
        cls.server.shutdown()
        cls.server.server_close()
        cls.lock.release()

    def setUp(self):
        self.session.stop_tarquel()
        self.settings_file.unlink(missing_ok=True)
        super().setUp()

    @property
    def settings_file(self):
        return self.session.scratch / "settings.txt"

    def settings_text(self):
        try:
            return self.settings_file.read_bytes().decode("latin-1")
        except FileNotFoundError:
            return ""

    def launch_served(self, answer):
        """Starts tarquel with the server answering `answer`; returns (path, user agent) of its
        request once it asked."""
        self.server.serve(answer)
        self.session.launch_tarquel()
        return self.server.wait_for_request()

    def wait_for_check_to_end(self):
        self.session.wait_for_debug_line(CHECK_ENDED)

    def wait_for_check_recorded(self):
        """Until settings.txt holds the time of the check (written by the save worker)."""
        return self.session.wait_until(
            lambda: "update_last_check=" in self.settings_text(),
            "the check's time in settings.txt",
            describe=self.settings_text,
        )

    def prompt_text(self):
        return self.session.dialog_item_text(MESSAGE_BOX_CLASS, MESSAGE_BOX_TEXT_ID)

    def restore_window(self):
        """The tray menu's "Restore", as the user would choose it."""
        self.assertEqual(
            self.session.post_message("TarquelApp", WM_COMMAND, TRAY_RESTORE, 0), "ok"
        )

    def bring_up_prompt(self):
        """Once the check has offered a version, "Restore" brings up the prompt."""
        self.session.wait_for_debug_line(UPDATE_LINE)
        self.restore_window()
        return self.session.wait_until(self.prompt_text, "the update prompt")

    def click_notification(self):
        """Once the check has offered a version, a click on its tray notification brings up
        the prompt (the message the shell sends for that click)."""
        self.session.wait_for_debug_line(UPDATE_LINE)
        self.assertEqual(
            self.session.post_message("TarquelApp", TRAY_CALLBACK, 0, NIN_BALLOONUSERCLICK), "ok"
        )
        return self.session.wait_until(self.prompt_text, "the update prompt")

    def prompt_box(self):
        [box] = self.session.wait_until(
            lambda: self.session.find_windows(name=PROMPT_TITLE), "the prompt's title"
        )
        return box

    def answer_prompt(self, box, key):
        """As a person would: click the box (no window manager: a click focuses), press key."""
        self.session.xdotool("mousemove", "--window", box, 30, 60, "click", "1")
        self.session.wait_until(
            lambda: self.session.foreground_class() == MESSAGE_BOX_CLASS,
            "the prompt to have the focus",
            describe=self.session.foreground_class,
        )
        self.session.key(key)
        self.session.wait_until(lambda: self.prompt_text() is None, "the prompt to close")

    def assert_start_up_went_on(self):
        """The hook, the main window and an expansion."""
        self.session.wait_for_hook()
        self.session.wait_until(
            lambda: self.session.window_text("TarquelApp") is not None, "the main window"
        )
        # The main window may have taken the focus from notepad.
        self.session.clear_notepad()
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")

    def assert_nothing_offered(self):
        """Once the check has ended: no offer, and bringing the window up shows no prompt."""
        self.wait_for_check_to_end()
        self.assertEqual([l for l in self.session.debug_lines() if UPDATE_LINE in l], [])
        self.restore_window()
        self.session.wait_until(
            lambda: (self.session.window_state("TarquelApp") or (False,))[0],
            "the main window to show",
        )
        self.assertIsNone(self.prompt_text())
        self.assertEqual(self.session.find_windows(name=PROMPT_TITLE), [])

    def assert_no_prompt_and_start_up_went_on(self):
        self.assert_start_up_went_on()
        self.assert_nothing_offered()
