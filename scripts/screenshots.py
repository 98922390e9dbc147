#!/usr/bin/env python3
"""Takes the user guide's pictures of tarquel.exe under Wine: docs/images/*.png.

    scripts/screenshots.py [--build DIR] [--out DIR]     (or: make screenshots)

Builds tarquel.exe and the end-to-end window probe with the windows preset (in DIR, default
build/windows) unless they are up to date, then drives the real program through the end-to-end
harness on a virtual display, at 96 DPI (100 %) and again at 192 DPI (200 %, the files ending in
-192dpi) on a display large enough for it:

    main-window.png         the main window with a few triggers and a new entry half typed
    trigger-list.png        its list of triggers
    tray-menu.png           the notification-area icon's menu (opened by the icon's own message)
    settings-window.png     the Settings window (TarquelSettings, opened with Ctrl+, in the main
                            window) when the build has one; a build without it leaves the picture
                            out and says so
    status-overlay.png      the overlay right after the toggle shortcut switched expansion off
    shortcut-capture.png    the shortcut capture dialog                          (these two: 96 DPI)

Each picture is cropped to its window; the rounded corners of the main window and the overlay
are left transparent. TARQUEL_E2E_DISPLAYS="81-89" picks the X display numbers, WINEPREFIX the
Wine prefix (default DIR/wineprefix). The 192-DPI pictures are taken in a prefix of their own,
DIR/wineprefix-hidpi (made when missing): a wineserver keeps the screen size it first saw, and
the shared one has seen 1280 x 1024.
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

# What the main window lists in the picture: the two defaults, some everyday ones and a group of
# word triggers with options.
CONFIG = (
    b":addr=221B Baker Street, London NW1 6XE\r\n"
    b":brb=be right back\r\n"
    b":demo=Hello World\r\n"
    b":mail=jane.doe@example.com\r\n"
    b":sig=Best regards,  Jane Doe\r\n"
    b":ty=Thank you very much!\r\n"
    b"\r\n"
    b"[group Words: after ending]\r\n"
    b"(options: word start, conform case)\r\n"
    b"btw=by the way\r\n"
    b"omw=on my way\r\n"
)

MAIN_SIZE = (800, 500)
MAIN_CORNER_RADIUS = 8
HIDPI = 192
HIDPI_SCREEN = (2560, 1600)
OVERLAY_SIZE = (200, 80)
OVERLAY_CORNER_RADIUS = 10
OVERLAY_OFF = (120, 30, 30)  # the overlay's "DISABLED" colour as drawn (no compositor on Xvfb)
DOT_ON = (0, 255, 100)
TRIGGER_EDIT_ID = 102
EXPANSION_EDIT_ID = 103
SETTING_BUTTON_ID = 110
LIST_ID = 101
MENU_CLASS = "#32768"
TRAY_CALLBACK = 0x0401  # WM_USER + 1, the icon's message to the main window
WM_RBUTTONUP = 0x0205
SETTINGS_CLASS = "TarquelSettings"
SETTINGS_WAIT = 5.0  # seconds for Ctrl+, to show it; a build without one shows nothing
WM_CLOSE = 0x0010
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


def scaled(length, dpi):
    return (length * dpi + 48) // 96


def dot_shown(session, origin, dpi):
    """Whether the header's green state dot is on the screen: it lies between the version
    and the state word, somewhere in the band from x 120 to 240 at 96 DPI, at y 30."""
    pixels = session.screen_pixels()
    y = origin[1] + scaled(30, dpi)
    columns = range(scaled(120, dpi), scaled(240, dpi))
    return any(pixels.pixel(origin[0] + x, y) == DOT_ON for x in columns)


def click_control(session, control_id):
    session.click_control("TarquelApp", control_id)


def suffixed(name, dpi):
    return name if dpi == 96 else name.replace(".png", f"-{dpi}dpi.png")


def crop_rect(screen, out, rect):
    left, top, right, bottom = rect
    crop(screen, out, left, top, right - left, bottom - top)


def screenshot_when_still(session, path):
    """A window is painted a moment after it shows: the screenshot is taken once two looks at
    the screen in a row agree (compared as PPM, which carries no time stamp)."""
    previous = None
    for _ in range(20):
        pixels = _screen_ppm(session)
        if pixels == previous:
            break
        previous = pixels
    session.screenshot(path)


def take_list_picture(session, out, dpi):
    """The trigger list alone, as the main window shows it now."""
    rect = session.wait_until(
        lambda: session.control_rect("TarquelApp", LIST_ID), "the trigger list"
    )
    screen = session.scratch / f"list-{dpi}.png"
    session.screenshot(screen)
    crop_rect(screen, out / suffixed("trigger-list.png", dpi), rect)


def take_tray_menu_picture(session, out, dpi):
    """The tray icon's menu, opened as a right click on the icon opens it: the icon's message
    to the main window (Wine's tray on Xvfb has no icon to click). It opens at the pointer."""
    screen_width, screen_height = session.screen_size
    session._check(session.xdotool("mousemove", screen_width // 2, screen_height * 3 // 4))
    if session.post_message("TarquelApp", TRAY_CALLBACK, 0, WM_RBUTTONUP) != "ok":
        raise RuntimeError("tarquel's main window is missing")

    def shown_menu():
        menu = session.window_state(MENU_CLASS)
        return menu if menu is not None and menu.visible else None

    menu = session.wait_until(shown_menu, "the tray menu")
    screen = session.scratch / f"tray-menu-{dpi}.png"
    screenshot_when_still(session, screen)
    crop_rect(screen, out / suffixed("tray-menu.png", dpi), menu.rect)
    # Escape goes to whichever X window has the focus, not the menu: its top item, Restore,
    # closes it and changes nothing (the main window is up already).
    left, top, right, _ = menu.rect
    session._check(
        session.xdotool("mousemove", (left + right) // 2, top + scaled(11, dpi), "click", "1")
    )
    session.wait_until(lambda: shown_menu() is None, "the tray menu to close")


def take_settings_picture(session, out, dpi):
    """The Settings window, opened with Ctrl+, in the main window. Returns False when this build
    shows none."""
    session.activate("TarquelApp")
    session.wait_until(
        lambda: session.foreground_class() == "TarquelApp", "the main window in front"
    )
    session.key("ctrl+comma")

    def shown():
        window = session.window_state(SETTINGS_CLASS)
        return window if window is not None and window.visible else None

    try:
        settings = session.wait_until(shown, "the Settings window", timeout=SETTINGS_WAIT)
    except TimeoutError:
        return False
    screen = session.scratch / f"settings-{dpi}.png"
    screenshot_when_still(session, screen)
    crop_rect(screen, out / suffixed("settings-window.png", dpi), settings.rect)
    if session.post_message(SETTINGS_CLASS, WM_CLOSE) != "ok":
        raise RuntimeError("the Settings window went away before it was closed")
    session.wait_until(lambda: shown() is None, "the Settings window to close")
    return True


def take_window_pictures(session, out, dpi):
    """The pictures taken at every DPI; returns the names of those taken."""
    names = [suffixed("main-window.png", dpi), suffixed("trigger-list.png", dpi),
             suffixed("tray-menu.png", dpi)]
    take_main_picture(session, out, names[0], dpi)
    take_list_picture(session, out, dpi)
    take_tray_menu_picture(session, out, dpi)
    if take_settings_picture(session, out, dpi):
        names.append(suffixed("settings-window.png", dpi))
    else:
        print(f"No Settings window opened within {SETTINGS_WAIT:.0f} s: "
              f"{suffixed('settings-window.png', dpi)} not taken", flush=True)
    return names


def take_main_picture(session, out, name, dpi):
    width, height = (scaled(n, dpi) for n in MAIN_SIZE)
    main = session.wait_until(
        lambda: window_geometry(session, "^Tarquel$"), "tarquel's main window",
        timeout=harness.START_TIMEOUT,
    )
    origin = main[:2]
    if main[2:] != (width, height):
        raise RuntimeError(f"the main window is {main[2]} x {main[3]}, not {width} x {height}")
    session.wait_until(lambda: dot_shown(session, origin, dpi), "the main window to be painted")

    # A new entry half typed, as someone about to press "ADD" would have it.
    click_control(session, TRIGGER_EDIT_ID)
    session.type(":mtg")
    click_control(session, EXPANSION_EDIT_ID)
    session.type("See you at the meeting")
    def expansion():
        return session.dialog_item_text("TarquelApp", EXPANSION_EDIT_ID)

    session.wait_until(
        lambda: expansion() == "See you at the meeting",
        "the expansion field to hold the text",
        describe=expansion,
    )
    # Off the buttons, so that none is drawn hovered.
    session._check(
        session.xdotool("mousemove", origin[0] + scaled(700, dpi), origin[1] + scaled(470, dpi))
    )
    screen = session.scratch / f"main-{dpi}.png"
    session.screenshot(screen)
    crop(screen, out / name, *origin, width, height, scaled(MAIN_CORNER_RADIUS, dpi))
    return origin


def take_pictures(session, out):
    names = take_window_pictures(session, out, 96)

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

    click_control(session, SETTING_BUTTON_ID)

    def capture_or_settings():
        if session.window_text("ShortcutCapture", "Static") == CAPTURE_PROMPT:
            return "capture"
        window = session.window_state(SETTINGS_CLASS)
        return "settings" if window is not None and window.visible else None

    if session.wait_until(capture_or_settings, "the capture dialog") == "settings":
        # SETTING opens the Settings window in this build: the capture dialog is one step
        # further, behind a shortcut's own button there.
        session.post_message(SETTINGS_CLASS, WM_CLOSE)
        print("SETTING opened the Settings window: shortcut-capture.png not taken", flush=True)
        return names + ["status-overlay.png"]
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
    return names + ["status-overlay.png", "shortcut-capture.png"]


def _screen_ppm(session):
    return subprocess.run(
        ["import", "-window", "root", "-depth", "8", "ppm:-"], env=session.x_env(),
        stdin=subprocess.DEVNULL, capture_output=True, check=True,
    ).stdout


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
        taken = take_pictures(session, options.out.resolve())
    except BaseException:
        session.note_failure("screenshots")
        raise
    finally:
        session.close()

    hidpi = harness.Session(
        "screenshots-192dpi", config=CONFIG, tarquel=tarquel, probe=probe,
        prefix=build_dir / "wineprefix-hidpi",
    )
    hidpi.dpi = HIDPI
    hidpi.screen_size = HIDPI_SCREEN
    try:
        hidpi.start()
        taken += take_window_pictures(hidpi, options.out.resolve(), HIDPI)
    except BaseException:
        hidpi.note_failure("screenshots-192dpi")
        raise
    finally:
        hidpi.close()
        # This prefix's wineserver has seen only this display size; end it with its session.
        subprocess.run(["wineserver", "-k"], env={**os.environ, "WINEPREFIX": str(hidpi.prefix)},
                       check=False)
    for name in taken:
        print(options.out / name)


if __name__ == "__main__":
    main()
