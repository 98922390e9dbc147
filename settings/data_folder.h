#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "settings/settings_file.h"

namespace tarquel {

// settings.txt's line naming the folder that holds config.txt (a OneDrive, Dropbox or Google
// Drive folder, a network share), so that several PCs share one list. settings.txt itself, with
// what belongs to one PC (shortcuts, exclusions, the list's columns), stays beside the program.
inline constexpr std::string_view DataFolderKey = "data_folder";

// The folder `data_folder=` names, a relative one taken from the program's folder; the
// program's own folder when the line is missing or empty.
std::filesystem::path DataFolderOf(const Settings& settings,
                                   const std::filesystem::path& programFolder);

// The value written for `folder`: empty for the program's own folder, so that a copy of the
// program moved elsewhere with its files keeps finding them.
std::string DataFolderValue(const std::filesystem::path& folder,
                            const std::filesystem::path& programFolder);

}  // namespace tarquel
