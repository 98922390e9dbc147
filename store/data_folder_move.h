#pragma once

#include <filesystem>
#include <string>

#include "engine/match/trigger_table.h"
#include "util/file_io.h"

namespace tarquel {

// What choosing another folder for config.txt did to that folder.
struct DataFolderMove {
  enum class Kind {
    FoundThere,  // it holds a config.txt already (another PC's list): kept as it is
    Copied,      // this PC's config.txt was written there, byte for byte
    Failed,      // nothing changed; `error` says why
  };
  Kind kind = Kind::Failed;
  std::string error;
};

// Makes `folder` ready to hold the trigger list from now on. A config.txt already there stays
// as it is. Else the current file's bytes are written there whole (its comments, order and
// encoding kept), or, when there is none yet, `table` as a save would write it. The file in the
// old folder is left where it is.
DataFolderMove PrepareDataFolder(const std::filesystem::path& currentFile,
                                 const std::filesystem::path& folder, const TriggerTable& table,
                                 const FileReader& read = ReadFileUpTo);

}  // namespace tarquel
