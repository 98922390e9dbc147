#!/usr/bin/env python3
"""Figures taken under Wine with the end-to-end harness (figures, not pass/fail tests).

1. Hook time per key-down: the diagnostics build of tarquel.exe (TARQUEL_HOOK_TIMING=ON) runs
   with a table of 5,000 triggers while 2,000 keys are typed into Wine's notepad through the X
   server; it is quit through its tray command and its "Hook timing: ..." summary line is read.
2. Expansion throughput: a trigger whose expansion is 2,000 characters goes into notepad's
   EDIT control typed (settings.txt paste_threshold=0) and pasted (the default, with text and
   a bitmap on the clipboard that must come back), next to the same 2,000 characters sent by
   one bare SendInput (built the same way, tarquel_send_text.exe) with no expander running,
   run for run. The probe times each arrival from the first change of the text's length to
   the whole length, asking with WM_GETTEXTLENGTH only; for the expansions also from the
   trigger's last key (xdotool's start included), which counts the clipboard's saving too.
3. Start-up: from starting `wine tarquel.exe` to its first window (the main window) mapped on
   the X display, next to `wine notepad` started and detected the same way, run for run,
   alternating, with the update check's host (127.0.0.1:UPDATE_PORT) refusing connections. Then
   the same pairs with a host there that accepts and never answers: the check runs in the
   background and must not delay the window.
4. The hook's thread during a save: the test build with every file write taking 3 s
   (TARQUEL_TEST_SLOW_FILE_WRITES_MS=3000) gets an "ADD"; for the 5 s that follow the click the window probe
   sends WM_NULL to the main window again and again and reports the longest wait for an answer,
   which is the longest the thread that answers the keyboard hook was busy.
5. Typing while config.txt is reloaded: single keys typed into notepad with nothing else going
   on, then while another program rewrites config.txt with about 40 MB again and again; each
   key timed from xdotool's start to its arrival in notepad (the probe polls the length), so
   both sets carry the same overhead and their difference is what the reloads cost a typist.

6. Paste: the 2,000-character paste of 2. timed for this build and, with --baseline-tarquel,
   for an earlier build (tarquel.exe only) in the same run, alternating; then, with a clipboard
   owner that takes 3 s to render (e2e_slow_clipboard.exe beside the probe), the time from the
   trigger's last key to the expansion's first character in notepad (the save gives up within
   its budget and the expansion is typed) and to its last.

Every figure is the median of --runs runs (default 5). One command:

    make bench-wine

or by hand, with builds of your own:

    WINEPREFIX=$PWD/build/wperf-prefix TARQUEL_E2E_DISPLAYS=91-99 python3 bench/wine_measure.py \\
      --timing-tarquel build/wperf-timing/tarquel.exe --tarquel build/wperf-win/tarquel.exe \\
      --test-tarquel build/wperf-win/tarquel_test.exe \\
      --probe build/wperf-win/tests/e2e/e2e_window_probe.exe \\
      --send-text build/wperf-win/bench/tarquel_send_text.exe

where tarquel_test.exe is the test build of the same commit: its switches make it ask
http://127.0.0.1:47816/version.txt (UPDATE_PORT) for the start-up figures and write slowly for
the save figure. One figure only: --only hook|throughput|startup|save|editor|latency|paste.
"""

import argparse
import os
import random
import re
import socket
import statistics
import sys
import threading
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests/e2e"))
import harness  # noqa: E402

TYPED_KEYS = 2000
# Large chunks keep xdotool's own start-up out of the way. The harness's pace between key
# events: at 1 ms Wine delivered the keys to notepad without calling the hook at all.
CHUNK = 250
KEY_DELAY_MS = harness.KEY_DELAY_MS
TRIGGERS = 5000
EXPANSION_LENGTH = 2000
UPDATE_PORT = 47816
WM_COMMAND = 0x0111
TRAY_QUIT = 2001
_SUMMARY = re.compile(
    r"Hook timing: key-downs=(\d+) timed=(\d+) p50_us=([\d.]+) p99_us=([\d.]+) max_us=([\d.]+)"
)


