#include "ui/saved_settings.h"

#include <iterator>
#include <utility>
#include <vector>

namespace tarquel {

SavedSettings::SavedSettings(std::filesystem::path file, BackgroundSaves& saves)
    : file_(std::move(file)), saves_(saves) {
  SettingsRead read = ReadSettingsFile(file_);
  read_ = read.status != SettingsRead::Status::Unreadable;
  settings_ = std::move(read.settings);
  base_ = settings_;
  submitted_ = settings_;
}

bool SavedSettings::TryRead() {
  if (read_) return false;
  // A few short lines, read on the window's thread as at start.
  SettingsRead again = ReadSettingsFile(file_);
  if (again.status == SettingsRead::Status::Unreadable) return false;
  settings_ = MergeSettingsChanges(base_, settings_, std::move(again.settings));
  base_ = settings_;
  submitted_ = settings_;
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
  const std::uint64_t save = ++saves_made_;
  const std::uint64_t saved = saved_->load();
  for (auto key = changed_.begin(); key != changed_.end();) {
    key = key->second <= saved ? changed_.erase(key) : std::next(key);
  }
  for (std::string& key : ChangedSettingsKeys(submitted_, settings_)) changed_[key] = save;
  submitted_ = settings_;
  std::vector<std::string> keys;
  for (const auto& [key, since] : changed_) keys.push_back(key);

  saves_.Submit(
      SettingsFileName,
      [file = file_, snapshot = settings_, keys = std::move(keys),
       whatFailed = std::move(whatFailed), save, savedUpTo = saved_]() -> std::string {
        // The file as it is now: what the user wrote there by hand since it was read stays.
        SettingsRead now = ReadSettingsFile(file);
        if (now.status == SettingsRead::Status::Unreadable) {
          if (whatFailed.empty()) return {};
          return whatFailed + "\n\n" + file.filename().string() +
                 " cannot be read now (another program may hold it), so it is not written over. "
                 "The change works until Tarquel ends and is saved with the next one.";
        }
        const Settings merged = now.status == SettingsRead::Status::Read
                                    ? OverlaySettings(std::move(now.settings), snapshot, keys)
                                    : snapshot;
        const SaveResult result = SaveSettings(file, merged);
        if (result) {
          std::uint64_t before = savedUpTo->load();
          while (before < save && !savedUpTo->compare_exchange_weak(before, save)) {
          }
          return {};
        }
        if (whatFailed.empty()) return {};
        return whatFailed + "\n\n" + result.error;
      });
}

}  // namespace tarquel
