"""End-to-end harness: the real tarquel.exe under Wine, typed at through Wine's notepad.

A Session owns what it starts and ends only that: an Xvfb on a free display, Wine's notepad,
tarquel.exe (working directory: a scratch directory holding the test's config.txt) and a small
Windows helper, window_probe_win.cpp, that reads window texts without pressing a key. Wine's own
background programs (wineserver, explorer) belong to the Wine prefix and are left alone.

One session serves a whole test file; its cases are methods of a SessionTestCase:

    import harness

    class Typing(harness.SessionTestCase):
        config = b""  # the bytes of config.txt, written before tarquel starts (None: no file)

        def test_demo_becomes_hello_world(self):
            self.session.type(":demo")  # xdotool, key by key, Shift where a person needs it
            self.session.wait_for_notepad_text("Hello World")
            self.session.wait_for_debug_line("Expander Triggered by: ':demo'")

    if __name__ == "__main__":
        harness.main()

Before each case, clear_notepad() empties notepad and tarquel's typed buffer and gives notepad
the focus. Session API; every wait polls with a generous limit and raises TimeoutError saying
what it last saw:
  type(text), key(*names)           type text / press xdotool key names ("Left", "ctrl+a")
  focus_notepad()                   click notepad (no window manager: a click gives the focus)
  notepad_text()                    what notepad holds; wait_for_notepad_text(expected)
  debug_lines()                     tarquel's OutputDebugStringA lines (bytes read as cp1252)
  wait_for_debug_line(text, count)  until `count` lines contain `text`; returns those lines
  window_text(cls, child_cls)       any Windows window's text by window class, None if missing
  find_windows(name=, cls=)         X window ids by title / X class regex (xdotool search)
  screenshot(path)                  PNG of the whole display, for pixel checks (ImageMagick)
  screen_pixels()                   the display now: .pixel(x, y) -> (r, g, b), .width, .height
  post_message(cls, msg, w, l)      PostMessage to a Windows window by class ("ok"/"missing")
  window_state(cls)                 .visible and .rect (screen) of a window by class, or None
  choose_from_popup_menu(row, rows) clicks a row of the menu shown now until it closes
  list_rows(cls, id)                the rows of a list box or list view in a window, or None
  list_cells(cls, id)               the same, each row a tuple of its columns' texts
  click_list_header(cls, id, col)   clicks a column's header of a list view
  control_rect(cls, id, row=None)   a control's (or list row's) screen rectangle, or None
  click_control(cls, id, row=None)  click its middle, as a person would (the click focuses)
  tarquel_running()                 whether the tarquel.exe this session started still runs
  tarquel_debug                     WINEDEBUG of tarquel.exe (a SessionTestCase may set it)
  wait_for_tarquel_to_end()         until tarquel.exe has ended by itself; its exit code
  start_tarquel(), stop_tarquel()   restart it, e.g. after write_config(data)
  launch_tarquel(), wait_for_hook() start_tarquel in two steps, for what happens before the hook
                                    (launch_tarquel(arguments=["--logon"]): with arguments)
  keys_down()                       virtual keys GetAsyncKeyState says are down (the probe's)
  time_notepad_arrival(n, set_off)  ms for text to arrive in notepad, measured without a key
  set_item_text(cls, id, text)      WM_SETTEXT (wide) to a control of a visible window, for
                                    text xdotool cannot type under Wine ("ok"/"missing")
  dialog_item_text(cls, id)         a control's text in a visible window (message box: #32770,
                                    65535), None if missing; foreground_class()
  start_wine(args, name)            any other Wine program, owned and ended by the session
  dpi                               the DPI every Wine program of the session starts at (a
                                    SessionTestCase may set it; None: the prefix's own, 96)
  system_dpi()                      the DPI Wine reports now (the probe's LOGPIXELSX)
  wait_until(predicate, what)       the generic wait; x_env(): environment for X clients
  scratch, display                  the scratch directory (logs: NAME.out/.err), ":N"

Run one test file directly (CTest passes the same options):
  WINEPREFIX=$PWD/build/windows/wineprefix python3 tests/e2e/test_typing.py \\
    --tarquel build/windows/tarquel.exe --probe build/windows/tests/e2e/e2e_window_probe.exe
The prefix is created when missing. TARQUEL_E2E_DISPLAYS="11-19" names the X display numbers
a session may take (default 100-199). A failed case leaves a screenshot, and the session keeps
its scratch directory with all logs and prints its path.
"""

import argparse
import atexit
import collections
import contextlib
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
# The version the program calls itself: project(VERSION) in the top-level CMakeLists.txt.
PROJECT_VERSION = re.search(
    r"project\(tarquel VERSION (\d+\.\d+\.\d+)", (REPO / "CMakeLists.txt").read_text()
).group(1)
DEFAULT_TIMEOUT = 30.0
# Starting Wine's first program on a busy machine may take long; this is only an upper bound.
START_TIMEOUT = 120.0
# A first notepad that has shown no window by then is started again.
NOTEPAD_TIMEOUT = 30.0
# Where a per-user program starts at logon.
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
# The virtual display every session gets; Wine must report the same size (see _check_screen_size).
SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 1024
TYPED_BUFFER_LIMIT = 50
# Milliseconds between two key events: quick, but each is a separate press like a person's.
KEY_DELAY_MS = 15


