"""ADD while tarquel's folder cannot be written to: the user is told, nothing in the folder
changes (no new file either: no temporary file, no backup), and tarquel runs on with the new
entry in force. The trigger editor's own test covers a read-only config.txt and a DELETE in such
a folder; its helpers are used here as they are."""

import harness
import test_trigger_editor as editor


class AddInAnUnwritableFolder(harness.SessionTestCase):
    config = editor.DEMO_AND_LAST

    config_path = editor.TriggerEditor.config_path
    backup_path = editor.TriggerEditor.backup_path
    start_over = editor.TriggerEditor.start_over
    rows = editor.TriggerEditor.rows
    field = editor.TriggerEditor.field
    fill_in = editor.TriggerEditor.fill_in
    add = editor.TriggerEditor.add
    message_box_text = editor.TriggerEditor.message_box_text
    close_message_box = editor.TriggerEditor.close_message_box
    assert_told_save_failed = editor.TriggerEditor.assert_told_save_failed
    expands = editor.TriggerEditor.expands

    def folder_contents(self):
        return {path.name: path.read_bytes() for path in self.session.scratch.glob("config*")}

    def test_add_is_told_leaves_the_folder_as_it_was_and_the_entry_expands(self):
        self.start_over(editor.DEMO_AND_LAST)
        names_before = sorted(path.name for path in self.session.scratch.iterdir())
        before = self.folder_contents()
        with harness.immutable(self.session.scratch):
            self.add("sig", "Best regards")
            self.assert_told_save_failed()
            self.assertEqual(sorted(p.name for p in self.session.scratch.iterdir()), names_before)
            self.assertEqual(self.folder_contents(), before)
            self.assertIn(editor.row(":sig", "Best regards"), self.rows())
            self.expands(":sig", "Best regards")
        self.assertTrue(self.session.tarquel_running())


if __name__ == "__main__":
    harness.main()
