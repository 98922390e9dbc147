#pragma once

#include <filesystem>
#include <string>

#include "settings/settings_file.h"
#include "util/save_queue.h"

namespace tarquel {

// settings.txt as this run holds it: read once at start, and written whole by the save worker
// after every change, so the file never gets an older record after a newer one.
class SavedSettings {
 public:
  SavedSettings(std::filesystem::path file, BackgroundSaves& saves);

  Settings& Values() { return settings_; }
  const Settings& Values() const { return settings_; }
  // Hands the whole record, as it is now, to the save worker. On failure the user is told
  // `whatFailed` and the reason; nothing when it is empty.
  void Save(std::string whatFailed);

 private:
  std::filesystem::path file_;
  BackgroundSaves& saves_;
  Settings settings_;
};

}  // namespace tarquel
