"""The main window at 100 % and at 200 %: Wine started at 96 and at 192 DPI (LogPixels in the
prefix), tarquel.exe declares itself per-monitor DPI aware, and its window, header and controls
come out at twice the size at 192 DPI, with the header's texts side by side, none over another.

The display stays 1280 x 1024 (the shared wineserver keeps the size it first saw), so the
1600 x 1000 window at 192 DPI is wider than the screen: it opens at the screen's left edge, its
header's texts on the screen, its close mark past the right edge.
"""

import re

import harness

VERSION_TEXT = "v" + harness.PROJECT_VERSION
HEADER = (45, 45, 50)
TITLE = (245, 245, 245)
SECONDARY = (160, 160, 160)
ENABLED = (0, 255, 100)
WM_CLOSE = 0x0010
WM_LBUTTONDBLCLK = 0x0203
TRAY_CALLBACK = 1025
LIST_BOX_ID = 101
ADD_BUTTON_ID = 104
TRIGGER_EDIT_ID = 102

TRACE = harness.TARQUEL_WINEDEBUG + ",+font"
_TEXT_OUT = re.compile(
    r"NtGdiExtTextOutW 0x[0-9a-f]+, (-?\d+), (-?\d+), [0-9a-f]+, (?:\(null\)|\S+), "
    r'L"((?:[^"\\]|\\.)*)", \d+,'
)


def close_to(colour, expected, tolerance=4):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def scaled(length, dpi):
    return (length * dpi + 48) // 96


class DpiCases:
    """The cases, at the `dpi` of the SessionTestCase they are mixed into.

    At 192 DPI the window covers notepad, where the harness clicks to give it the focus, and
    Wine's own tray window (an X window of its own at the top left) covers the header. So
    tarquel's window is hidden while the harness waits for the hook and shown again through the
    tray icon's message, and the tray window is moved to the bottom of the display."""

    tarquel_debug = TRACE
    with_tarquel = False

    @classmethod
    def prepare_session(cls):
        session = cls.session
        session.launch_tarquel()
        cls.wait_until_shown(True)
        session.post_message("TarquelApp", WM_CLOSE)
        cls.wait_until_shown(False)
        session.wait_for_hook()
        for tray in session.find_windows(name="^Wine System Tray$"):
            session.xdotool("windowmove", tray, 0, harness.SCREEN_HEIGHT - 40)
        session.post_message("TarquelApp", TRAY_CALLBACK, 0, WM_LBUTTONDBLCLK)
        cls.wait_until_shown(True)

    @classmethod
    def wait_until_shown(cls, shown):
        def state():
            window = cls.session.window_state("TarquelApp")
            return window is not None and window.visible == shown

        cls.session.wait_until(state, f"tarquel's window {'shown' if shown else 'hidden'}")

    def setUp(self):
        # Nothing is typed; a click into notepad would land on tarquel's window at 192 DPI.
        pass

    def window(self):
        return self.session.wait_until(
            lambda: self.session.window_state("TarquelApp"), "tarquel's main window"
        )

    def header_drawn(self):
        """{text: (x, y)} of the header's last TextOut of each text, in client coordinates."""
        log = self.session.tarquel_stderr.read_bytes().decode("latin-1")
        band = scaled(60, self.dpi)
        return {text: (int(x), int(y)) for x, y, text in _TEXT_OUT.findall(log) if int(y) < band}

    def painted_header(self):
        """The header as drawn: its texts' places once the version and the state are out."""

        def drawn():
            texts = self.header_drawn()
            return texts if {"Tarquel", VERSION_TEXT, "ON"} <= texts.keys() else None

        return self.session.wait_until(drawn, "the header painted", describe=self.header_drawn)

    def header_columns(self, screen, left, top, colour):
        """The screen columns, relative to the window, of the header pixels of that colour."""
        band = scaled(60, self.dpi)
        columns = set()
        for y in range(top, top + band):
            for x in range(max(left, 0), min(left + scaled(800, self.dpi), screen.width)):
                if close_to(screen.pixel(x, y), colour):
                    columns.add(x - left)
        return sorted(columns)

    def header_rows(self, screen, left, top, colour, x_end):
        rows = set()
        for y in range(top, top + scaled(60, self.dpi)):
            for x in range(max(left, 0), min(left + x_end, screen.width)):
                if close_to(screen.pixel(x, y), colour):
                    rows.add(y - top)
        return sorted(rows)

    # ---- cases ------------------------------------------------------------------------------

    def test_window_and_controls_are_scaled(self):
        left, top, right, bottom = self.window().rect
        self.assertEqual((right - left, bottom - top), (scaled(800, self.dpi), scaled(500, self.dpi)))
        self.assertGreaterEqual(left, 0, "the header's left end stays on the screen")
        self.assertGreaterEqual(top, 0)
        for control, place in [
            (LIST_BOX_ID, (30, 136, 770, 282)),
            (TRIGGER_EDIT_ID, (40, 340, 220, 360)),
            (ADD_BUTTON_ID, (570, 330, 650, 370)),
        ]:
            rect = self.session.control_rect("TarquelApp", control)
            expected = tuple(scaled(n, self.dpi) for n in place)
            self.assertEqual(
                (rect[0] - left, rect[1] - top, rect[2] - left, rect[3] - top), expected, control
            )

    def test_header_texts_stand_side_by_side(self):
        texts = self.painted_header()
        title_x, version_x, state_x = texts["Tarquel"][0], texts[VERSION_TEXT][0], texts["ON"][0]
        self.assertEqual(title_x, scaled(24, self.dpi))
        self.assertLess(title_x, version_x)
        self.assertLess(version_x, state_x)

        left, top, _, _ = self.window().rect

        # Traced as it is drawn: wait for the pixels of the state word too.
        def state_word_shown(screen):
            return any(c >= state_x for c in self.header_columns(screen, left, top, ENABLED))

        def screen_with_state_word():
            screen = self.session.screen_pixels()
            return screen if state_word_shown(screen) else None

        screen = self.session.wait_until(screen_with_state_word, "the state word on the screen")
        title = self.header_columns(screen, left, top, TITLE)
        secondary = self.header_columns(screen, left, top, SECONDARY)
        self.assertTrue(title and secondary, "title and version pixels in the header")
        # The title's strokes end before the version's begin, and those begin where it was put.
        self.assertLess(max(title), min(secondary))
        self.assertLess(max(title), version_x)
        self.assertGreaterEqual(min(secondary), version_x)
        self.assertGreaterEqual(min(title), title_x)
        # The status dot lies between the version and the state word.
        dot = [c for c in self.header_columns(screen, left, top, ENABLED) if c < state_x]
        self.assertTrue(dot, "the status dot")
        self.assertGreater(min(dot), max(c for c in secondary if c < state_x))
        # The title is as tall as its font at this DPI: 24 px at 100 %, 48 at 200 %.
        rows = self.header_rows(screen, left, top, TITLE, version_x)
        height = max(rows) - min(rows) + 1
        self.assertGreater(height, scaled(12, self.dpi), rows)
        self.assertLessEqual(height, scaled(24, self.dpi), rows)
        self.session.screenshot(self.session.scratch / f"header-{self.dpi}.png")


class AtStandardDpi(DpiCases, harness.SessionTestCase):
    dpi = 96


class AtDoubleDpi(DpiCases, harness.SessionTestCase):
    dpi = 192


if __name__ == "__main__":
    harness.main()