def trigger_table():
    """5,000 triggers none of which the typed text (lower-case letters, spaces) can end with."""
    lines = [f":t{n:05d}=expansion number {n}\n" for n in range(TRIGGERS)]
    return "".join(lines).encode()


def typing_text(seed):
    rng = random.Random(seed)
    words = []
    length = 0
    while length < TYPED_KEYS:
        word = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
        words.append(word)
        length += len(word) + 1
    return " ".join(words)[:TYPED_KEYS]


def clear_notepad(session):
    session.focus_notepad()
    session.key("ctrl+a", "BackSpace")
    session.wait_for_notepad_text("")


def hook_timing_run(session, seed):
    """One typing run; returns the parsed summary as a dict."""
    clear_notepad(session)
    session.start_tarquel()
    session.focus_notepad()
    text = typing_text(seed)
    for at in range(0, len(text), CHUNK):
        session._check(
            session.xdotool("type", "--delay", KEY_DELAY_MS, "--", text[at : at + CHUNK])
        )
    session.wait_until(
        lambda: len(session.notepad_text()) >= len(text),
        f"notepad to hold the {len(text)} typed characters",
        timeout=120,
        describe=lambda: len(session.notepad_text()),
    )
    arrived = len(session.notepad_text())
    quit_tarquel(session, None)
    line = session.wait_for_debug_line("Hook timing:")[-1]
    match = _SUMMARY.search(line)
    if not match:
        raise RuntimeError(f"unexpected summary line {line!r}")
    downs, timed, p50, p99, most = match.groups()
    if int(downs) < len(text):
        raise RuntimeError(f"the hook saw {downs} key-downs of {len(text)} typed: {line!r}")
    return dict(key_downs=int(downs), timed=int(timed), p50_us=float(p50), p99_us=float(p99),
                max_us=float(most), typed=len(text), arrived=arrived)


def hook_figures(args, timing_tarquel, name):
    session = harness.Session(f"wine-hook-{name}", config=trigger_table(), tarquel=timing_tarquel,
                              probe=args.probe)
    runs = []
    try:
        session.start(with_tarquel=False)
        for run in range(args.runs):
            result = hook_timing_run(session, seed=run)
            print(f"  hook run {run + 1} ({name}): {result}", flush=True)
            runs.append(result)
    except BaseException:
        session.note_failure("hook")
        raise
    finally:
        session.close()
    return runs


def long_expansion():
    """2,000 characters of words, capitals among them, all typed with plain keys or Shift."""
    rng = random.Random(2000)
    text = ""
    while len(text) < EXPANSION_LENGTH:
        word = "".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9)))
        text += (word.capitalize() if rng.random() < 0.2 else word) + " "
    return text[:EXPANSION_LENGTH]


def expansion_arrival(session, expansion, settings):
    """(ms from the first change of notepad's text to its whole length, ms from the trigger's
    last key to that moment) for :big under this settings.txt, in a tarquel started for it."""
    (session.scratch / "settings.txt").write_bytes(settings)
    clear_notepad(session)
    session.start_tarquel()
    session.focus_notepad()
    session.type(":bi")
    session.wait_for_notepad_text(":bi")
    began = []

    def press_last_key():
        began.append(time.monotonic())
        session.key("g")

    arrival = session.time_notepad_arrival(EXPANSION_LENGTH, press_last_key)
    from_key = (time.monotonic() - began[0]) * 1000
    if session.notepad_text() != expansion:
        raise RuntimeError("the expansion arrived other than it was written")
    quit_tarquel(session, None)
    return arrival, from_key


