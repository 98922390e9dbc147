#include "store/trigger_file_history.h"

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

SaveResult SaveTriggerFile(const std::filesystem::path& file, const TriggerTable& table,
                           TriggerFileHistory& history) {
  return SaveTriggerText(file, FormatTriggerText(table), history);
}

namespace {

SaveResult KeepCopy(const std::filesystem::path& file, const std::filesystem::path& backup,
                    const std::optional<std::string>& bytes) {
  if (bytes) return WriteFileAtomically(backup, *bytes);
  // Too large to hold in memory: copied by the system as it lies on the disk.
  std::error_code error;
  std::filesystem::copy_file(file, backup, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (error) return SaveResult::Failure(error.message());
  return {};
}

}  // namespace

SaveResult SaveTriggerText(const std::filesystem::path& file, std::string text,
                           TriggerFileHistory& history) {
  FileRead read = ReadFileUpTo(file, MaxTriggerFileSize);
  const bool tooLarge = read.status == FileRead::Status::TooLarge;
  std::optional<std::string> onDisk;
  if (read.status == FileRead::Status::Read) onDisk = std::move(read.bytes);
  const bool changedElsewhere = onDisk != history.knownBytes;
  const bool keepCopy =
      tooLarge || (onDisk && *onDisk != text &&
                   (changedElsewhere || history.holdsDroppedLines || history.holdsOtherEncoding));
  const std::filesystem::path backup = BackupFileName(file);
  const auto keptFailure = [&backup](const SaveResult& kept) {
    return SaveResult::Failure("cannot keep the old file as " + backup.filename().string() + " (" +
                               kept.error + ")");
  };
  if (keepCopy) {
    if (SaveResult kept = KeepCopy(file, backup, onDisk); !kept) return keptFailure(kept);
    // From here the copy holds those lines, whatever becomes of the save.
    history.knownBytes = onDisk;
    history.holdsDroppedLines = false;
    history.holdsOtherEncoding = false;
  }

  // Someone else may write the file while the new text goes to the disk (a slow stick, a sync
  // client): looked at once more just before it is replaced, and what came meanwhile is kept.
  const auto keepLateChange = [&]() -> SaveResult {
    FileRead late = ReadFileUpTo(file, MaxTriggerFileSize);
    const bool lateTooLarge = late.status == FileRead::Status::TooLarge;
    std::optional<std::string> now;
    if (late.status == FileRead::Status::Read) now = std::move(late.bytes);
    // Nothing new, gone, or already what is written; a file too large then is copied already.
    if (lateTooLarge ? tooLarge : (now == onDisk || !now || *now == text)) return {};
    if (SaveResult kept = KeepCopy(file, backup, now); !kept) return keptFailure(kept);
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
