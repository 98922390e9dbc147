#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarquel {

// A version file is one short line and a link. A body bigger than this is not one, and the
// request stops reading there rather than fill memory with whatever the server sends.
inline constexpr std::size_t MaxVersionFileSize = 64 * 1024;

// What the version file says. `version` and `link` mean something only when `hasLineFeed`.
struct VersionFile {
  bool hasLineFeed = false;
  std::string version;
  std::string link;
  // A version number greater than ProgramVersion, compared part by part as numbers.
  bool isNew = false;
};

// Everything before the first line feed is the version (one CR at its end dropped); the rest is
// the link with CR, LF and spaces dropped from its end. The text ends at its first zero byte.
// A body over MaxVersionFileSize is no version file.
VersionFile ParseVersionFile(std::string_view body);

}  // namespace tarquel
