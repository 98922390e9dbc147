#pragma once

#include <filesystem>

namespace tarquel {

// The full path of the running executable, or an empty path if the system cannot say.
std::filesystem::path ProgramFilePath();
// The folder that holds the executable: where config.txt and settings.txt live. Empty (the
// working directory) if the executable's path is unknown.
std::filesystem::path ProgramFolder();

}  // namespace tarquel
