#!/usr/bin/env python3
"""Takes the user guide's pictures of tarquel.exe under Wine: docs/images/*.png.

    scripts/screenshots.py [--build DIR] [--out DIR]     (or: make screenshots)

Builds tarquel.exe and the end-to-end window probe with the windows preset (in DIR, default
build/windows) unless they are up to date, then drives the real program through the end-to-end
harness on a virtual display: the main window with a few triggers, the status overlay right
after the toggle shortcut switched expansion off, and the shortcut capture dialog. Each picture
is cropped to its window; the rounded corners of the main window and the overlay are left
transparent. TARQUEL_E2E_DISPLAYS="81-89" picks the X display numbers, WINEPREFIX the Wine
prefix (default DIR/wineprefix).
"""

import argparse
import os
import re
import subprocess
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests/e2e"))

import harness  # noqa: E402

# What the main window lists in the picture: the two defaults and some everyday ones.
CONFIG = (
    b":addr=221B Baker Street, London NW1 6XE\r\n"
    b":brb=be right back\r\n"
    b":demo=Hello World\r\n"
    b":mail=jane.doe@example.com\r\n"
    b":sig=Best regards,  Jane Doe\r\n"
    b":ty=Thank you very much!\r\n"
)

MAIN_SIZE = (800, 500)
MAIN_CORNER_RADIUS = 8
OVERLAY_SIZE = (200, 80)
OVERLAY_CORNER_RADIUS = 10
OVERLAY_OFF = (120, 30, 30)  # the overlay's "DISABLED" colour as drawn (no compositor on Xvfb)
DOT_ON = (0, 255, 100)
STATUS_DOT = (150, 30)  # client coordinates in the main window
TRIGGER_FIELD = (130, 425)
EXPANSION_FIELD = (400, 425)
SETTING_BUTTON = (345, 80)
CANCEL_BUTTON = (160, 107)  # client coordinates in the capture dialog
CAPTURE_PROMPT = "Press Ctrl, Alt, Shift + Key..."
OFF_LINE = "Expander: OFF\n"
ON_LINE = "Expander: ON\n"


def build(build_dir):
    if not (build_dir / "CMakeCache.txt").exists():
        subprocess.run(
            ["cmake", "--preset", "windows", "-B", str(build_dir)], cwd=REPO, check=True
        )
    subprocess.run(
        ["cmake", "--build", str(build_dir), "-j2", "--target", "tarquel", "e2e_window_probe"],
        cwd=REPO,
        check=True,
    )
    return build_dir / "tarquel.exe", build_dir / "tests/e2e/e2e_window_probe.exe"


def window_geometry(session, title):
    """(x, y, width, height) on the screen of the visible window with that title, or None."""
    windows = session.find_windows(name=title)
    if not windows:
        return None
    text = session.xdotool("getwindowgeometry", windows[0]).stdout.decode()
    position = re.search(r"Position: (-?\d+),(-?\d+)", text)
    size = re.search(r"Geometry: (\d+)x(\d+)", text)
    if not position or not size:
        return None
    return tuple(int(n) for n in (*position.groups(), *size.groups()))


def click(session, origin, point):
    x, y = origin[0] + point[0], origin[1] + point[1]
    session._check(session.xdotool("mousemove", x, y, "click", "1"))


def crop(screen, out, x, y, width, height, radius=0):
    """Cuts the window out of a screenshot; a radius makes the corners outside it transparent."""
    args = ["convert", str(screen), "-crop", f"{width}x{height}+{x}+{y}", "+repage"]
    if radius:
        args += [
            "(", "-size", f"{width}x{height}", "xc:none", "-fill", "white", "-draw",
            # Like a GDI rectangle, the window's rounded region leaves out its last column and row.
            f"roundrectangle 0,0,{width - 2},{height - 2},{radius},{radius}", ")",
            "-alpha", "set", "-compose", "DstIn", "-composite",
        ]
    # No time stamps in the file: the same picture gives the same bytes.
    args += ["-strip", "-define", "png:exclude-chunks=date,time", str(out)]
    subprocess.run(args, check=True)


def overlay_showing(pixels, colour):
    width, height = OVERLAY_SIZE
    left, top = (pixels.width - width) // 2, pixels.height // 4
    inside = [(left + 3, top + 40), (left + width - 4, top + 40), (left + 100, top + 3),
              (left + 100, top + height - 4)]
    return all(pixels.pixel(x, y) == colour for x, y in inside)


