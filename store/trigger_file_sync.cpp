#include "store/trigger_file_sync.h"

#include <utility>

#include "store/trigger_file.h"

namespace tarquel {

TriggerFileCheck ReloadIfChanged(const std::filesystem::path& file, bool tableAhead,
                                 TriggerTable& table, TriggerFileHistory& history) {
  if (tableAhead) return TriggerFileCheck::Deferred;
  FileRead read = ReadFileUpTo(file, MaxTriggerFileSize);
  // A file being replaced by another editor may be missing or locked for a moment, and one
  // that is gone or too large is no table to use: what is in force stays until it reads again.
  if (read.status != FileRead::Status::Read) return TriggerFileCheck::Unreadable;
  if (history.knownBytes == read.bytes) return TriggerFileCheck::Unchanged;

  TriggerLoadInfo info;
  TriggerTable fresh = ParseTriggerText(read.bytes, &info);
  AddDefaultTriggers(fresh);
  table = std::move(fresh);
  history = TriggerFileHistory{};
  history.knownBytes = std::move(read.bytes);
  history.holdsDroppedLines = info.droppedLines > 0;
  history.holdsOtherEncoding = info.SaveChangesEncoding();
  return TriggerFileCheck::Reloaded;
}

}  // namespace tarquel
