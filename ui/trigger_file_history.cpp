#include "ui/trigger_file_history.h"

#include "engine/trigger_file.h"

namespace tarquel {

std::filesystem::path BackupFileName(const std::filesystem::path& file) {
  std::filesystem::path backup = file;
  backup += ".bak";
  return backup;
}

TriggerTable LoadTriggerFile(const std::filesystem::path& file, TriggerFileHistory& history) {
  // Read once and parsed from memory: the bytes remembered are exactly the bytes parsed.
  history = TriggerFileHistory{};
  history.knownBytes = ReadWholeFile(file);
  if (!history.knownBytes) return TriggerTable();
  TriggerLoadInfo info;
  TriggerTable table = ParseTriggerText(*history.knownBytes, &info);
  history.holdsDroppedLines = info.droppedLines > 0;
  history.holdsOtherEncoding = info.SaveChangesEncoding();
  return table;
}

SaveResult SaveTriggerFile(const std::filesystem::path& file, const TriggerTable& table,
                           TriggerFileHistory& history) {
  std::string text = FormatTriggerText(table);
  const std::optional<std::string> onDisk = ReadWholeFile(file);
  const bool changedElsewhere = onDisk != history.knownBytes;
  const bool keepCopy =
      onDisk && *onDisk != text &&
      (changedElsewhere || history.holdsDroppedLines || history.holdsOtherEncoding);
  if (keepCopy) {
    const std::filesystem::path backup = BackupFileName(file);
    if (SaveResult kept = WriteFileAtomically(backup, *onDisk); !kept) {
      return SaveResult::Failure("cannot keep the old file as " + backup.filename().string() +
                                 " (" + kept.error + ")");
    }
    // From here the copy holds those lines, whatever becomes of the save.
    history.knownBytes = onDisk;
    history.holdsDroppedLines = false;
    history.holdsOtherEncoding = false;
  }

  SaveResult saved = WriteFileAtomically(file, text);
  if (saved) {
    history.knownBytes = std::move(text);
    history.holdsDroppedLines = false;
    history.holdsOtherEncoding = false;
  }
  return saved;
}

}  // namespace tarquel
