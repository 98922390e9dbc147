"""config.txt kept in a folder of the user's choosing (settings.txt's data_folder=), as for a
list that OneDrive or Dropbox keeps in step on several PCs: its triggers expand, a change made in
the window is saved there, settings.txt stays beside the program, and the Settings window shows
the folder. When the folder goes away and comes back (moved and moved back, or made anew in its
place as a share reconnecting or a sync client may), a change made outside is still taken in."""

import shutil

import harness

SETTINGS_WINDOW = "TarquelSettings"
SETTING_BUTTON_ID = 110
FOLDER_FIELD_ID = 209
FOLDER_CHANGE_ID = 224
DIALOG = "#32770"
WM_COMMAND = 0x0111
IDCANCEL = 2
FOLDER_NAME = "Synced Données"
RELOADED = "Triggers reloaded from config.txt"
UNWATCHED = "config.txt cannot be watched now"
WATCHED_AGAIN = "config.txt is watched again"


class DataFolder(harness.SessionTestCase):
    # Beside the program: no longer the list once data_folder= names another folder.
    config = b":near=beside the program\r\n"
    with_tarquel = False

    @classmethod
    def prepare_session(cls):
        session = cls.session
        cls.folder = session.scratch / FOLDER_NAME
        cls.folder.mkdir()
        (cls.folder / "config.txt").write_bytes(b":far=from the synced folder\r\n")
        # The folder as Windows names it: Wine's Z: is the root of this file system.
        windows_path = "Z:" + str(cls.folder).replace("/", "\\")
        (session.scratch / "settings.txt").write_bytes(
            b"toggle_shortcut=Ctrl+Shift+F12\r\ndata_folder=" + windows_path.encode() + b"\r\n"
        )
        session.start_tarquel()
        session.wait_for_debug_line("Triggers loaded from config.txt")

    def test_the_list_in_the_chosen_folder_expands_and_the_one_beside_the_program_not(self):
        session = self.session
        session.type(":far")
        session.wait_for_notepad_text("from the synced folder")
        session.clear_notepad()
        session.type(":near.")
        session.wait_for_notepad_text(":near.")

    def test_a_trigger_added_in_the_window_is_saved_in_the_chosen_folder(self):
        session = self.session
        session.add_trigger(":added", "kept in step")
        session.wait_until(
            lambda: b":added=kept in step" in (self.folder / "config.txt").read_bytes(),
            "the synced folder's config.txt to hold the new entry",
        )
        self.assertEqual(
            (session.scratch / "config.txt").read_bytes(), b":near=beside the program\r\n"
        )
        # What belongs to this PC stays beside the program.
        self.assertFalse((self.folder / "settings.txt").exists())

    # ---- the folder going away and coming back, as a share reconnects or a sync client
    # ---- makes it anew: the watch on config.txt recovers and live reload goes on

    def debug_count(self, text):
        return sum(text in line for line in self.session.debug_lines())

    def move_folder_away(self):
        away = self.session.scratch / (FOLDER_NAME + " (away)")
        lost = self.debug_count(UNWATCHED)
        self.folder.rename(away)
        self.addCleanup(self.put_folder_back, away)
        self.session.wait_for_debug_line(UNWATCHED, count=lost + 1)
        return away

    def put_folder_back(self, away):
        if not away.exists():
            return
        reloads = self.debug_count(RELOADED)
        watched = self.debug_count(WATCHED_AGAIN)
        made_anew = self.folder.exists()
        if made_anew:
            shutil.rmtree(self.folder)
        away.rename(self.folder)
        # Looked at again once it is back: the next case finds the list it left, and a watch
        # on the folder at the path, not on the one just removed.
        self.session.wait_for_debug_line(RELOADED, count=reloads + 1)
        if made_anew:
            self.session.wait_for_debug_line(WATCHED_AGAIN, count=watched + 1)

    def write_and_wait_for_reload(self, config, data):
        """Writes config.txt and waits until a reload has taken in exactly this file (by its
        number of entries: a look at the old content meanwhile may be told as well)."""
        told = f"{RELOADED}: {data.count(b'=')} entries"
        before = self.debug_count(told)
        config.write_bytes(data)
        self.session.wait_for_debug_line(told, count=before + 1)

    def change_config_and_expect(self, folder, trigger, expansion):
        config = folder / "config.txt"
        data = config.read_bytes() + f"{trigger}={expansion}\r\n".encode()
        self.write_and_wait_for_reload(config, data)
        self.session.clear_notepad()
        self.session.type(trigger + ".")
        self.session.wait_for_notepad_text(expansion + ".")

    def test_the_folder_moved_away_and_back_is_watched_again(self):
        away = self.move_folder_away()
        watched = self.debug_count(WATCHED_AGAIN)
        away.rename(self.folder)
        self.session.wait_for_debug_line(WATCHED_AGAIN, count=watched + 1)
        self.change_config_and_expect(self.folder, ":back", "after the folder came back")

    def test_a_folder_made_anew_in_its_place_is_the_one_watched(self):
        self.move_folder_away()
        self.folder.mkdir()
        # Anything may have happened while it was not watched: it is read as soon as it is.
        self.write_and_wait_for_reload(
            self.folder / "config.txt", b":anew=from the folder made anew\r\n"
        )
        self.session.clear_notepad()
        self.session.type(":anew.")
        self.session.wait_for_notepad_text("from the folder made anew.")
        # Its changes are the ones that count, not those of the folder moved away.
        self.change_config_and_expect(self.folder, ":later", "changed in the new folder")

    def test_the_settings_window_shows_the_chosen_folder(self):
        session = self.session
        session.click_control(harness.MAIN_WINDOW_CLASS, SETTING_BUTTON_ID)
        shown = session.wait_until(
            lambda: session.dialog_item_text(SETTINGS_WINDOW, FOLDER_FIELD_ID),
            "the Settings window's data folder",
        )
        self.assertTrue(shown.endswith("\\" + FOLDER_NAME), shown)
        # CHANGE asks for a folder; cancelled, nothing changes.
        settings_before = (session.scratch / "settings.txt").read_bytes()
        session.click_control(SETTINGS_WINDOW, FOLDER_CHANGE_ID)
        session.wait_until(lambda: session.window_state(DIALOG) is not None, "the folder dialog")
        self.assertEqual(session.post_message(DIALOG, WM_COMMAND, IDCANCEL, 0), "ok")
        session.wait_until(lambda: session.window_state(DIALOG) is None, "the dialog to close")
        self.assertEqual((session.scratch / "settings.txt").read_bytes(), settings_before)
        self.assertIsNone(session._tarquel.poll(), "tarquel.exe ended")
        session.key("Escape")
        session.wait_until(
            lambda: session.window_state(SETTINGS_WINDOW) is None, "the Settings window to close"
        )


if __name__ == "__main__":
    harness.main()