def _lane_prefix():
    """The Wine prefix of the lane CTest gave this test, if any: for "id:lane_2,slots:1" the
    build's wineprefix-2 (lane_1 is the build's first prefix, wineprefix)."""
    lane = os.environ.get("CTEST_RESOURCE_GROUP_0_WINE_LANES")
    root = os.environ.get("TARQUEL_WINE_LANES")
    if not lane or not root:
        return None
    number = dict(part.split(":", 1) for part in lane.split(","))["id"].removeprefix("lane_")
    return str(Path(root) / ("wineprefix" if number == "1" else f"wineprefix-{number}"))


if _lane_prefix():
    # Everything started from here (Wine, wineserver, helper scripts) uses the lane's prefix.
    os.environ["WINEPREFIX"] = _lane_prefix()


class Options:
    """Paths the test files get on the command line (see main)."""

    tarquel = None
    probe = None
    scratch_root = None


@contextlib.contextmanager
def immutable(path):
    """`path` (a file or a folder) unchangeable, even by root, for the time of the block: a
    folder so made takes no new file, while the files in it may still be written in place."""
    subprocess.run(["chattr", "+i", path], check=True)
    try:
        yield
    finally:
        subprocess.run(["chattr", "-i", path], check=True)


def wait_until(predicate, what, timeout=DEFAULT_TIMEOUT, describe=None):
    """Polls predicate until it returns something true and returns that.

    On timeout raises TimeoutError naming `what` and, if given, describe() of the last state."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            seen = f"; last seen: {describe()!r}" if describe else ""
            raise TimeoutError(f"waited {timeout:.0f} s for {what}{seen}")
        time.sleep(0.05)


# tarquel's stderr: OutputDebugString lines and the hook's installation and calls.
TARQUEL_WINEDEBUG = "fixme-all,+debugstr,+hook"
# The main window and its trigger form.
MAIN_WINDOW_CLASS = "TarquelApp"
TRIGGER_FIELD_ID = 102
EXPANSION_FIELD_ID = 103
ADD_BUTTON_ID = 104
_HOOK_INSTALLED = re.compile(r":hook:NtUserSetWindowsHookEx WH_KEYBOARD_LL .* -> 0x[0-9a-f]+")
# How long notepad must keep the focus after a click before keys go to it.
FOCUS_KEPT_SECONDS = 0.3
_HOOK_CALLED = re.compile(r":hook:call_hook calling hook .* WH_KEYBOARD_LL ")

_WINE_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", "\\": "\\", '"': '"'}
_DEBUGSTR_LINE = re.compile(r':debugstr:OutputDebugString[AW] "(.*)"$')


def _unescape_wine(text):
    """Undoes Wine's debugstr quoting (\\n, \\", \\xHH for bytes outside printable ASCII)."""
    out = bytearray()
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            if nxt == "x" and re.fullmatch(r"[0-9a-fA-F]{2}", text[i + 2 : i + 4]):
                out += bytes([int(text[i + 2 : i + 4], 16)])
                i += 4
                continue
            out += _WINE_ESCAPES.get(nxt, nxt).encode("latin-1")
            i += 2
            continue
        out += c.encode("latin-1")
        i += 1
    return out.decode("cp1252", errors="replace")


def _row_text(cells):
    """A list row as one line: the trigger list's three columns as "trigger  ->  expansion"
    and "    [group]" after it, a row of one column as it is."""
    if len(cells) == 1:
        return cells[0]
    trigger, expansion, *rest = cells
    group = rest[0] if rest else ""
    return f"{trigger}  ->  {expansion}" + (f"    [{group}]" if group else "")


def parse_debug_lines(stderr_text):
    """The OutputDebugString messages in a WINEDEBUG=+debugstr stderr log, in order."""
    lines = []
    for raw in stderr_text.splitlines():
        match = _DEBUGSTR_LINE.search(raw)
        if match:
            lines.append(_unescape_wine(match.group(1)))
    return lines


