#include "store/trigger_file_reload.h"

#include <utility>

#include "util/file_io.h"

namespace tarquel {

using Outcome = TriggerFileRead::Outcome;

TriggerFileRead ReadTriggerFile(const std::filesystem::path& file,
                                const std::optional<std::string>& knownBytes,
                                std::size_t maxEntries) {
  TriggerFileRead result;
  FileRead read = ReadFileUpTo(file, MaxTriggerFileSize);
  switch (read.status) {
    case FileRead::Status::Read:
      break;
    case FileRead::Status::TooLarge:
      result.outcome = Outcome::TooLarge;
      return result;
    case FileRead::Status::Unopened:
    case FileRead::Status::Failed:
      result.outcome = Outcome::Unreadable;
      return result;
  }
  if (knownBytes == read.bytes) {
    result.outcome = Outcome::Unchanged;
    return result;
  }
  TriggerLoadInfo info;
  TriggerTable table = ParseTriggerText(read.bytes, &info, maxEntries);
  if (info.tooManyEntries) {
    result.outcome = Outcome::TooManyEntries;
    return result;
  }
  AddDefaultTriggers(table);
  result.outcome = Outcome::Loaded;
  result.table = std::move(table);
  result.history.knownBytes = std::move(read.bytes);
  result.history.holdsDroppedLines = info.droppedLines > 0;
  result.history.holdsOtherEncoding = info.SaveChangesEncoding();
  return result;
}

TriggerFileReload::Ask TriggerFileReload::Request(bool tableAhead) {
  if (reading_) {
    again_ = true;
    return Ask::AfterThisRead;
  }
  if (tableAhead && started_) {
    afterSaves_ = true;
    return Ask::AfterSaves;
  }
  afterSaves_ = false;
  reading_ = true;
  return Ask::Read;
}

bool TriggerFileReload::SavesDone(bool tableAhead) {
  if (!afterSaves_ || tableAhead || reading_) return false;
  afterSaves_ = false;
  reading_ = true;
  return true;
}

ReloadVerdict TriggerFileReload::Finished(TriggerFileRead& read, bool tableAhead) {
  reading_ = false;
  ReloadVerdict verdict;
  verdict.readAgain = std::exchange(again_, false);
  if (!started_) {
    // Nothing has been saved before the first table is in force: edits wait for it.
    started_ = true;
    switch (read.outcome) {
      case Outcome::Loaded:
        verdict.action = ReloadVerdict::Action::Replace;
        return verdict;
      case Outcome::Unchanged:
      case Outcome::Unreadable:
        // No file yet (the first start), or one that cannot be read now: the examples, in
        // memory only; the file is first written when the user edits the triggers.
        read.table = TriggerTable();
        AddDefaultTriggers(read.table);
        read.history = TriggerFileHistory{};
        verdict.action = ReloadVerdict::Action::Replace;
        return verdict;
      case Outcome::TooLarge:
      case Outcome::TooManyEntries:
        read.table = TriggerTable();
        read.history = TriggerFileHistory{};
        // A save copies a file too large to hold in memory as it lies on the disk.
        read.history.tooLarge = read.outcome == Outcome::TooLarge;
        heldBack_ = read.outcome;
        refusedTold_ = true;
        verdict.action = ReloadVerdict::Action::HoldBack;
        verdict.refused = read.outcome;
        return verdict;
    }
  }
  if (tableAhead) {
    // What was read may already be overtaken by our own save: never put it in force.
    afterSaves_ = true;
    verdict.action = ReloadVerdict::Action::AfterSaves;
    verdict.readAgain = false;
    return verdict;
  }
  switch (read.outcome) {
    case Outcome::Unchanged:
      refusedTold_ = false;
      return verdict;
    case Outcome::Loaded:
      refusedTold_ = false;
      // What was held back has been replaced by a file that loaded.
      heldBack_ = Outcome::Unchanged;
      verdict.action = ReloadVerdict::Action::Replace;
      return verdict;
    case Outcome::Unreadable:
    case Outcome::TooLarge:
    case Outcome::TooManyEntries:
      // A file being replaced by another editor may be missing or locked for a moment, and
      // one that is gone or too large is no table to use: what is in force stays. One too
      // large to load is written over only once the user agrees, as at start.
      if (read.outcome != Outcome::Unreadable) heldBack_ = read.outcome;
      if (!refusedTold_) verdict.refused = read.outcome;
      refusedTold_ = true;
      return verdict;
  }
  return verdict;
}

}  // namespace tarquel
