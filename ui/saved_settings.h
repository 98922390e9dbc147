#pragma once

#include <filesystem>
#include <string>

#include "settings/settings_file.h"
#include "util/save_queue.h"

namespace tarquel {

// settings.txt as this run holds it: read once at start, and written whole by the save worker
// after every change, so the file never gets an older record after a newer one. A file that is
// there but could not be read at start (another program held it) is never written over with
// the defaults that stood in: each save first reads it again, and once it can, the changes of
// this run go on top of what it holds.
class SavedSettings {
 public:
  SavedSettings(std::filesystem::path file, BackgroundSaves& saves);

  Settings& Values() { return settings_; }
  const Settings& Values() const { return settings_; }
  // Hands the whole record, as it is now, to the save worker. On failure the user is told
  // `whatFailed` and the reason; nothing when it is empty.
  void Save(std::string whatFailed);
  // False while settings.txt is there but has not been read.
  bool Read() const { return read_; }
  // Reads settings.txt again if it has not been read: true when it was read now, and the
  // values are the file's with this run's changes on top.
  bool TryRead();

 private:
  std::filesystem::path file_;
  BackgroundSaves& saves_;
  Settings settings_;
  // What the values were when they last came from the file (the defaults when it could not be
  // read), so that a late read knows which values this run changed.
  Settings base_;
  bool read_ = true;
  bool toldUnread_ = false;
};

}  // namespace tarquel
