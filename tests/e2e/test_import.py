"""Snippets of other expanders imported by `tarquel.exe --import FILE` handed to the running
Tarquel: the preview, the choice for triggers already there (for all, or row by row in its list),
the entries expanding in notepad with the options of their source, a malformed file refused, and
Ctrl+Z taking an import back."""

import harness

DIALOG = "#32770"
PREVIEW_TEXT_ID = 1001
KEEP_MINE_ID = 1002
TAKE_THEIRS_ID = 1003
KEEP_BOTH_ID = 1004
CONFLICT_LIST_ID = 1005
CONFLICT_SUMMARY_ID = 1006
IDOK = 1
IDCANCEL = 2
WM_COMMAND = 0x0111
MESSAGE_TEXT_ID = 65535
LIST_ID = 101
SEARCH_FIELD_ID = 111
GROUP_FILTER_ID = 118
STATUS_ID = 112
TRAY_CALLBACK = 0x0401
WM_RBUTTONUP = 0x0205
FILE_NAME_FIELDS = (1148, 1152)

AHK = (
    b"; hotstrings brought over from AutoHotkey\r\n"
    b":*:ahx::alpha hotkey\r\n"
    b"::awd::a word trigger\r\n"
    b":X:arun::Run notepad.exe\r\n"
)
ESPANSO = (
    b"matches:\n"
    b"  - trigger: \":esx\"\n"
    b"    replace: \"espanso at once\"\n"
    b"  - trigger: \"ewd\"\n"
    b"    replace: \"espanso word\"\n"
    b"    word: true\n"
    b"  - trigger: \":ecase\"\n"
    b"    replace: \"conformed text\"\n"
    b"    propagate_case: true\n"
)


