#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarquel {

// A published version as numbers, "1.0.10" as {1, 0, 10}.
using VersionNumber = std::vector<std::uint64_t>;

// Dot-separated runs of decimal digits, blanks around the whole allowed. Anything else (a
// suffix such as "-beta", a letter in front, an empty part, an HTML page) is no version: a
// server that publishes one is broken, and a broken answer must offer nothing.
std::optional<VersionNumber> ParseVersionNumber(std::string_view text);

// Part by part as numbers; a missing part counts as 0, so "1.1" equals "1.1.0".
int CompareVersionNumbers(const VersionNumber& a, const VersionNumber& b);

// True only when both are version numbers and `published` is the greater.
bool IsNewerVersion(std::string_view published, std::string_view ours);

}  // namespace tarquel
