#!/usr/bin/env python3
"""Fails on an #include that runs against the order of the rooms, or on Windows headers in a
platform-free file.

Each room may include only the rooms listed for it (and itself). A file without "_win" in its
name includes neither <windows.h> (nor another Windows SDK header) nor a *_win.h, so that it
builds and is tested on any host; tests may, inside #ifdef _WIN32.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent

# Room -> the rooms it may include besides itself, in the order of their links.
ALLOWED = {
    "util": [],
    "engine/input": ["util"],
    "engine/match": ["util", "engine/input"],
    "engine/output": ["util", "engine/input", "engine/match"],
    "engine": ["util", "engine/input", "engine/match", "engine/output"],
    "store": ["util", "engine/match"],
    "settings": ["util", "engine/input", "engine/output", "engine/match"],
    "update": ["util", "settings"],
    "ui": ["util", "engine/input", "engine/match", "engine/output", "engine", "store", "settings",
           "update"],
    "app": ["util", "engine/input", "engine/match", "engine/output", "engine", "store", "settings",
            "update", "ui"],
}
# Outside the program: they may include every room, and nothing in the program includes them.
FREE = ["tests", "fuzz", "bench"]

WINDOWS_HEADERS = {"windows.h", "shellapi.h", "commctrl.h", "winhttp.h", "shlobj.h", "objbase.h",
                   "wtsapi32.h", "uiautomation.h", "shellscalingapi.h", "winuser.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def room_of(path: str) -> str | None:
    """The room of a path relative to the root: the longest room name it starts with."""
    best = None
    for room in list(ALLOWED) + FREE:
        if path.startswith(room + "/") and (best is None or len(room) > len(best)):
            best = room
    return best


def check_file(path: pathlib.Path) -> list[str]:
    relative = path.relative_to(ROOT).as_posix()
    room = room_of(relative)
    if room is None:
        return []
    platform_free = "_win" not in path.name
    problems = []
    guarded = 0  # depth of #if blocks that test _WIN32
    depth = 0
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        stripped = line.strip()
        if re.match(r"#\s*if", stripped):
            depth += 1
            if "_WIN32" in stripped and guarded == 0:
                guarded = depth
        elif re.match(r"#\s*endif", stripped):
            if guarded == depth:
                guarded = 0
            depth -= 1
        match = INCLUDE.match(line)
        if not match:
            continue
        kind, name = match.groups()
        where = f"{relative}:{number}"
        windows = (kind == "<" and name.lower() in WINDOWS_HEADERS) or name.endswith("_win.h")
        if windows and platform_free and not (room in FREE and guarded):
            problems.append(f"{where}: {name} in a file without _win in its name")
        if kind != '"':
            continue
        target = room_of(name)
        if target is None or target == room:
            continue
        if room in FREE:
            continue
        if target in FREE:
            problems.append(f"{where}: the program includes {name}")
        elif target not in ALLOWED[room]:
            problems.append(f"{where}: {room}/ may not include {name} ({target}/ is not below it)")
    return problems


def main() -> int:
    problems = []
    for room in list(ALLOWED) + FREE:
        folder = ROOT / room
        if not folder.is_dir():
            continue
        for path in sorted(folder.rglob("*")):
            if path.suffix in (".h", ".cpp", ".in") and "build" not in path.parts:
                # A nested room's files are checked under that room.
                if room_of(path.relative_to(ROOT).as_posix()) == room:
                    problems += check_file(path)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the rooms' order", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