def throughput_figures(args):
    """Triples of (bare SendInput, typed, pasted) for the same 2,000 characters: each the pair
    (ms of arrival, ms from the trigger's last key)."""
    expansion = long_expansion()
    session = harness.Session("wine-throughput", config=f":big={expansion}\n".encode(),
                              tarquel=args.tarquel, probe=args.probe)
    runs = []
    try:
        session.start(with_tarquel=False)
        text_file = session.scratch / "expansion.txt"
        text_file.write_bytes(expansion.encode())
        for run in range(args.runs):
            clear_notepad(session)

            def send_bare():
                session.start_wine([Path(args.send_text).resolve(), text_file], f"send{run}")

            bare = session.time_notepad_arrival(EXPANSION_LENGTH, send_bare)
            # paste_threshold=0 types every expansion, as 1.0 did.
            typed = expansion_arrival(session, expansion, b"paste_threshold=0\r\n")
            session.clipboard_put("the user's clipboard", bitmap=True)
            before = session.clipboard_digest()
            pasted = expansion_arrival(session, expansion, b"")
            if session.clipboard_digest() != before:
                raise RuntimeError("the clipboard did not come back as it was")
            print(f"  throughput run {run + 1}: bare SendInput {bare:.0f} ms; typed {typed[0]:.0f} "
                  f"ms ({typed[1]:.0f} ms from the key); pasted {pasted[0]:.0f} ms "
                  f"({pasted[1]:.0f} ms from the key); typed/pasted from the key "
                  f"{typed[1] / pasted[1]:.1f}", flush=True)
            runs.append((bare, typed, pasted))
    except BaseException:
        session.note_failure("throughput")
        raise
    finally:
        session.close()
    return runs