class Import(harness.SessionTestCase):
    # "awd" is the user's own already: the import is told to take theirs. "qpa" and "qpb" are
    # for a file whose two conflicts get different choices.
    config = b":demo=Hello World\r\nawd=mine\r\nqpa=first mine\r\nqpb=second mine\r\n"

    @classmethod
    def prepare_session(cls):
        session = cls.session
        session.wait_for_debug_line("Triggers loaded from config.txt")
        cls.ahk_preview = cls.import_file("hotstrings.ahk", AHK, choice=TAKE_THEIRS_ID)
        cls.ahk_conflicts = cls.last_conflicts
        cls.espanso_preview = cls.import_file("base.yml", ESPANSO)

    @classmethod
    def count(cls, text):
        return sum(text in line for line in cls.session.debug_lines())

    @classmethod
    def hand_over(cls, name, data):
        """Writes the file and starts `tarquel.exe --import NAME` beside the running one, with
        the path relative to its working directory; returns once that start has ended."""
        session = cls.session
        (session.scratch / name).write_bytes(data)
        second = session.start_wine(
            [session.scratch / "tarquel.exe", "--import", name], "second", debug="-all"
        )
        session.wait_until(lambda: second.poll() is not None, "the second start to end")
        session.end_process(second)
        if second.returncode != 0:
            raise AssertionError(f"the second start ended with {second.returncode}")

    @classmethod
    def preview(cls, name, data):
        """Hands the file over and returns the preview's text once it is shown."""
        session = cls.session
        previews = cls.count("Import preview shown")
        cls.hand_over(name, data)
        session.wait_for_debug_line("Import preview shown", count=previews + 1)
        return session.wait_until(
            lambda: session.dialog_item_text(DIALOG, PREVIEW_TEXT_ID), "the preview's text"
        )

    @classmethod
    def import_file(cls, name, data, choice=None):
        """Hands the file over, confirms the preview (with `choice` for all triggers already
        there) and returns once the import is in the table; returns the preview's text, and
        keeps the rows of its list of conflicts as they were confirmed in `last_conflicts`."""
        session = cls.session
        applied = cls.count("Import applied")
        text = cls.preview(name, data)
        if choice is not None:
            session.click_control(DIALOG, choice)
            session.wait_until(lambda: session.check_state(DIALOG, choice) == 1, "the choice")
        cls.last_conflicts = session.list_cells(DIALOG, CONFLICT_LIST_ID)
        session.click_control(DIALOG, IDOK)
        session.wait_for_debug_line("Import applied", count=applied + 1)
        return text

    def export_from_tray(self, name):
        """Export... from the tray menu into the scratch folder as `name`; returns the bytes."""
        session = self.session
        session.xdotool("mousemove", 600, 900)
        self.assertEqual(
            session.post_message(harness.MAIN_WINDOW_CLASS, TRAY_CALLBACK, 0, WM_RBUTTONUP), "ok"
        )

        # Restore, Pause expansion, Settings, Import..., Export..., Open data folder, Quit.
        session.choose_from_popup_menu(4, 7)
        target = session.scratch / name
        # The file name field of Wine's save dialog: a combo box or an edit, by version.
        session.wait_until(
            lambda: any(
                session.set_item_text(DIALOG, field, name) == "ok" for field in FILE_NAME_FIELDS
            ),
            "the save dialog",
        )
        session.click_control(DIALOG, IDOK)
        session.wait_until(target.exists, f"the exported {name}")
        return target.read_bytes()

    def expands(self, typed, expected):
        self.session.clear_notepad()
        self.session.type(typed)
        self.session.wait_for_notepad_text(expected)

    def waits_for_ending(self, typed, expected):
        """Nothing fires on `typed` alone; a space after it fires and is kept."""
        self.session.clear_notepad()
        self.session.type(typed)
        self.session.wait_for_notepad_text(typed)
        self.session.type(" ")
        self.session.wait_for_notepad_text(expected + " ")

    def test_a_conflict_copy_left_by_a_sync_service_is_merged_and_kept_renamed(self):
        session = self.session
        previews = self.count("Import preview shown")
        applied = self.count("Import applied")
        # The other PC changed :demo and added :sync before the two were in step.
        copy = session.scratch / "config (1).txt"
        copy.write_bytes(b":demo=Hello Earth\r\n:sync=from the other PC\r\n")
        session.wait_for_debug_line("Import preview shown", count=previews + 1)
        text = session.wait_until(
            lambda: session.dialog_item_text(DIALOG, PREVIEW_TEXT_ID), "the preview's text"
        )
        self.assertIn("config (1).txt was left beside config.txt by a sync service", text)
        # Both sides of a change are kept unless the user says otherwise, theirs under a
        # trigger that can be typed (":demo-2" could not: ":demo" fires on its "o").
        self.assertEqual(
            session.list_cells(DIALOG, CONFLICT_LIST_ID),
            [(":demo", "Hello World", "Hello Earth", "Keep both (theirs as 2:demo)")],
        )
        self.assertEqual(session.check_state(DIALOG, KEEP_BOTH_ID), 1)
        session.click_control(DIALOG, IDOK)
        session.wait_for_debug_line("Import applied", count=applied + 1)
        session.wait_for_debug_line("Conflict copy merged and renamed")
        self.assertFalse(copy.exists())
        self.assertEqual(
            (session.scratch / "config (1).txt.merged").read_bytes(),
            b":demo=Hello Earth\r\n:sync=from the other PC\r\n",
        )
        self.expands(":sync", "from the other PC")
        # Kept beside the user's own, and both can be typed.
        session.wait_until(
            lambda: any(
                row.startswith("2:demo  ->  Hello Earth")
                for row in session.list_rows(harness.MAIN_WINDOW_CLASS, LIST_ID) or []
            ),
            "the other PC's :demo in the list",
        )
        self.expands("2:demo", "Hello Earth")
        self.expands(":demo.", "Hello World.")

    def test_each_conflict_gets_its_own_choice_in_the_preview_list(self):
        session = self.session
        applied = self.count("Import applied")
        self.preview("picks.ahk", b":*?C:qpa::first theirs\r\n:*?C:qpb::second theirs\r\n")

        def cells():
            return session.list_cells(DIALOG, CONFLICT_LIST_ID)

        session.wait_until(lambda: cells() and len(cells()) == 2, "the two conflicts listed")
        self.assertEqual(
            cells(),
            [
                ("qpa", "first mine", "first theirs", "Keep mine"),
                ("qpb", "second mine", "second theirs", "Keep mine"),
            ],
        )
        self.assertEqual(session.check_state(DIALOG, KEEP_MINE_ID), 1)
        # A click on the first row, Space: theirs. The second row, Space twice: both.
        session.click_control(DIALOG, CONFLICT_LIST_ID, row=0)
        session.wait_until(lambda: session.selected_row(DIALOG, CONFLICT_LIST_ID) == 0, "row 0")
        session.key("space")
        session.wait_until(lambda: cells()[0][3] == "Take theirs", "theirs for qpa")
        session.click_control(DIALOG, CONFLICT_LIST_ID, row=1)
        session.wait_until(lambda: session.selected_row(DIALOG, CONFLICT_LIST_ID) == 1, "row 1")
        session.key("space")
        session.wait_until(lambda: cells()[1][3] == "Take theirs", "theirs for qpb")
        session.key("space")
        session.wait_until(
            lambda: cells()[1][3] == "Keep both (theirs as 2qpb)", "both for qpb"
        )
        self.assertEqual(cells()[0][3], "Take theirs")
        self.assertEqual(
            session.dialog_item_text(DIALOG, CONFLICT_SUMMARY_ID),
            "1 taken from the file, 1 kept beside yours",
        )
        # No one choice is every row's: none of the buttons for all is on.
        for button in (KEEP_MINE_ID, TAKE_THEIRS_ID, KEEP_BOTH_ID):
            self.assertEqual(session.check_state(DIALOG, button), 0)
        session.click_control(DIALOG, IDOK)
        session.wait_for_debug_line("Import applied", count=applied + 1)

        def listed():
            rows = session.list_rows(harness.MAIN_WINDOW_CLASS, LIST_ID) or []
            return [row for row in rows if "qp" in row.split("  ->  ")[0]]

        session.wait_until(
            lambda: sorted(row.split("    [")[0] for row in listed())
            == ["2qpb  ->  second theirs", "qpa  ->  first theirs", "qpb  ->  second mine"],
            "each choice carried out in the list",
            describe=listed,
        )
        self.expands("qpa", "first theirs")
        self.expands("qpb", "second mine")
        self.expands("2qpb", "second theirs")

    def test_preview_counts_the_entries_and_names_conflicts_and_what_is_left_out(self):
        text = self.ahk_preview
        self.assertIn("From AutoHotkey (", text)
        self.assertIn("hotstrings.ahk): 2 entries.", text)
        self.assertIn("1 new entry, 0 already in your list", text)
        self.assertEqual(
            self.ahk_conflicts, [("awd", "mine", "a word trigger", "Take theirs")]
        )
        self.assertIn("Not carried over:", text)
        self.assertIn("arun: ", text)
        self.assertIn("From espanso (", self.espanso_preview)
        self.assertIn("base.yml): 3 entries.", self.espanso_preview)

    def test_autohotkey_entries_expand_with_their_options(self):
        self.expands("ahx", "alpha hotkey")
        # Taken over from the user's own "awd", with AutoHotkey's options: after an ending
        # character, case conformed.
        self.waits_for_ending("awd", "a word trigger")
        self.waits_for_ending("Awd", "A word trigger")

    def test_espanso_entries_expand_with_their_options(self):
        self.expands(":esx", "espanso at once")
        self.waits_for_ending("ewd", "espanso word")
        self.expands(":Ecase", "Conformed text")
        self.expands(":ECASE", "CONFORMED TEXT")

    def test_export_from_the_tray_menu_writes_the_list_with_its_options(self):
        exported = self.export_from_tray("exported.yml")
        self.assertIn(b"trigger: \"ewd\"", exported.replace(b"'", b'"'))
        self.assertIn(b"word: true", exported)
        self.assertIn(b"propagate_case: true", exported)

    def test_export_with_one_group_shown_writes_only_that_group(self):
        session = self.session
        app = harness.MAIN_WINDOW_CLASS
        session.wait_until(
            lambda: session.activate(app) == "ok" and session.foreground_class() == app,
            "the main window in front",
        )
        session.click_control(app, SEARCH_FIELD_ID)
        session.wait_until(lambda: session.focused_control(app) == SEARCH_FIELD_ID, "the search")
        session.key("Tab")
        session.wait_until(lambda: session.focused_control(app) == GROUP_FILTER_ID, "the filter")
        try:
            # Down through All groups, No group and the groups to the espanso import's.
            for _ in range(8):
                if session.dialog_item_text(app, GROUP_FILTER_ID) == "espanso":
                    break
                session.key("Down")
                session.wait_until(lambda: session.dialog_item_text(app, GROUP_FILTER_ID), "a group")
            self.assertEqual(session.dialog_item_text(app, GROUP_FILTER_ID), "espanso")
            exported = self.export_from_tray("group.yml")
            self.assertIn(b"ewd", exported)
            self.assertNotIn(b"ahx", exported)
            self.assertNotIn(b"demo", exported)
        finally:
            # Every group shown again for the cases after this one.
            session.click_control(app, SEARCH_FIELD_ID)
            session.key("Tab")
            session.key("Home")

    def test_imports_are_saved_in_config_txt(self):
        def saved():
            text = (self.session.scratch / "config.txt").read_bytes()
            return all(t in text for t in (b"ahx=", b"awd=a word trigger", b"ewd=", b"demo="))

        self.session.wait_until(saved, "config.txt to hold the imported entries")

    def test_a_malformed_file_is_refused_with_a_message_and_nothing_imported(self):
        session = self.session
        config = session.scratch / "config.txt"
        # The imports before it are saved: what the file holds now must stay.
        session.wait_until(lambda: b"ewd=" in config.read_bytes(), "the imports saved")
        before = config.read_bytes()
        refused = self.count("Import refused")
        previews = self.count("Import preview shown")
        self.hand_over("broken.yml", b"matches:\n  - trigger: [\n")
        session.wait_for_debug_line("Import refused", count=refused + 1)
        message = session.wait_until(
            lambda: session.dialog_item_text(DIALOG, MESSAGE_TEXT_ID), "the message box"
        )
        self.assertIn("Nothing was imported from", message)
        self.assertIn("broken.yml", message)
        self.assertEqual(session.post_message(DIALOG, WM_COMMAND, IDOK, 0), "ok")
        session.wait_until(lambda: session.window_state(DIALOG) is None, "the box to close")
        self.assertEqual(self.count("Import preview shown"), previews)
        self.assertEqual(config.read_bytes(), before)

    def test_cancel_in_the_preview_changes_nothing(self):
        session = self.session
        previews = self.count("Import preview shown")
        self.hand_over("cancelled.yml", b"matches:\n  - trigger: qqc\n    replace: never\n")
        session.wait_for_debug_line("Import preview shown", count=previews + 1)
        session.wait_until(lambda: session.dialog_item_text(DIALOG, PREVIEW_TEXT_ID), "the preview")
        session.click_control(DIALOG, IDCANCEL)
        session.wait_until(
            lambda: session.dialog_item_text(harness.MAIN_WINDOW_CLASS, STATUS_ID)
            == "Import cancelled: nothing changed",
            "the status line",
        )
        self.assertNotIn(b"qqc", (session.scratch / "config.txt").read_bytes())
        self.expands("qqc|", "qqc|")

    def test_ctrl_z_in_the_list_takes_the_import_back(self):
        session = self.session
        config = session.scratch / "config.txt"
        self.import_file("undo.yml", b"matches:\n  - trigger: zqu\n    replace: undone\n")
        session.wait_until(lambda: b"zqu=undone" in config.read_bytes(), "the import saved")
        session.click_control(harness.MAIN_WINDOW_CLASS, LIST_ID)
        session.wait_until(
            lambda: session.focused_control(harness.MAIN_WINDOW_CLASS) == LIST_ID, "the list"
        )
        session.key("ctrl+z")
        session.wait_for_debug_line("Import taken back")
        session.wait_until(lambda: b"zqu" not in config.read_bytes(), "the import taken back")
        self.assertIn(b"ewd=", config.read_bytes())
        self.expands("zqu|", "zqu|")

    def test_started_with_import_previews_once_config_txt_is_read(self):
        # Last of the cases: Tarquel starts again, this time with the file to import.
        session = self.session
        config = session.scratch / "config.txt"
        session.wait_until(
            lambda: b"ewd=" in config.read_bytes() and b"ahx=" in config.read_bytes(),
            "the earlier imports saved",
        )
        session.stop_tarquel()
        (session.scratch / "first.ahk").write_bytes(b"::fsx::first start\r\n::ahx::other\r\n")
        session.launch_tarquel(arguments=["--import", "first.ahk"])
        session.wait_for_hook()
        session.wait_for_debug_line("Import preview shown")
        text = session.wait_until(
            lambda: session.dialog_item_text(DIALOG, PREVIEW_TEXT_ID), "the preview's text"
        )
        # Planned against the list as config.txt holds it: "ahx" is already there.
        self.assertIn("1 new entry", text)
        self.assertEqual(
            session.list_cells(DIALOG, CONFLICT_LIST_ID),
            [("ahx", "alpha hotkey", "other", "Keep mine")],
        )
        session.click_control(DIALOG, IDOK)
        session.wait_for_debug_line("Import applied")
        self.waits_for_ending("fsx", "first start")
        # Mine kept, the default choice.
        self.expands("ahx", "alpha hotkey")


if __name__ == "__main__":
    harness.main()
