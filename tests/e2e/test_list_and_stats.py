"""The trigger list's columns and what Tarquel saved the user: a click on a column's header
sorts the rows by it (again: the other way), a dragged column edge is kept in settings.txt, a
row chosen in a sorted list is the entry it shows, and each expansion in notepad adds one
expansion and the characters it typed to the line under the list and to stats.txt."""

import re

import harness

APP = harness.MAIN_WINDOW_CLASS
LIST_ID = 101
SAVINGS_ID = 133
TRIGGER, EXPANSION, GROUP = 0, 1, 2

CONFIG = (
    b":demo=Hello World\r\n"
    b":b=apple\r\n"
    b":c=Mango\r\n"
    b"\r\n"
    b"[group Work]\r\n"
    b":a=zebra\r\n"
)

NOTHING_YET = "0 expansions, 0 characters (0 s)"


class ListAndStats(harness.SessionTestCase):
    config = CONFIG

    def cells(self):
        return self.session.list_cells(APP, LIST_ID)

    def triggers(self):
        return [row[TRIGGER] for row in self.cells() or []]

    def wait_for_triggers(self, expected):
        self.session.wait_until(
            lambda: self.triggers() == expected,
            f"the list in the order {expected}",
            describe=self.cells,
        )

    def savings(self):
        return self.session.dialog_item_text(APP, SAVINGS_ID)

    def stats_file(self):
        path = self.session.scratch / "stats.txt"
        return path.read_bytes() if path.exists() else b""

    def test_header_clicks_sort_by_each_column_and_a_second_click_reverses(self):
        # The table's own order first, with a column for each part of an entry.
        self.wait_for_triggers([":a", ":b", ":c", ":demo"])
        self.assertEqual(
            self.cells(),
            [
                (":a", "zebra", "Work"),
                (":b", "apple", ""),
                (":c", "Mango", ""),
                (":demo", "Hello World", ""),
            ],
        )
        self.session.click_list_header(APP, LIST_ID, EXPANSION)
        # Without regard to case: "Mango" between "Hello" and "zebra".
        self.wait_for_triggers([":b", ":demo", ":c", ":a"])
        self.session.click_list_header(APP, LIST_ID, EXPANSION)
        self.wait_for_triggers([":a", ":c", ":demo", ":b"])

        # The first row of the reversed list is ":a"'s: choosing it fills the fields with it.
        self.session.click_control(APP, LIST_ID, row=0)
        self.session.wait_until(
            lambda: self.session.dialog_item_text(APP, harness.TRIGGER_FIELD_ID) == ":a",
            "the trigger field to show the chosen row's trigger",
            describe=lambda: self.session.dialog_item_text(APP, harness.TRIGGER_FIELD_ID),
        )
        self.assertEqual(self.session.dialog_item_text(APP, harness.EXPANSION_FIELD_ID), "zebra")

        # Entries of no group first, each group's after; then back to the triggers' order.
        self.session.click_list_header(APP, LIST_ID, GROUP)
        self.wait_for_triggers([":b", ":c", ":demo", ":a"])
        self.session.click_list_header(APP, LIST_ID, TRIGGER)
        self.wait_for_triggers([":a", ":b", ":c", ":demo"])
        self.session.click_list_header(APP, LIST_ID, TRIGGER)
        self.wait_for_triggers([":demo", ":c", ":b", ":a"])
        # The sorted list still filters.
        self.session.set_item_text(APP, 111, "an")
        self.wait_for_triggers([":c"])
        self.session.set_item_text(APP, 111, "")
        self.wait_for_triggers([":demo", ":c", ":b", ":a"])

    def test_a_dragged_column_edge_is_kept_in_settings(self):
        self.wait_for_triggers(self.triggers() or [":a", ":b", ":c", ":demo"])
        left, top, right, bottom = self.session.wait_until(
            lambda: self._header_rect(TRIGGER), "the trigger column's header"
        )
        y = (top + bottom) // 2
        # The edge between the first two columns, dragged 60 pixels to the right.
        self.session.xdotool("mousemove", right - 1, y)
        self.session.xdotool("mousedown", "1")
        self.session.xdotool("mousemove", right + 30, y)
        self.session.xdotool("mousemove", right + 59, y)
        self.session.xdotool("mouseup", "1")
        settings = self.session.scratch / "settings.txt"

        def saved_widths():
            text = settings.read_text() if settings.exists() else ""
            found = re.search(r"^list_columns=(\d+),(\d+),(\d+)\r?$", text, re.M)
            return tuple(int(n) for n in found.groups()) if found else None

        widths = self.session.wait_until(
            saved_widths,
            "list_columns= in settings.txt",
            describe=lambda: settings.read_text() if settings.exists() else "(no file)",
        )
        new_left, _, new_right, _ = self._header_rect(TRIGGER)
        self.assertAlmostEqual(new_right - new_left, right - left + 60, delta=3)
        self.assertAlmostEqual(widths[TRIGGER], new_right - new_left, delta=1)

    def _header_rect(self, column):
        answer = self.session._probe_call(f"header {APP} {LIST_ID} {column}")
        return tuple(int(n) for n in answer[3:].split()) if answer.startswith("ok ") else None

    def test_each_expansion_adds_to_what_was_saved_and_only_counts_are_kept(self):
        self.session.wait_until(
            lambda: self.savings() == f"Saved today: {NOTHING_YET}  \u00b7  in total: {NOTHING_YET}",
            "the savings line to say nothing was saved yet",
            describe=self.savings,
        )
        self.session.focus_notepad()
        self.session.type(":demo")
        self.session.wait_for_notepad_text("Hello World")
        # ":demo" typed, "Hello World" sent: six characters, 1.8 s at 40 words a minute.
        once = "1 expansion, 6 characters (2 s)"
        self.session.wait_until(
            lambda: self.savings() == f"Saved today: {once}  \u00b7  in total: {once}",
            "the savings line to count the expansion",
            describe=self.savings,
        )
        self.session.type(" :demo")
        self.session.wait_for_notepad_text("Hello World Hello World")
        twice = "2 expansions, 12 characters (4 s)"
        self.session.wait_until(
            lambda: self.savings() == f"Saved today: {twice}  \u00b7  in total: {twice}",
            "the savings line to count the second expansion",
            describe=self.savings,
        )
        self.session.wait_until(
            lambda: b"total_expansions=2\r\ntotal_characters=12\r\n" in self.stats_file(),
            "stats.txt to hold the counts",
            describe=self.stats_file,
        )
        stats = self.stats_file()
        self.assertRegex(stats, rb"^day=\d{4}-\d\d-\d\d\r\ntoday_expansions=2\r\n")
        for text in (b"demo", b"Hello"):
            self.assertNotIn(text, stats)


if __name__ == "__main__":
    harness.main()