def first_character_ms(session, began, timeout=30.0):
    """ms from `began` until notepad holds something other than the trigger's start: the
    expansion's first character, once the Backspaces have erased the trigger."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        text = session.notepad_text()
        if text and not text.startswith(":"):
            return (time.monotonic() - began) * 1000
    raise TimeoutError("the expansion's first character never arrived")


def paste_figures(args):
    """(this build's paste, the baseline's paste) per run, each (arrival ms, from the key ms);
    then per run (first character ms, whole expansion ms) with an owner taking 3 s."""
    expansion = long_expansion()
    builds = [("this", args.tarquel)]
    if args.baseline_tarquel:
        builds.append(("baseline", args.baseline_tarquel))
    session = harness.Session("wine-paste", config=f":big={expansion}\n".encode(),
                              tarquel=args.tarquel, probe=args.probe)
    pastes, slow = [], []
    try:
        session.start(with_tarquel=False)
        for run in range(args.runs):
            figures = {}
            for name, exe in builds:
                session.tarquel_exe = Path(exe).resolve()
                session.clipboard_put("the user's clipboard", bitmap=True)
                before = session.clipboard_digest()
                try:
                    figures[name] = expansion_arrival(session, expansion, b"")
                except (RuntimeError, TimeoutError) as error:
                    # Said, never hidden: the run is left out of the medians.
                    print(f"  paste run {run + 1}: {name} left out: {error}", flush=True)
                    if session.tarquel_running():
                        session.stop_tarquel()
                    break
                session.wait_until(lambda: session.clipboard_digest() == before,
                                   "the clipboard to come back as it was")
            if len(figures) != len(builds):
                continue
            print("  paste run " + str(run + 1) + ": " + "; ".join(
                f"{name} {f[0]:.0f} ms ({f[1]:.0f} ms from the key)"
                for name, f in figures.items()), flush=True)
            pastes.append(figures)
        session.tarquel_exe = Path(args.tarquel).resolve()
        helper = Path(args.probe).resolve().parent / "e2e_slow_clipboard.exe"
        for run in range(args.runs):
            owner = session.start_wine([helper], f"slow_owner{run}")
            output = session.scratch / f"slow_owner{run}.out"
            session.wait_until(lambda: "ready" in output.read_text(), "the slow owner")
            (session.scratch / "settings.txt").write_bytes(b"")
            clear_notepad(session)
            session.start_tarquel()
            session.focus_notepad()
            session.type(":bi")
            session.wait_for_notepad_text(":bi")
            began = time.monotonic()
            session.key("g")
            first = first_character_ms(session, began)
            session.wait_for_notepad_text(expansion, timeout=60)
            whole = (time.monotonic() - began) * 1000
            quit_tarquel(session, None)
            session.end_process(owner)
            print(f"  owner taking 3 s, run {run + 1}: first character {first:.0f} ms, "
                  f"whole expansion {whole:.0f} ms (from the key)", flush=True)
            slow.append((first, whole))
    except BaseException:
        session.note_failure("paste")
        raise
    finally:
        session.close()
    return pastes, slow


def x_window_count(session, cls):
    return len(session.find_windows(cls=cls))


def quit_tarquel(session, process):
    # Through its tray command, as a user quits it: a killed tarquel leaves its tray icon to
    # Wine's explorer, and the next program started (notepad) then took 1.7 s longer.
    if session.post_message("TarquelApp", WM_COMMAND, TRAY_QUIT, 0) != "ok":
        raise RuntimeError("tarquel's main window is missing")
    session.wait_for_tarquel_to_end()


def time_to_window(session, start, cls, before, stop=None):
    began = time.monotonic()
    process = start()
    harness.wait_until(
        lambda: x_window_count(session, cls) > before,
        f"a window of {cls}",
        timeout=harness.START_TIMEOUT,
    )
    elapsed = time.monotonic() - began
    if stop is not None:
        stop(session, process)
    session.end_process(process)
    harness.wait_until(lambda: x_window_count(session, cls) <= before, f"{cls} windows to go")
    return elapsed


def warm_starts(session):
    """One unmeasured start of each warms the file cache and Wine's server alike; gives the
    number of notepad windows there are before the measured ones."""
    time_to_window(session, session.launch_tarquel, "tarquel", 0, quit_tarquel)
    notepads = x_window_count(session, "notepad")
    time_to_window(session, lambda: session.start_wine(["notepad"], "np"), "notepad", notepads)
    return notepads


def start_pairs(session, runs, notepads, tag, label):
    """(tarquel, notepad) start-up times to their first window, `runs` times, one after the
    other."""
    pairs = []
    for run in range(runs):
        ours = time_to_window(session, session.launch_tarquel, "tarquel", 0, quit_tarquel)
        theirs = time_to_window(
            session, lambda: session.start_wine(["notepad"], f"np{tag}{run}"), "notepad", notepads
        )
        print(f"  start run {run + 1}{label}: tarquel {ours:.3f} s, notepad {theirs:.3f} s, "
              f"ratio {ours / theirs:.2f}", flush=True)
        pairs.append((ours, theirs))
    return pairs


def startup_figures(args):
    session = harness.Session("wine-start", config=b":demo=Hello World\n",
                              tarquel=args.test_tarquel, probe=args.probe)
    # As quiet as notepad: no Wine tracing at all.
    session.tarquel_debug = "-all"
    try:
        session.start(with_tarquel=False)
        notepads = warm_starts(session)
        pairs = start_pairs(session, args.runs, notepads, "", "")
        # A host that takes the connection and never says a word: the kernel accepts it from
        # the listening queue, nothing reads the request.
        with socket.create_server(("127.0.0.1", UPDATE_PORT), backlog=64):
            silent = start_pairs(session, args.runs, notepads, "s", ", host never answering")
    except BaseException:
        session.note_failure("start")
        raise
    finally:
        session.close()
    return pairs, silent


APP = "TarquelApp"
SAVE_WATCH_MS = 5000


def save_figures(args):
    """Longest busy time (ms) of tarquel's main thread in the 5 s after each ADD."""
    session = harness.Session("wine-save", config=b":demo=Hello World\r\n",
                              tarquel=args.test_tarquel, probe=args.probe)
    longest = []
    os.environ["TARQUEL_TEST_SLOW_FILE_WRITES_MS"] = "3000"
    try:
        session.start(with_tarquel=True)
        for run in range(args.runs):
            trigger = f"t{run}"
            for control_id, text in ((102, trigger), (103, f"expansion {run}")):
                session.click_control(APP, control_id)
                session.type(text)
                session.wait_until(lambda: session.dialog_item_text(APP, control_id) == text,
                                   f"field {control_id}")
            writes = len(session.debug_lines())
            # Where "ADD" is, asked before the probe is busy watching: it answers one at a time.
            left, top, right, bottom = session.control_rect(APP, 104)
            answer = session._probe_request(f"busy {APP} {SAVE_WATCH_MS}",
                                            SAVE_WATCH_MS / 1000 + harness.DEFAULT_TIMEOUT)
            session._check(session.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2,
                                           "click", "1"))
            words = answer().split()
            if words[0] != "ok":
                raise RuntimeError(f"the probe answered {words}")
            config = session.scratch / "config.txt"
            session.wait_until(lambda: f":{trigger}=".encode() in config.read_bytes(),
                               "the save to end")
            began = [l for l in session.debug_lines()[writes:] if "Slow file write: begins" in l]
            if not began:
                raise RuntimeError("no slowed write began during the watch")
            longest.append(float(words[1]))
            print(f"  save run {run + 1}: main thread busy at most {longest[-1]:.1f} ms over "
                  f"{words[2]} WM_NULL round trips, during a 3,000 ms write", flush=True)
    except BaseException:
        session.note_failure("save")
        raise
    finally:
        session.close()
        del os.environ["TARQUEL_TEST_SLOW_FILE_WRITES_MS"]
    return longest


