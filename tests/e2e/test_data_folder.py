"""config.txt kept in a folder of the user's choosing (settings.txt's data_folder=), as for a
list that OneDrive or Dropbox keeps in step on several PCs: its triggers expand, a change made in
the window is saved there, settings.txt stays beside the program, and the Settings window shows
the folder."""

import harness

SETTINGS_WINDOW = "TarquelSettings"
SETTING_BUTTON_ID = 110
FOLDER_FIELD_ID = 209
FOLDER_CHANGE_ID = 224
DIALOG = "#32770"
WM_COMMAND = 0x0111
IDCANCEL = 2
FOLDER_NAME = "Synced Données"


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
