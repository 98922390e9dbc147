#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "store/import.h"
#include "util/file_io.h"

namespace tarquel {

// No single file of another expander comes near this; a bigger one is not a snippet file.
inline constexpr std::size_t MaxImportFileSize = 64u << 20;
// A folder's files together: an espanso folder with every package stays well under it.
inline constexpr std::size_t MaxImportFolderSize = 256u << 20;

// What an import reads from the disk: the file itself, or every espanso match file (.yml,
// .yaml) under a folder, its packages included, in the order of their paths. `error` says in
// the user's words why nothing could be read; then `files` is empty.
struct ImportSource {
  std::vector<ImportFile> files;
  std::string error;
};
ImportSource ReadImportSource(const std::filesystem::path& path,
                              const FileReader& read = ReadFileUpTo);

}  // namespace tarquel