BIG_TABLE = 100_000
SEARCH_FIELD_ID = 111
LIST_ID = 101
# What is typed into the search field, one after the other, and how many rows each leaves.
FILTERS = [("t05", 10_000), ("t0999", 100), ("number 99999 ", 1), ("zzz", 0), ("", BIG_TABLE),
           ("EXPANSION", BIG_TABLE)]


def big_config():
    return b"".join(
        f":t{i:06d}=expansion number {i} of the big table\r\n".encode() for i in range(BIG_TABLE)
    )


def list_count(session):
    """The rows the main window's list shows with its search field empty."""
    answer = session._probe_call(f"filter {APP} {SEARCH_FIELD_ID} {LIST_ID} ")
    return int(answer.split()[2]) if answer.startswith("ok ") else None


def editor_figures(args):
    """Start-up to the window with 100,000 triggers next to notepad's, and the time each search
    takes to filter and repaint the list."""
    session = harness.Session("wine-editor", config=big_config(), tarquel=args.test_tarquel,
                              probe=args.probe)
    session.tarquel_debug = "-all"
    filters = {text: [] for text, _ in FILTERS}
    reloads = []
    try:
        session.start(with_tarquel=False)
        notepads = warm_starts(session)
        starts = start_pairs(session, args.runs, notepads, "e", f" with {BIG_TABLE} triggers")
        process = session.launch_tarquel()
        # The list is filled once the background read of config.txt is done: before that it
        # answers with no rows, and a search would find none.
        harness.wait_until(
            lambda: list_count(session) == BIG_TABLE, "the main window's list to be filled",
            timeout=harness.START_TIMEOUT, describe=lambda: list_count(session))
        for run in range(args.runs):
            for text, rows in FILTERS:
                answer = session._probe_call(
                    f"filter {APP} {SEARCH_FIELD_ID} {LIST_ID} {text.encode().hex()}")
                if not answer.startswith("ok "):
                    raise RuntimeError(f"window probe answered {answer!r}")
                ms, count = answer.split()[1:]
                if int(count) != rows:
                    raise RuntimeError(f"{text!r} left {count} rows, not {rows}")
                filters[text].append(float(ms))
        # config.txt rewritten by another program: from the write to the list showing it.
        for run in range(args.runs):
            extra = f":new{run}=added elsewhere\r\n".encode()
            began = time.monotonic()
            session.write_config(big_config() + extra)
            harness.wait_until(lambda: list_count(session) == BIG_TABLE + 1,
                               "the list to show the added line", describe=lambda: list_count(session))
            reloads.append(time.monotonic() - began)
            print(f"  reload run {run + 1}: {reloads[-1] * 1000:.0f} ms", flush=True)
        quit_tarquel(session, process)
        session.end_process(process)
    except BaseException:
        session.note_failure("editor")
        raise
    finally:
        session.close()
    return starts, filters, reloads


LATENCY_KEYS = 40
RELOAD_LINES = 500_000  # about 40 MB of config.txt


def reload_config(tag):
    return b"".join(
        f":r{i:06d}=expansion {i} of the forty-megabyte file, version {tag}\r\n".encode()
        for i in range(RELOAD_LINES)
    )


def key_arrival_ms(session, length):
    """ms from pressing one key (xdotool's start included) to notepad holding `length` chars."""
    began = []

    def press():
        began.append(time.monotonic())
        session.key("a")

    session.time_notepad_arrival(length, press)
    return (time.monotonic() - began[0]) * 1000


