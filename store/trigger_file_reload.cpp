#include "store/trigger_file_reload.h"

#include <system_error>
#include <utility>

#include "util/file_io.h"

namespace tarquel {

using Outcome = TriggerFileRead::Outcome;

TriggerFileRead ReadTriggerFile(const std::filesystem::path& file,
                                const std::optional<std::string>& knownBytes,
                                std::size_t maxEntries, const FileReader& reader) {
  TriggerFileRead result;
  // A writer still at work shows as a size or a time that moves while the file is read: that
  // read is not taken, and the file is looked at again as one held by its writer.
  const auto stamp = [&file] {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    const auto time = std::filesystem::last_write_time(file, error);
    return std::pair{size, time};
  };
  const auto before = stamp();
  FileRead read = reader(file, MaxTriggerFileSize);
  if (read.status == FileRead::Status::Read && stamp() != before) {
    result.outcome = Outcome::Unreadable;
    return result;
  }
  switch (read.status) {
    case FileRead::Status::Read:
      break;
    case FileRead::Status::TooLarge:
      result.outcome = Outcome::TooLarge;
      return result;
    case FileRead::Status::Missing:
      result.outcome = Outcome::Missing;
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

unsigned UnreadableRetryMs(unsigned unreadableReads) {
  constexpr unsigned First = 250;
  constexpr unsigned Longest = 4000;
  unsigned delay = First;
  for (unsigned read = 1; read < unreadableReads && delay < Longest; ++read) delay *= 2;
  return delay < Longest ? delay : Longest;
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
  unreadableReads_ = read.outcome == Outcome::Unreadable ? unreadableReads_ + 1 : 0;
  if (!started_) {
    // Nothing has been saved before the first table is in force: edits wait for it.
    started_ = true;
    switch (read.outcome) {
      case Outcome::Loaded:
        verdict.action = ReloadVerdict::Action::Replace;
        return verdict;
      case Outcome::Unchanged:
      case Outcome::Missing:
        // No file yet (the first start): the examples, in memory only; the file is first
        // written when the user edits the triggers.
        read.table = TriggerTable();
        AddDefaultTriggers(read.table);
        read.history = TriggerFileHistory{};
        verdict.action = ReloadVerdict::Action::Replace;
        return verdict;
      case Outcome::Unreadable:
        // Not the examples: the first edit would save them over the user's whole list. An
        // empty table until a look reads the file; edits wait for that look.
        read.table = TriggerTable();
        read.history = TriggerFileHistory{};
        heldBack_ = Outcome::Unreadable;
        refusedTold_ = true;
        verdict.action = ReloadVerdict::Action::HoldBack;
        verdict.refused = Outcome::Unreadable;
        verdict.retryInMs = UnreadableRetryMs(unreadableReads_);
        verdict.changesWait = true;
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
    case Outcome::Missing:
      if (heldBack_ == Outcome::Unreadable) {
        // The file that could not be read is gone: nothing of it is left to protect.
        heldBack_ = Outcome::Unchanged;
        refusedTold_ = false;
        read.table = TriggerTable();
        AddDefaultTriggers(read.table);
        read.history = TriggerFileHistory{};
        verdict.action = ReloadVerdict::Action::Replace;
        return verdict;
      }
      [[fallthrough]];
    case Outcome::Unreadable:
    case Outcome::TooLarge:
    case Outcome::TooManyEntries:
      // A file being replaced by another editor may be missing or locked for a moment, and
      // one that is gone or too large is no table to use: what is in force stays. One too
      // large to load is written over only once the user agrees, as at start.
      if (read.outcome == Outcome::TooLarge || read.outcome == Outcome::TooManyEntries) {
        heldBack_ = read.outcome;
      }
      if (!refusedTold_) verdict.refused = read.outcome;
      refusedTold_ = true;
      if (read.outcome == Outcome::Unreadable) {
        // Held while its writer is busy, perhaps: what it wrote is looked for again soon.
        // Edits made meanwhile wait for it a while, for ever while nothing was ever read.
        const bool heldFromStart = heldBack_ == Outcome::Unreadable;
        verdict.changesWait = heldFromStart || unreadableReads_ < UnreadableReadsBeforeChanging;
        if (heldFromStart || unreadableReads_ <= UnreadableReadsBeforeChanging) {
          verdict.retryInMs = UnreadableRetryMs(unreadableReads_);
        }
      }
      return verdict;
  }
  return verdict;
}

}  // namespace tarquel
