#include "store/data_folder_move.h"

#include <system_error>

#include "store/trigger_file.h"

namespace tarquel {

DataFolderMove PrepareDataFolder(const std::filesystem::path& currentFile,
                                 const std::filesystem::path& folder, const TriggerTable& table,
                                 const FileReader& read) {
  DataFolderMove move;
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    move.error = "the folder cannot be found";
    return move;
  }
  const std::filesystem::path target = folder / TriggerFileName;
  if (std::filesystem::exists(target, error)) {
    move.kind = DataFolderMove::Kind::FoundThere;
    return move;
  }
  const FileRead current = read(currentFile, MaxTriggerFileSize);
  std::string bytes;
  switch (current.status) {
    case FileRead::Status::Read:
      bytes = current.bytes;
      break;
    case FileRead::Status::Missing:
      bytes = FormatTriggerText(table);
      break;
    default:
      // Held by another program, or too large: a copy of the table would lose what the file
      // holds beyond it (comments, lines the table does not keep).
      move.error = "this PC's config.txt cannot be read now";
      return move;
  }
  if (const SaveResult saved = WriteFileAtomically(target, bytes); !saved) {
    move.error = saved.error;
    return move;
  }
  move.kind = DataFolderMove::Kind::Copied;
  return move;
}

}  // namespace tarquel
