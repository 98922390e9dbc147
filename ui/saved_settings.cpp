#include "ui/saved_settings.h"

#include <utility>

namespace tarquel {

SavedSettings::SavedSettings(std::filesystem::path file, BackgroundSaves& saves)
    : file_(std::move(file)), saves_(saves) {
  SettingsRead read = ReadSettingsFile(file_);
  read_ = read.status != SettingsRead::Status::Unreadable;
  settings_ = std::move(read.settings);
  base_ = settings_;
}

bool SavedSettings::TryRead() {
  if (read_) return false;
  // A few short lines, read on the window's thread as at start.
  SettingsRead again = ReadSettingsFile(file_);
  if (again.status == SettingsRead::Status::Unreadable) return false;
  settings_ = MergeSettingsChanges(base_, settings_, std::move(again.settings));
  base_ = settings_;
  read_ = true;
  return true;
}

void SavedSettings::Save(std::string whatFailed) {
  if (!read_ && !TryRead()) {
    // Kept in memory: the next save looks again. Told once, when the user asked for it.
    if (!whatFailed.empty() && !toldUnread_) {
      toldUnread_ = true;
      saves_.Submit("settings.txt unread", [whatFailed, file = file_]() -> std::string {
        return whatFailed + "\n\n" + file.filename().string() +
               " is there but cannot be read (another program may hold it), so it is not "
               "written over. The change works until Tarquel ends and is saved with the next "
               "one once the file can be read.";
      });
    }
    return;
  }
  saves_.Submit(
      SettingsFileName,
      [file = file_, snapshot = settings_, whatFailed = std::move(whatFailed)]() -> std::string {
        const SaveResult saved = SaveSettings(file, snapshot);
        if (saved || whatFailed.empty()) return {};
        return whatFailed + "\n\n" + saved.error;
      });
}

}  // namespace tarquel