def latency_figures(args):
    """Per-key arrival times (ms) with nothing going on, and during 40 MB reloads."""
    session = harness.Session("wine-latency", config=b":demo=Hello World\r\n",
                              tarquel=args.tarquel, probe=args.probe)
    versions = [reload_config(tag) for tag in ("a", "b")]
    idle, busy = [], []
    rewrites = 0
    stop = threading.Event()

    def rewrite_forever():
        nonlocal rewrites
        while not stop.is_set():
            # Written in place, as an editor or a sync client would, and again once the last
            # version was surely read.
            session.write_config(versions[rewrites % 2])
            rewrites += 1
            stop.wait(2.0)

    try:
        session.start(with_tarquel=True)
        clear_notepad(session)
        length = 0
        for _ in range(LATENCY_KEYS):
            length += 1
            idle.append(key_arrival_ms(session, length))
            time.sleep(0.05)
        writer = threading.Thread(target=rewrite_forever)
        writer.start()
        try:
            for _ in range(LATENCY_KEYS):
                length += 1
                busy.append(key_arrival_ms(session, length))
                time.sleep(0.05)
        finally:
            stop.set()
            writer.join()
        if session.notepad_text() != "a" * length:
            raise RuntimeError("the typed keys arrived other than they were typed")
        # The reloads did happen: the list ends up with the last version's lines.
        harness.wait_until(lambda: list_count(session) == RELOAD_LINES,
                           "the list to show the reloaded file", describe=lambda: list_count(session),
                           timeout=120)
    except BaseException:
        session.note_failure("latency")
        raise
    finally:
        session.close()
    return idle, busy, rewrites


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--timing-tarquel", required=True, help="tarquel.exe built with timing")
    parser.add_argument("--tarquel", required=True, help="the normal tarquel.exe")
    parser.add_argument("--test-tarquel", required=True,
                        help="tarquel_test.exe, the test build of the same commit")
    parser.add_argument("--probe", required=True, help="e2e_window_probe.exe")
    parser.add_argument("--send-text", required=True, help="tarquel_send_text.exe")
    parser.add_argument("--baseline-timing-tarquel",
                        help="tarquel.exe of an earlier version built with timing, measured "
                             "in the same run")
    parser.add_argument("--baseline-tarquel",
                        help="tarquel.exe of an earlier build, whose paste is timed beside this "
                             "one's in the same run (--only paste)")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only",
                        choices=["hook", "throughput", "startup", "save", "editor", "latency",
                                 "paste"],
                        help="one measurement only")
    args = parser.parse_args()
    # Only the test build reads it: its update check asks this host instead of the real one.
    os.environ["TARQUEL_TEST_UPDATE_URL"] = f"http://127.0.0.1:{UPDATE_PORT}/version.txt"

    if args.only in (None, "hook"):
        print(f"Hook time per key-down, {TYPED_KEYS} keys typed, {TRIGGERS} triggers:", flush=True)
        builds = [("this", args.timing_tarquel)]
        if args.baseline_timing_tarquel:
            builds.append(("baseline", args.baseline_timing_tarquel))
        for name, exe in builds:
            runs = hook_figures(args, exe, name)
            print(f"hook p50 median ({name}): "
                  f"{statistics.median(r['p50_us'] for r in runs):.2f} us "
                  f"(runs: {[r['p50_us'] for r in runs]})")
            print(f"hook p99 median ({name}): "
                  f"{statistics.median(r['p99_us'] for r in runs):.2f} us "
                  f"(runs: {[r['p99_us'] for r in runs]})")
            print(f"hook max median ({name}): "
                  f"{statistics.median(r['max_us'] for r in runs):.2f} us")
    if args.only in (None, "throughput"):
        print(f"Expansion of {EXPANSION_LENGTH} characters into notepad, next to one bare "
              "SendInput of them:", flush=True)
        runs = throughput_figures(args)
        bare = statistics.median(r[0] for r in runs)
        typed = statistics.median(r[1][0] for r in runs)
        typed_key = statistics.median(r[1][1] for r in runs)
        pasted = statistics.median(r[2][0] for r in runs)
        pasted_key = statistics.median(r[2][1] for r in runs)
        speedup = statistics.median(r[1][1] / r[2][1] for r in runs)
        print(f"throughput median: bare SendInput {bare:.0f} ms "
              f"({EXPANSION_LENGTH / bare * 1000:.0f} chars/s); typed {typed:.0f} ms "
              f"({typed_key:.0f} ms from the key); pasted {pasted:.0f} ms ({pasted_key:.0f} ms "
              f"from the key, clipboard saved and put back); median per-run typed/pasted from "
              f"the key {speedup:.1f}")
    if args.only in (None, "paste"):
        print(f"Paste of {EXPANSION_LENGTH} characters into notepad (text and a bitmap on the "
              "clipboard, put back), and the first character with an owner taking 3 s:",
              flush=True)
        pastes, slow = paste_figures(args)
        for name in pastes[0]:
            print(f"paste median ({name}): "
                  f"{statistics.median(p[name][0] for p in pastes):.0f} ms arrival, "
                  f"{statistics.median(p[name][1] for p in pastes):.0f} ms from the key")
        print(f"owner taking 3 s, median: first character "
              f"{statistics.median(s[0] for s in slow):.0f} ms, whole expansion "
              f"{statistics.median(s[1] for s in slow):.0f} ms (from the key, typed)")
    if args.only in (None, "startup"):
        print("Start-up to first window, tarquel.exe next to notepad, update host refusing:",
              flush=True)
        pairs, silent = startup_figures(args)
        ours = statistics.median(p[0] for p in pairs)
        theirs = statistics.median(p[1] for p in pairs)
        ratio = statistics.median(p[0] / p[1] for p in pairs)
        print(f"start-up median: tarquel {ours:.3f} s, notepad {theirs:.3f} s, "
              f"median of per-run ratios {ratio:.2f}")
        print(f"start-up with the update host never answering: median tarquel "
              f"{statistics.median(p[0] for p in silent):.3f} s (longest "
              f"{max(p[0] for p in silent):.3f} s), notepad "
              f"{statistics.median(p[1] for p in silent):.3f} s, median of per-run ratios "
              f"{statistics.median(p[0] / p[1] for p in silent):.2f}")
    if args.only in (None, "editor"):
        print(f"The trigger list with {BIG_TABLE} triggers:", flush=True)
        starts, filters, reloads = editor_figures(args)
        print(f"start-up to the window with {BIG_TABLE} triggers: median tarquel "
              f"{statistics.median(p[0] for p in starts):.3f} s, notepad "
              f"{statistics.median(p[1] for p in starts):.3f} s, median of per-run ratios "
              f"{statistics.median(p[0] / p[1] for p in starts):.2f}")
        for text, rows in FILTERS:
            times = filters[text]
            print(f"search {text!r} -> {rows} rows, filtered and repainted: median "
                  f"{statistics.median(times):.1f} ms, longest {max(times):.1f} ms")
        print(f"config.txt of {BIG_TABLE + 1} lines rewritten elsewhere, until the list shows it "
              f"(polled): median {statistics.median(reloads) * 1000:.0f} ms, longest "
              f"{max(reloads) * 1000:.0f} ms")
    if args.only in (None, "latency"):
        print(f"Keys typed into notepad, {LATENCY_KEYS} each, from the key to its arrival:",
              flush=True)
        idle, busy, rewrites = latency_figures(args)

        def spread(times):
            ordered = sorted(times)
            return (f"median {statistics.median(ordered):.1f} ms, p90 "
                    f"{ordered[int(len(ordered) * 0.9)]:.1f} ms, longest {ordered[-1]:.1f} ms")

        print(f"key to notepad, nothing else going on: {spread(idle)}")
        print(f"key to notepad, config.txt of {RELOAD_LINES} lines (about 40 MB) rewritten "
              f"{rewrites} times meanwhile: {spread(busy)}")
        print(f"extra per key during the reloads: median "
              f"{statistics.median(busy) - statistics.median(idle):.1f} ms, longest "
              f"{max(busy) - statistics.median(idle):.1f} ms")
    if args.only in (None, "save"):
        print("The hook's thread during a save whose file write takes 3 s:", flush=True)
        longest = save_figures(args)
        print(f"main (hook) thread busy during a slowed save: median of the longest "
              f"{statistics.median(longest):.1f} ms, longest {max(longest):.1f} ms")


if __name__ == "__main__":
    main()
