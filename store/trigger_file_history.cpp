#include "store/trigger_file_history.h"

#include <string>
#include <system_error>

#include "store/trigger_file.h"

namespace tarquel {

std::filesystem::path BackupFileName(const std::filesystem::path& file) {
  std::filesystem::path backup = file;
  backup += ".bak";
  return backup;
}

TriggerTable LoadTriggerFile(const std::filesystem::path& file, TriggerFileHistory& history) {
  // Read once and parsed from memory: the bytes remembered are exactly the bytes parsed.
  history = TriggerFileHistory{};
  FileRead read = ReadFileUpTo(file, MaxTriggerFileSize);
  history.tooLarge = read.status == FileRead::Status::TooLarge;
  if (read.status != FileRead::Status::Read) return TriggerTable();
  TriggerLoadInfo info;
  TriggerTable table = ParseTriggerText(read.bytes, &info);
  // Not loaded: a save must take the file for one it has not seen, and keep a copy.
  if (info.tooManyEntries) return table;
  history.knownBytes = std::move(read.bytes);
  history.holdsDroppedLines = info.droppedLines > 0;
  history.holdsOtherEncoding = info.SaveChangesEncoding();
  return table;
}

std::filesystem::path KeptCopyName(const std::filesystem::path& file, int age) {
  std::filesystem::path copy = BackupFileName(file);
  if (age > 0) {
    copy += ".";
    copy += std::to_string(age);
  }
  return copy;
}

SaveResult KeepCopy(const std::filesystem::path& file, const std::optional<std::string>& bytes) {
  const auto failure = [&file](const std::string& why) {
    return SaveResult::Failure("cannot keep the old file as " +
                               BackupFileName(file).filename().string() + " (" + why + ")");
  };
  // Oldest first, so that no move lands on a copy still to be moved.
  std::error_code error;
  std::filesystem::remove(KeptCopyName(file, KeptCopies - 1), error);
  if (error) return failure(error.message());
  for (int age = KeptCopies - 2; age >= 0; --age) {
    const std::filesystem::path from = KeptCopyName(file, age);
    if (!std::filesystem::exists(from, error)) {
      if (error) return failure(error.message());
      continue;
    }
    std::filesystem::rename(from, KeptCopyName(file, age + 1), error);
    if (error) return failure(error.message());
  }
  if (bytes) {
    SaveResult kept = WriteFileAtomically(BackupFileName(file), *bytes);
    return kept ? kept : failure(kept.error);
  }
  // Too large to hold in memory: copied by the system as it lies on the disk.
  std::filesystem::copy_file(file, BackupFileName(file),
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) return failure(error.message());
  return {};
}

namespace {

bool CannotBeRead(FileRead::Status status) {
  return status == FileRead::Status::Unopened || status == FileRead::Status::Failed;
}

SaveResult HeldElsewhere(const std::filesystem::path& file) {
  return SaveResult::Busy(file.filename().string() +
                          " is there but cannot be read now: another program may hold it");
}

}  // namespace

SaveResult SaveTriggerFile(const std::filesystem::path& file, const TriggerTable& table,
                           TriggerFileHistory& history, const FileReader& read) {
  FileRead first = read(file, MaxTriggerFileSize);
  // What it holds is unknown: replacing it could throw away another program's whole list.
  if (CannotBeRead(first.status)) return HeldElsewhere(file);
  const bool tooLarge = first.status == FileRead::Status::TooLarge;
  std::optional<std::string> onDisk;
  if (first.status == FileRead::Status::Read) onDisk = std::move(first.bytes);
  // The table goes into the file as it is now, whoever wrote it last: their comments and order
  // stay even where their entries do not.
  TriggerTextUpdate update = UpdateTriggerText(onDisk ? *onDisk : std::string_view(), table);
  std::string text = std::move(update.text);
  if (onDisk && *onDisk == text) {
    // Nothing to write: the file already says what the table does.
    history.knownBytes = std::move(onDisk);
    return {};
  }
  const bool changedElsewhere = onDisk != history.knownBytes;
  const bool keepCopy = tooLarge || (onDisk && (changedElsewhere || history.holdsDroppedLines ||
                                                history.holdsOtherEncoding || update.dropsLines ||
                                                update.changesEncoding));
  if (keepCopy) {
    if (SaveResult kept = KeepCopy(file, onDisk); !kept) return kept;
    // From here the copy holds those lines, whatever becomes of the save.
    history.knownBytes = onDisk;
    history.holdsDroppedLines = false;
    history.holdsOtherEncoding = false;
  }

  // Someone else may write the file while the new text goes to the disk (a slow stick, a sync
  // client), or while the replacement is refused because they hold it: looked at again just
  // before each attempt, and what came meanwhile is kept.
  bool lastTooLarge = tooLarge;
  const auto keepLateChange = [&]() -> SaveResult {
    FileRead late = read(file, MaxTriggerFileSize);
    if (CannotBeRead(late.status)) return HeldElsewhere(file);
    const bool lateTooLarge = late.status == FileRead::Status::TooLarge;
    std::optional<std::string> now;
    if (late.status == FileRead::Status::Read) now = std::move(late.bytes);
    // Nothing new, gone, or already what is written; a file too large then is copied already.
    if (lateTooLarge ? lastTooLarge : (now == onDisk || !now || *now == text)) return {};
    if (SaveResult kept = KeepCopy(file, now); !kept) return kept;
    onDisk = std::move(now);
    lastTooLarge = lateTooLarge;
    history.knownBytes = onDisk;
    return {};
  };
  SaveResult saved = WriteFileAtomically(file, text, keepLateChange);
  if (saved) {
    history.knownBytes = std::move(text);
    history.holdsDroppedLines = false;
    history.holdsOtherEncoding = false;
    history.tooLarge = false;
  }
  return saved;
}

}  // namespace tarquel
