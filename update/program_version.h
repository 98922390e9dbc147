#pragma once

#include <string_view>

#include "update/project_version.h"

namespace tarquel {

// Shown in the main window's header and compared with the published version.
inline constexpr std::string_view ProgramVersion = ProjectVersion;

}  // namespace tarquel