def take_pictures(session, out):
    main = session.wait_until(
        lambda: window_geometry(session, "^Tarquel$"), "tarquel's main window",
        timeout=harness.START_TIMEOUT,
    )
    origin = main[:2]
    session.wait_until(
        lambda: session.screen_pixels().pixel(origin[0] + STATUS_DOT[0],
                                              origin[1] + STATUS_DOT[1]) == DOT_ON,
        "the main window to be painted",
    )

    # A new entry half typed, as someone about to press "ADD" would have it.
    click(session, origin, TRIGGER_FIELD)
    session.type(":mtg")
    click(session, origin, EXPANSION_FIELD)
    session.type("See you at the meeting")
    session.wait_until(
        lambda: session.dialog_item_text("TarquelApp", 103) == "See you at the meeting",
        "the expansion field to hold the text",
        describe=lambda: session.dialog_item_text("TarquelApp", 103),
    )
    # Off the buttons, so that none is drawn hovered.
    session._check(session.xdotool("mousemove", origin[0] + 700, origin[1] + 470))
    screen = session.scratch / "main.png"
    session.screenshot(screen)
    crop(screen, out / "main-window.png", *origin, *MAIN_SIZE, MAIN_CORNER_RADIUS)

    # The overlay lives 1.5 s: a grab that missed it switches back on and tries again.
    width, height = OVERLAY_SIZE
    for _ in range(5):
        before = sum(line == OFF_LINE for line in session.debug_lines())
        session.key("ctrl+shift+F12")
        session.wait_for_debug_line(OFF_LINE, count=before + 1)
        screen = session.scratch / "overlay.png"
        session.wait_until(
            lambda: session.window_text("TarquelOverlay") is not None, "the overlay"
        )
        session.screenshot(screen)
        pixels = harness.Pixels(_ppm(screen))
        if overlay_showing(pixels, OVERLAY_OFF):
            left, top = (pixels.width - width) // 2, pixels.height // 4
            crop(screen, out / "status-overlay.png", left, top, width, height,
                 OVERLAY_CORNER_RADIUS)
            break
        ons = sum(line == ON_LINE for line in session.debug_lines())
        session.key("ctrl+shift+F12")
        session.wait_for_debug_line(ON_LINE, count=ons + 1)
    else:
        raise RuntimeError("the overlay was gone before any screenshot showed it")
    session.wait_until(
        lambda: session.window_text("TarquelOverlay") is None, "the overlay to close"
    )

    click(session, origin, SETTING_BUTTON)
    session.wait_until(
        lambda: session.window_text("ShortcutCapture", "Static") == CAPTURE_PROMPT,
        "the capture dialog",
    )
    dialog = session.wait_until(
        lambda: window_geometry(session, "^Set Toggle Shortcut$"), "the capture dialog's window"
    )
    screen = session.scratch / "capture.png"
    session.screenshot(screen)
    crop(screen, out / "shortcut-capture.png", *dialog)
    click(session, dialog[:2], CANCEL_BUTTON)
    session.wait_until(
        lambda: session.window_text("ShortcutCapture") is None, "the capture dialog to close"
    )


def _ppm(png):
    return subprocess.run(
        ["convert", str(png), "-depth", "8", "ppm:-"], capture_output=True, check=True
    ).stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=REPO / "build/windows",
                        help="windows build folder (made when missing)")
    parser.add_argument("--out", type=Path, default=REPO / "docs/images")
    options = parser.parse_args()
    build_dir = options.build.resolve()
    tarquel, probe = build(build_dir)
    os.environ.setdefault("WINEPREFIX", str(build_dir / "wineprefix"))
    options.out.mkdir(parents=True, exist_ok=True)

    session = harness.Session("screenshots", config=CONFIG, tarquel=tarquel, probe=probe)
    try:
        session.start()
        take_pictures(session, options.out.resolve())
    except BaseException:
        session.note_failure("screenshots")
        raise
    finally:
        session.close()
    for name in ("main-window.png", "status-overlay.png", "shortcut-capture.png"):
        print(options.out / name)


if __name__ == "__main__":
    main()