class Session:
    """One Xvfb, one notepad, one tarquel.exe and one window probe, all ended by close()."""

    def __init__(self, name, config=b"", tarquel=None, probe=None, prefix=None):
        self.name = name
        self.config = config
        self.tarquel_exe = Path(tarquel or Options.tarquel).resolve()
        self.probe_exe = Path(probe or Options.probe).resolve()
        self.prefix = Path(prefix or os.environ.get("WINEPREFIX") or REPO / "build/wineprefix")
        self.scratch = None
        self.display = None
        self.failed = False
        self._processes = []  # (name, Popen), in start order
        self._files = []
        self._xvfb = None
        self._notepad = None
        self._notepad_window = None
        self._tarquel = None
        self._tarquel_window_expected = True
        self._probe = None
        self.tarquel_debug = TARQUEL_WINEDEBUG
        # An XKB layout ("de", "fr") set on the display before any Wine program starts there:
        # Wine takes its keyboard layout from the X server when its processes start.
        self.keyboard_layout = None
        # LogPixels for the session (192: 200 %), set in the prefix before notepad starts and
        # put back to 96 when the session ends. Wine 8 reads HKCU\Control Panel\Desktop's
        # LogPixels when a process starts (the one under HKEY_CURRENT_CONFIG\Software\Fonts
        # does not override it), so a running wineserver needs no restart.
        self.dpi = None
        self._dpi_set = False
        # The display's size. Another than the default needs a wineserver that has seen no
        # other display (a prefix of its own): it keeps the first size it saw.
        self.screen_size = (SCREEN_WIDTH, SCREEN_HEIGHT)

    # ---- life cycle -------------------------------------------------------------------------

    def start(self, with_tarquel=True):
        root = Path(Options.scratch_root or tempfile.gettempdir()).resolve()
        root.mkdir(parents=True, exist_ok=True)
        self.scratch = Path(tempfile.mkdtemp(prefix=f"{self.name}-", dir=root))
        _live_sessions.append(self)
        if self.config is not None:
            self.write_config(self.config)
        self._ensure_prefix()
        self._start_xvfb()
        if self.keyboard_layout:
            self._check(subprocess.run(["setxkbmap", "-display", self.display,
                                        self.keyboard_layout], capture_output=True))
        if self.dpi is not None:
            self._set_log_pixels(self.dpi)
            self._dpi_set = True
        self._notepad = self.start_wine(["notepad"], "notepad")
        try:
            # Notepad shows its window within seconds even on a busy machine; now and then a
            # first one never does. Waiting the full start limit for it cost two minutes a time.
            self._notepad_window = self._wait_for_notepad_window(timeout=NOTEPAD_TIMEOUT)
        except TimeoutError:
            # Another start is cheap next to a failed run.
            state = self._notepad.poll()
            titles = self.xdotool("search", "--onlyvisible", "--name", ".").stdout.split()
            print(f"e2e: notepad showed no window within {NOTEPAD_TIMEOUT:.0f} s "
                  f"(process {'running' if state is None else f'ended with {state}'}, "
                  f"{len(titles)} visible windows); starting it again", file=sys.stderr)
            self.end_process(self._notepad)
            self._notepad = self.start_wine(["notepad"], "notepad-again")
            self._notepad_window = self._wait_for_notepad_window()
        self._start_probe()
        self._check_screen_size()
        if self.dpi is not None and self.system_dpi() != self.dpi:
            raise RuntimeError(f"Wine reports {self.system_dpi()} DPI, not the {self.dpi} set")
        wait_until(
            lambda: self.window_text("Notepad", "Edit") is not None,
            "notepad's edit control",
            timeout=START_TIMEOUT,
        )
        if with_tarquel:
            self.start_tarquel()
            # The table is read in the background: until it is in, no trigger expands and the
            # search popup lists nothing.
            if "+debugstr" in self.tarquel_debug:
                self.wait_for_debug_line("Triggers loaded from config.txt")
        return self

    def _set_log_pixels(self, dpi):
        """Writes LogPixels into the prefix through Wine's reg, on this session's display (a
        wineserver first started without one would report the wrong screen size)."""
        result = subprocess.run(
            ["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
             "REG_DWORD", "/d", str(int(dpi)), "/f"],
            env=self.wine_env(),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=START_TIMEOUT,
        )
        self._check(result)

    def system_dpi(self):
        answer = self._probe_call("dpi").split()
        if answer[0] != "ok":
            raise RuntimeError(f"window probe answered {answer!r}")
        return int(answer[1])

    def _check_screen_size(self):
        """Positions and pixels in the tests assume Wine sees the display's own size. A
        wineserver first used without a display keeps reporting 1024 x 768 until it ends."""
        answer = self._probe_call("screen").split()
        width, height = self.screen_size
        if answer[1:] != [str(width), str(height)]:
            raise RuntimeError(
                f"Wine reports a {' x '.join(answer[1:])} screen on a {width} x {height} "
                "display: its wineserver was first used without a display, or on one of "
                "another size; "
                "end it (wineserver -k) and start again"
            )

    def _wait_for_notepad_window(self, timeout=START_TIMEOUT):
        return wait_until(
            lambda: next(iter(self.find_windows(name="Notepad$")), None),
            "notepad's window to appear",
            timeout=timeout,
        )

    def close(self):
        """Ends every process this session started, newest first, then its display."""
        if self._probe is not None and self._probe.poll() is None:
            try:
                self._probe.stdin.write(b"quit\n")
                self._probe.stdin.flush()
            except OSError:
                pass
        for name, process in reversed(self._processes):
            _end_process(process)
        self._processes.clear()
        if self._dpi_set:
            # Every later session of the prefix expects 96 DPI again.
            try:
                self._set_log_pixels(96)
            except (OSError, subprocess.SubprocessError, RuntimeError) as error:
                print(f"e2e: LogPixels not put back to 96: {error}", file=sys.stderr)
            self._dpi_set = False
        if self._xvfb is not None:
            _end_process(self._xvfb)
            self._xvfb = None
            self._wait_for_wine_to_leave_display()
        for f in self._files:
            f.close()
        self._files.clear()
        if self in _live_sessions:
            _live_sessions.remove(self)
        if self.scratch is None:
            return
        if self.failed or os.environ.get("TARQUEL_E2E_KEEP"):
            print(f"e2e: kept {self.scratch} (logs, screenshots, config.txt)", file=sys.stderr)
        else:
            shutil.rmtree(self.scratch, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, kind, value, traceback):
        if kind is not None:
            self.note_failure("session")
        self.close()

    def note_failure(self, label):
        """Marks the session failed (its scratch directory is kept) and takes a screenshot."""
        self.failed = True
        if self.display is None:
            return
        safe = re.sub(r"[^A-Za-z0-9_.-]", "_", label)
        try:
            self.screenshot(self.scratch / f"{safe}.png")
        except (OSError, subprocess.SubprocessError):
            pass

    # ---- programs ---------------------------------------------------------------------------

    def write_config(self, data):
        """Writes config.txt in the scratch directory byte for byte (tarquel reads it at start)."""
        (self.scratch / "config.txt").write_bytes(data)

    def wine_env(self, debug="-all"):
        # Wine's WinHTTP would send even loopback requests to a proxy named in the environment.
        proxies = {"http_proxy", "https_proxy", "no_proxy"}
        env = {
            k: v
            for k, v in os.environ.items()
            if not k.startswith("LC_") and k.lower() not in proxies
        }
        env.update(
            DISPLAY=self.display or "",
            WINEPREFIX=str(self.prefix),
            # The installed locale: under one that is missing, Wine's VkKeyScanA reports plain
            # letter keys for accented letters.
            LANG="C.UTF-8",
            WINEDEBUG=debug,
            WINEDLLOVERRIDES="mscoree,mshtml=",
        )
        return env

    def start_wine(self, args, name, cwd=None, debug="-all", pipes=False):
        """Starts `wine ARGS` with output to NAME.out / NAME.err in the scratch directory.

        Never hands on this process's own stdout/stderr: Wine's background programs would
        inherit them and a caller waiting for them to close (CTest) would wait for ever."""
        err = open(self.scratch / f"{name}.err", "wb")
        self._files.append(err)
        if pipes:
            stdin, stdout = subprocess.PIPE, subprocess.PIPE
        else:
            out = open(self.scratch / f"{name}.out", "wb")
            self._files.append(out)
            stdin, stdout = subprocess.DEVNULL, out
        process = subprocess.Popen(
            ["wine", *map(str, args)],
            cwd=cwd or self.scratch,
            env=self.wine_env(debug),
            stdin=stdin,
            stdout=stdout,
            stderr=err,
            close_fds=True,
        )
        self._processes.append((name, process))
        return process

    def end_process(self, process):
        """Ends one process this session started."""
        _end_process(process)
        self._processes = [(n, p) for n, p in self._processes if p is not process]

    def start_tarquel(self):
        """Starts tarquel.exe in the scratch directory; returns once its hook is being served."""
        self.launch_tarquel()
        self.wait_for_hook()
        return self._tarquel

    def launch_tarquel(self, program=None, cwd=None, arguments=()):
        """Starts tarquel.exe in the scratch directory and returns at once. Given a `program`
        (an installed copy, say), starts that one where it is, in `cwd`; `arguments` follow
        the program on its command line."""
        if program is None:
            # Beside its config.txt: the scratch directory is both its folder and its working
            # directory, wherever it looks for its files.
            program = self.scratch / self.tarquel_exe.name
            shutil.copyfile(self.tarquel_exe, program)
        self._tarquel = self.start_wine(
            [program, *arguments], "tarquel", cwd=cwd, debug=self.tarquel_debug
        )
        # Started at logon, it stays in the tray; otherwise its window shows and takes the focus.
        self._tarquel_window_expected = "--logon" not in [str(a) for a in arguments]
        return self._tarquel

    def hook_installed(self):
        """Whether Wine's trace shows tarquel's hook installed (by the running tarquel)."""
        return bool(_HOOK_INSTALLED.search(self.tarquel_stderr.read_bytes().decode("latin-1")))

    def wait_for_hook(self):
        """Returns once tarquel's hook is being served.

        Wine's hook trace shows the hook installed; a lone Shift press (no character, nothing
        in notepad) then shows the hook called, which needs tarquel's message loop running."""

        def log():
            if self._tarquel.poll() is not None:
                raise RuntimeError(f"tarquel.exe ended with {self._tarquel.returncode}")
            text = self.tarquel_stderr.read_bytes().decode("latin-1")
            if "Failed to install hook!" in text:
                raise RuntimeError("tarquel.exe could not install its hook")
            return text

        wait_until(
            lambda: _HOOK_INSTALLED.search(log()), "tarquel's hook", timeout=START_TIMEOUT
        )
        if self._tarquel_window_expected:
            # Shown after the hook is in: were notepad clicked first, the window would take the
            # focus from it while keys are typed.
            wait_until(
                lambda: self.find_windows(cls="^tarquel"), "tarquel's window", timeout=START_TIMEOUT
            )
        self.focus_notepad()
        calls = len(_HOOK_CALLED.findall(log()))

        def hook_called():
            self.key("shift")
            return wait_until(
                lambda: len(_HOOK_CALLED.findall(log())) > calls,
                "tarquel's hook to be called",
                timeout=5,
            )

        # A press can pass unhooked while tarquel is still on its way into the message loop.
        wait_until(_ignoring(TimeoutError, hook_called), "tarquel's hook", timeout=START_TIMEOUT)

    def tarquel_running(self):
        return self._tarquel is not None and self._tarquel.poll() is None

    def stop_tarquel(self):
        if self._tarquel is not None:
            self.end_process(self._tarquel)
            self._tarquel = None

    def wait_for_tarquel_to_end(self, timeout=DEFAULT_TIMEOUT):
        """Waits until tarquel.exe has ended on its own; returns its exit code."""
        process = self._tarquel
        wait_until(lambda: process.poll() is not None, "tarquel.exe to end", timeout=timeout)
        self.end_process(process)
        self._tarquel = None
        return process.returncode

    @property
    def tarquel_stderr(self):
        return self.scratch / "tarquel.err"

    # ---- keys -------------------------------------------------------------------------------

    def wine_reg(self, *args):
        """`wine reg` with these arguments in the session's prefix; the finished process."""
        return subprocess.run(
            ["wine", "reg", *args],
            env=self.wine_env(),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=START_TIMEOUT,
        )

    def run_value(self):
        """The data of the Run value "Tarquel", or None when there is none."""
        result = self.wine_reg("query", RUN_KEY, "/v", "Tarquel")
        if result.returncode != 0:
            return None
        match = re.search(r"Tarquel\s+REG_SZ\s+(.*)", result.stdout.decode("utf-8", "replace"))
        return match.group(1).rstrip("\r\n") if match else ""

    def x_env(self):
        return {**os.environ, "DISPLAY": self.display}

    def xdotool(self, *args):
        result = subprocess.run(
            ["xdotool", *map(str, args)],
            env=self.x_env(),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            timeout=DEFAULT_TIMEOUT,
        )
        return result

    def type(self, text):
        """Types text key by key through the X server, with Shift where the layout needs it."""
        self._check(self.xdotool("type", "--delay", KEY_DELAY_MS, "--", text))

    def key(self, *names, delay_ms=KEY_DELAY_MS):
        """Presses keys by X keysym name, e.g. key("Left"), key("ctrl+a"), key("BackSpace")."""
        self._check(self.xdotool("key", "--delay", delay_ms, *names))

    def focus_notepad(self):
        """Clicks into notepad's text until it is the foreground window.

        Clicks again while another window keeps the focus: one that opens meanwhile (tarquel's
        own, shown just after its hook is installed) takes the focus from notepad."""

        def click_and_check():
            # Near the top left of its text: windows centred on the screen do not cover that.
            self._check(
                self.xdotool("mousemove", "--window", self._notepad_window, 40, 100, "click", "1")
            )
            # And keeps it a moment: a window shown just before may take it once its program
            # gets round to its activation.
            since = []

            def kept():
                if self._probe_call("foreground") != "Notepad":
                    raise TimeoutError("another window took the focus")
                since.append(time.monotonic())
                return since[-1] - since[0] >= FOCUS_KEPT_SECONDS

            return wait_until(kept, "notepad to keep the focus", timeout=3)

        wait_until(
            _ignoring(TimeoutError, click_and_check),
            "notepad to have the focus",
            describe=lambda: self._probe_call("foreground"),
        )

    def clear_notepad(self):
        """Empties notepad and tarquel's typed buffer, and leaves notepad with the focus.

        Ctrl+A is a shortcut, which empties the buffer; the Backspaces empty notepad (and would
        empty the buffer too, one character each)."""
        self.focus_notepad()
        self.key("ctrl+a")
        self.key(*["BackSpace"] * (1 + TYPED_BUFFER_LIMIT), delay_ms=5)
        self.wait_for_notepad_text("")

    # ---- reading back -----------------------------------------------------------------------

    def window_text(self, window_class, child_class=None):
        """The text of the first window of that class (or of its first child of child_class)."""
        return self._probe_text(f"text {window_class} {child_class or ''}".rstrip())

    def activate(self, window_class):
        """Brings a window of that class to the front without a click or a key ("ok")."""
        return self._probe_call(f"activate {window_class}")

    def keyboard_layout_for(self, character):
        """(layout handle, virtual key, shift state) with which the foreground window's layout
        types `character`, as VkKeyScanEx has it; the key is 0xff when it has none."""
        answer = self._probe_call(f"layout {character}")
        if not answer.startswith("ok "):
            raise RuntimeError(f"window probe: {answer}")
        layout, key, shift = answer.split()[1:]
        return int(layout, 16), int(key, 16), int(shift, 16)

    def foreground_class(self):
        """The window class of the foreground window, "none" if there is none."""
        return self._probe_call("foreground")

    def dialog_item_text(self, window_class, item_id):
        """The text of the control `item_id` in the first visible window of that class."""
        return self._probe_text(f"item {window_class} {item_id}")

    def set_item_text(self, window_class, item_id, text):
        """WM_SETTEXT of `text` to control `item_id` of a visible window: "ok" or "missing"."""
        return self._probe_call(f"settext {window_class} {item_id} {text.encode('utf-8').hex()}")

    def _probe_text(self, request):
        """A text the probe sends hex-encoded; None when it says the window is missing."""
        answer = self._probe_call(request)
        if answer == "missing":
            return None
        if not answer.startswith("ok"):
            raise RuntimeError(f"window probe answered {answer!r}")
        return bytes.fromhex(answer[3:]).decode("utf-8")

    def notepad_text(self):
        text = self.window_text("Notepad", "Edit")
        if text is None:
            raise RuntimeError("notepad's edit control is gone")
        return text

    def wait_for_notepad_text(self, expected, timeout=DEFAULT_TIMEOUT):
        return wait_until(
            lambda: self.notepad_text() == expected,
            f"notepad to hold {expected!r}",
            timeout=timeout,
            describe=self.notepad_text,
        )

    def time_notepad_arrival(self, length, set_off, timeout=120):
        """Milliseconds from the first change of the length of notepad's text, after set_off()
        is called, to the moment it reaches `length`; measured by the probe without a key."""
        answer = self._probe_request(
            f"arrival Notepad Edit {length} {int(timeout * 1000)}", timeout + DEFAULT_TIMEOUT
        )
        set_off()
        words = answer().split()
        if words[0] != "ok":
            raise RuntimeError(f"notepad's text did not reach {length} characters: {words}")
        return float(words[1])

    # ---- the clipboard ------------------------------------------------------------------------

    def clipboard_put(self, text, bitmap=False):
        """Puts text (and with bitmap=True an 8 x 8 bitmap) on the clipboard, as a user's copy."""
        request = f"clipboard_put {text.encode('utf-8').hex()}" + (" bitmap" if bitmap else "")
        answer = self._probe_call(request)
        if answer != "ok":
            raise RuntimeError(f"the clipboard could not be set: {answer!r}")

    def clipboard_digest(self):
        """Every format on the clipboard with a hash of its content, as one comparable string."""
        answer = self._probe_call("clipboard_digest")
        if not answer.startswith("ok"):
            raise RuntimeError(f"the clipboard could not be read: {answer!r}")
        return answer[3:]

    def clipboard_text(self):
        """The clipboard's Unicode text, or None."""
        return self._probe_text("clipboard_text")

    def keys_down(self):
        """The keys GetAsyncKeyState says are down now, as virtual-key numbers (mouse buttons
        left out)."""
        answer = self._probe_call("keys_down").split()
        if not answer or answer[0] != "ok":
            raise RuntimeError(f"window probe answered {answer!r}")
        return [int(key, 16) for key in answer[1:]]

    def debug_lines(self):
        return parse_debug_lines(self.tarquel_stderr.read_bytes().decode("latin-1"))

    def wait_for_debug_line(self, text, count=1, timeout=DEFAULT_TIMEOUT):
        """Waits until at least `count` debugger lines contain `text`; returns those lines."""

        def matching():
            found = [line for line in self.debug_lines() if text in line]
            return found if len(found) >= count else None

        return wait_until(
            matching,
            f"{count} debugger line(s) with {text!r}",
            timeout=timeout,
            describe=self.debug_lines,
        )

    def find_windows(self, name=None, cls=None):
        """Visible X windows whose title (or X class, the exe name under Wine) matches a regex."""
        args = ["search", "--onlyvisible"]
        if name is not None:
            args += ["--name", name]
        if cls is not None:
            args += ["--class", cls]
        result = self.xdotool(*args)
        return [int(w) for w in result.stdout.split()]

    def screenshot(self, path):
        subprocess.run(
            ["import", "-window", "root", str(path)],
            env=self.x_env(),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            check=True,
            timeout=DEFAULT_TIMEOUT,
        )
        return Path(path)

    def screen_pixels(self):
        """The whole display now, as Pixels: pixel(x, y) is an (r, g, b) tuple."""
        result = subprocess.run(
            ["import", "-window", "root", "-depth", "8", "ppm:-"],
            env=self.x_env(),
            stdin=subprocess.DEVNULL,
            capture_output=True,
            check=True,
            timeout=DEFAULT_TIMEOUT,
        )
        return Pixels(result.stdout)

    def choose_from_popup_menu(self, row=None, rows=None, y_offset=None):
        """Clicks a row of the popup menu shown now (class #32768) and waits for it to close.

        `row` of `rows` of one height (0: top), or `y_offset` pixels below the menu's top edge.
        A menu shown under load may not take a click yet: the click is made again while the
        menu stays open; the first that is taken closes it, so no item is chosen twice."""

        def shown_menu():
            menu = self.window_state("#32768")
            return menu if menu is not None and menu.visible else None

        left, top, right, bottom = self.wait_until(shown_menu, "the popup menu").rect
        x = (left + right) // 2
        if y_offset is not None:
            y = top + y_offset
        else:
            y = int(top + (bottom - top) * (row + 0.5) / rows)

        def clicked_and_closed():
            self._check(self.xdotool("mousemove", x, y, "click", "1"))
            try:
                wait_until(lambda: not shown_menu(), "the popup menu to close", timeout=5)
                return True
            except TimeoutError:
                return False

        self.wait_until(clicked_and_closed, "the popup menu to take a click")
        return left, top, right, bottom

    def window_state(self, window_class):
        """WindowState(visible, rect) of the first visible window of that class (else of the
        first hidden one), rect = (left, top, right, bottom) on the screen; None if missing."""
        answer = self._probe_call(f"window {window_class}")
        if answer == "missing":
            return None
        if not answer.startswith("ok "):
            raise RuntimeError(f"window probe answered {answer!r}")
        visible, *rect = (int(n) for n in answer[3:].split())
        return WindowState(bool(visible), tuple(rect))

    def list_cells(self, window_class, list_id):
        """The rows of the list box or list view `list_id` in the first window of that class,
        each a tuple of its columns' texts, or None."""
        answer = self._probe_call(f"rows {window_class} {list_id}")
        if answer == "missing":
            return None
        if not answer.startswith("ok "):
            raise RuntimeError(f"window probe answered {answer!r}")
        count, _, rows = answer[3:].partition(" ")
        if int(count) == 0:
            return []
        return [tuple(bytes.fromhex(row).decode("utf-8").split("\t")) for row in rows.split(",")]

    def list_rows(self, window_class, list_id):
        """The rows of the list box `list_id` in the first window of that class, or None. A
        row of the trigger list's columns reads "trigger  ->  expansion", with "    [group]"
        after it when its group column says something."""
        cells = self.list_cells(window_class, list_id)
        if cells is None:
            return None
        return [_row_text(row) for row in cells]

    def click_list_header(self, window_class, list_id, column):
        """Clicks the middle of a column's header in that list view."""

        def rect():
            answer = self._probe_call(f"header {window_class} {list_id} {column}")
            if answer == "missing":
                return None
            if not answer.startswith("ok "):
                raise RuntimeError(f"window probe answered {answer!r}")
            return tuple(int(n) for n in answer[3:].split())

        left, top, right, bottom = wait_until(rect, f"the header of column {column}")
        self._check(self.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2, "click", "1"))

    def selected_row(self, window_class, list_id):
        """The selected row of that list (-1 when none), or None if the list is missing."""
        answer = self._probe_call(f"selected {window_class} {list_id}")
        if answer == "missing":
            return None
        if not answer.startswith("ok "):
            raise RuntimeError(f"window probe answered {answer!r}")
        return int(answer[3:])

    def check_state(self, window_class, control_id):
        """BM_GETCHECK of that check box (0 or 1), or None if it is missing."""
        answer = self._probe_call(f"checked {window_class} {control_id}")
        if answer == "missing":
            return None
        if not answer.startswith("ok "):
            raise RuntimeError(f"window probe answered {answer!r}")
        return int(answer[3:])

    def focused_control(self, window_class):
        """The id of the control with the keyboard focus in that window (0: the window itself,
        -1: none of its controls), or None if the window is missing."""
        answer = self._probe_call(f"focus {window_class}")
        if answer == "missing":
            return None
        if not answer.startswith("ok "):
            raise RuntimeError(f"window probe answered {answer!r}")
        return int(answer[3:])

    def control_rect(self, window_class, control_id, row=None):
        """(left, top, right, bottom) on the screen of the control `control_id` in the first
        visible window of that class (else the first hidden one), or with `row` of that
        list-box row; None if missing."""
        request = f"rect {window_class} {control_id}" + ("" if row is None else f" {row}")
        answer = self._probe_call(request)
        if answer == "missing":
            return None
        if not answer.startswith("ok "):
            raise RuntimeError(f"window probe answered {answer!r}")
        return tuple(int(n) for n in answer[3:].split())

    def click_control(self, window_class, control_id, row=None):
        """Clicks the middle of a control (or of a list-box row) with the mouse."""
        rect = wait_until(
            lambda: self.control_rect(window_class, control_id, row),
            f"control {control_id} of {window_class}" + ("" if row is None else f", row {row}"),
        )
        x, y = (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2
        self._check(self.xdotool("mousemove", x, y, "click", "1"))

    def fill_in_trigger(self, trigger, expansion):
        """Types into the main window's trigger and expansion fields as a person would, each
        once it has the focus, until the field holds the text."""
        for control_id, text in ((TRIGGER_FIELD_ID, trigger), (EXPANSION_FIELD_ID, expansion)):
            self.click_control(MAIN_WINDOW_CLASS, control_id)
            self.type(text)
            self.wait_until(
                lambda: self.dialog_item_text(MAIN_WINDOW_CLASS, control_id) == text,
                f"field {control_id} to hold {text!r}",
            )

    def add_trigger(self, trigger, expansion, until_taken=True):
        """Fills in both fields and clicks ADD; with `until_taken`, returns once the fields
        are empty again: the table has the entry, and its save has been handed on."""
        self.fill_in_trigger(trigger, expansion)
        self.click_control(MAIN_WINDOW_CLASS, ADD_BUTTON_ID)
        if until_taken:
            self.wait_until(
                lambda: self.dialog_item_text(MAIN_WINDOW_CLASS, TRIGGER_FIELD_ID) == "",
                "the trigger field to empty",
            )

    def post_message(self, window_class, message, wparam=0, lparam=0):
        """Posts a message to the first window of that class: "ok", or "missing"."""
        return self._probe_call(f"post {window_class} {message} {wparam} {lparam}")

    def send_message(self, window_class, message, wparam=0, lparam=0):
        """Sends a message to the first window of that class and waits until it is handled:
        "ok RESULT", or "missing"."""
        return self._probe_request(f"send {window_class} {message} {wparam} {lparam}", timeout=30)()

    def wait_until(self, predicate, what, timeout=DEFAULT_TIMEOUT, describe=None):
        return wait_until(predicate, what, timeout=timeout, describe=describe)

    # ---- internals --------------------------------------------------------------------------

    def _check(self, result):
        if result.returncode != 0:
            raise RuntimeError(f"{result.args} failed: {result.stderr.decode(errors='replace')}")

    def _ensure_prefix(self):
        if (self.prefix / "system.reg").exists():
            return
        with open(self.scratch / "wine-prefix.log", "wb") as log:
            subprocess.run(
                [REPO / "scripts/wine-prefix.sh", self.prefix],
                stdin=subprocess.DEVNULL,
                stdout=log,
                stderr=log,
                check=True,
                timeout=600,
            )

    def _start_xvfb(self):
        first, last = _display_range()
        width, height = self.screen_size
        log = open(self.scratch / "xvfb.log", "wb")
        self._files.append(log)
        for number in range(first, last + 1):
            # Numbers in use, or left locked by a server that died, belong to someone else.
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            ready, ready_writer = os.pipe()
            process = subprocess.Popen(
                # -r: no auto-repeat, so a key press held up by a busy machine stays one.
                ["Xvfb", f":{number}", "-screen", "0", f"{width}x{height}x24",
                 "-nolisten", "tcp", "-r", "-displayfd", str(ready_writer)],
                pass_fds=(ready_writer,),
                stdin=subprocess.DEVNULL,
                stdout=log,
                stderr=log,
            )
            os.close(ready_writer)
            # Xvfb writes its display number once it accepts clients, or exits if taken.
            answer = _read_until_closed_or_line(ready, START_TIMEOUT)
            os.close(ready)
            if answer.strip() == str(number).encode():
                self._xvfb = process
                self.display = f":{number}"
                return
            _end_process(process)
        raise RuntimeError(f"no free X display in :{first} to :{last}")

    def _wait_for_wine_to_leave_display(self):
        """Waits until the Wine desktop process (explorer) that served this display has ended.

        It ends on its own once the display is gone; the next session's notepad must not
        attach to it in the meantime. Nothing is ended here: it is not ours."""
        wanted = {f"DISPLAY={self.display}".encode(), f"WINEPREFIX={self.prefix}".encode()}

        def gone():
            for environ in Path("/proc").glob("[0-9]*/environ"):
                try:
                    if wanted <= set(environ.read_bytes().split(b"\0")):
                        return False
                except OSError:
                    continue
            return True

        try:
            wait_until(gone, f"Wine to leave display {self.display}", timeout=15)
        except TimeoutError as error:
            print(f"e2e: {error}", file=sys.stderr)

    def _start_probe(self):
        self._probe = self.start_wine([self.probe_exe], "probe", pipes=True)

    def _probe_call(self, line):
        return self._probe_request(line)()

    def _probe_request(self, line, timeout=DEFAULT_TIMEOUT):
        """Sends a request; returns the function that waits for its answer."""
        if self._probe.poll() is not None:
            raise RuntimeError(f"window probe ended with {self._probe.returncode}")
        self._probe.stdin.write(line.encode() + b"\n")
        self._probe.stdin.flush()
        return lambda: self._probe_answer(line, timeout)

    def _probe_answer(self, line, timeout):
        answer = _read_until_closed_or_line(self._probe.stdout.fileno(), timeout)
        if not answer.endswith(b"\n"):
            raise RuntimeError(f"window probe gave no answer to {line!r}")
        return answer.decode().rstrip("\r\n")


WindowState = collections.namedtuple("WindowState", "visible rect")


class Pixels:
    """A binary PPM (P6, 8 bits) image, as ImageMagick writes one."""

    def __init__(self, ppm):
        fields = []
        at = 0
        while len(fields) < 4:
            while ppm[at : at + 1].isspace():
                at += 1
            end = at
            while not ppm[end : end + 1].isspace():
                end += 1
            fields.append(ppm[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError(f"not an 8-bit binary PPM: {fields!r}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self._data = ppm[at + 1 :]

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return tuple(self._data[at : at + 3])


def _read_until_closed_or_line(fd, timeout):
    """Reads bytes from fd up to a line end, its end, or the time limit."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            break
        readable, _, _ = select.select([fd], [], [], remaining)
        if not readable:
            break
        chunk = os.read(fd, 1)
        if not chunk:
            break
        data += chunk
    return data


def _ignoring(exception, function):
    def call():
        try:
            return function()
        except exception:
            return None

    return call


def _display_range():
    numbers = os.environ.get("TARQUEL_E2E_DISPLAYS", "100-199")
    first, _, last = numbers.partition("-")
    return int(first), int(last or first)


def _end_process(process):
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=10)


_live_sessions = []


@atexit.register
def _close_live_sessions():
    for session in list(_live_sessions):
        session.close()


class SessionTestCase(unittest.TestCase):
    """Cases that share one Session (started once per class), each beginning with a clear
    notepad and an empty typed buffer."""

    config = b""
    tarquel_debug = TARQUEL_WINEDEBUG
    keyboard_layout = None
    dpi = None
    # False: the class starts tarquel itself (in prepare_session or in its cases).
    with_tarquel = True
    session = None

    @classmethod
    def setUpClass(cls):
        cls.session = Session(cls.__name__, config=cls.config)
        cls.session.tarquel_debug = cls.tarquel_debug
        cls.session.keyboard_layout = cls.keyboard_layout
        cls.session.dpi = cls.dpi
        try:
            cls.session.start(with_tarquel=cls.with_tarquel)
            cls.prepare_session()
        except BaseException:
            cls.session.note_failure("start")
            cls.session.close()
            raise

    @classmethod
    def prepare_session(cls):
        """What a class sets up once its session runs; a failure here ends the session."""

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.session.clear_notepad()

    def run(self, result=None):
        result = result if result is not None else self.defaultTestResult()
        before = len(result.failures) + len(result.errors)
        super().run(result)
        if len(result.failures) + len(result.errors) > before and self.session is not None:
            self.session.note_failure(self.id())
        return result


def _interrupt(*_):
    raise KeyboardInterrupt


def main():
    """Entry point of a test file: takes --tarquel, --probe, --scratch, the rest is unittest's."""
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--tarquel", required=True, help="the built tarquel.exe")
    parser.add_argument("--probe", required=True, help="the built e2e_window_probe.exe")
    parser.add_argument("--scratch", help="where scratch directories go (default: temp)")
    options, rest = parser.parse_known_args()
    Options.tarquel, Options.probe, Options.scratch_root = (
        options.tarquel,
        options.probe,
        options.scratch,
    )
    # CTest ends a test that runs too long with SIGTERM: still end what the sessions started.
    # (KeyboardInterrupt, because unittest would count SystemExit as one failed case and go on.)
    signal.signal(signal.SIGTERM, _interrupt)
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
