#include "ui/saved_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class SavedSettingsFile : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir_ / SettingsFileName; }
  std::string Saved() {
    saves_.WaitUntilIdle();
    return ReadBytes(File());
  }

  TempDir dir_;
  BackgroundSaves saves_;
};

TEST_F(SavedSettingsFile, LineEditedByHandWhileRunningStaysWhenAnotherSettingIsSaved) {
  WriteBytes(File(), "toggle_shortcut=Alt+Q\r\nexclude=keepass.exe\r\npaste_threshold=20\r\n");
  SavedSettings settings(File(), saves_);
  // The user adds a program by hand while Tarquel runs, then changes the threshold in Tarquel.
  WriteBytes(File(),
             "toggle_shortcut=Alt+Q\r\nexclude=keepass.exe\r\nexclude=bank.exe\r\n"
             "paste_threshold=20\r\n");
  SetSettingsValue(settings.Values(), PasteThresholdKey, "50");
  settings.Save("The paste threshold was not saved.");
  EXPECT_EQ(Saved(),
            "toggle_shortcut=Alt+Q\r\nexclude=keepass.exe\r\nexclude=bank.exe\r\n"
            "paste_threshold=50\r\n");
  EXPECT_TRUE(saves_.TakeFailures().empty());

  // A later save of the shortcut still writes nothing of this run's over the hand edit.
  WriteBytes(File(), "toggle_shortcut=Alt+Q\r\nexclude=notepad.exe\r\npaste_threshold=50\r\n");
  settings.Values().shortcutText = "Ctrl+Alt+E";
  settings.Save("The shortcut was not saved.");
  EXPECT_EQ(Saved(), "toggle_shortcut=Ctrl+Alt+E\r\nexclude=notepad.exe\r\npaste_threshold=50\r\n");
}

TEST_F(SavedSettingsFile, ValueSetBackAfterAFailedSaveStillWinsOverTheFile) {
  WriteBytes(File(), "paste_threshold=20\r\n");
  SavedSettings settings(File(), saves_);

  // Another program holds the file (a folder in its place stands in for that): the save of 50
  // fails and the user is told.
  std::filesystem::remove(File());
  std::filesystem::create_directory(File());
  WriteBytes(File() / "inside", "x");
  SetSettingsValue(settings.Values(), PasteThresholdKey, "50");
  settings.Save("The paste threshold was not saved.");
  saves_.WaitUntilIdle();
  EXPECT_EQ(saves_.TakeFailures().size(), 1u);

  // The file is back, with a value somebody wrote by hand meanwhile; the user sets 20 again,
  // the value of the last save that went through. What the user chose last is what counts.
  std::filesystem::remove_all(File());
  WriteBytes(File(), "paste_threshold=35\r\n");
  SetSettingsValue(settings.Values(), PasteThresholdKey, "20");
  settings.Save("The paste threshold was not saved.");
  EXPECT_EQ(Saved(),
            "toggle_shortcut=" + std::string(DefaultShortcutText) + "\r\npaste_threshold=20\r\n");
}

TEST_F(SavedSettingsFile, KeyLeavesTheChangedOnesOnceASaveOfItWentThrough) {
  WriteBytes(File(), "toggle_shortcut=Alt+Q\r\npaste_threshold=20\r\nundo_backspace=on\r\n");
  SavedSettings settings(File(), saves_);
  SetSettingsValue(settings.Values(), PasteThresholdKey, "50");
  settings.Save("x");
  saves_.WaitUntilIdle();

  // Saved once: a later hand edit of the threshold is not undone by a save of something else.
  WriteBytes(File(), "toggle_shortcut=Alt+Q\r\npaste_threshold=70\r\nundo_backspace=on\r\n");
  SetSettingsValue(settings.Values(), UndoBackspaceKey, "off");
  settings.Save("x");
  EXPECT_EQ(Saved(), "toggle_shortcut=Alt+Q\r\npaste_threshold=70\r\nundo_backspace=off\r\n");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
