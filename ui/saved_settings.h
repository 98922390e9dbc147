#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "settings/settings_file.h"
#include "util/save_queue.h"

namespace tarquel {

// settings.txt as this run holds it: read once at start, and saved by the save worker after
// every change, so the file never gets an older record after a newer one. Each save reads the
// file again and writes only the keys this run changed since its last save went through, over
// what the file holds now: a line the user edited by hand meanwhile stays. A file that is there
// but could not be read at start (another program held it) is never written over with the
// defaults that stood in: its changes wait until it can be read.
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
  // What the last save was given, and each key changed since then or before with the number of
  // the save that first carried its newest value. A key leaves once a save of that number or a
  // later one went through (`saved_`, written by the save worker).
  Settings submitted_;
  std::map<std::string, std::uint64_t> changed_;
  std::uint64_t saves_made_ = 0;
  std::shared_ptr<std::atomic<std::uint64_t>> saved_ =
      std::make_shared<std::atomic<std::uint64_t>>(0);
  bool read_ = true;
  bool toldUnread_ = false;
};

}  // namespace tarquel
