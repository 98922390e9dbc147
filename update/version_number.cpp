#include "update/version_number.h"

#include <algorithm>

namespace tarquel {

namespace {

// Longer than any version anyone publishes; keeps a part's value far from overflowing.
constexpr std::size_t MaxVersionTextLength = 64;
constexpr std::size_t MaxPartDigits = 18;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::optional<VersionNumber> ParseVersionNumber(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty() || text.size() > MaxVersionTextLength) return std::nullopt;

  VersionNumber number;
  while (true) {
    std::size_t end = text.find('.');
    std::string_view part = text.substr(0, end);
    if (part.empty()) return std::nullopt;
    // Leading zeros say nothing: "1.0.01" is "1.0.1".
    while (part.size() > 1 && part.front() == '0') part.remove_prefix(1);
    if (part.size() > MaxPartDigits) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    number.push_back(value);
    if (end == std::string_view::npos) return number;
    text.remove_prefix(end + 1);
  }
}

int CompareVersionNumbers(const VersionNumber& a, const VersionNumber& b) {
  const std::size_t parts = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < parts; ++i) {
    const std::uint64_t left = i < a.size() ? a[i] : 0;
    const std::uint64_t right = i < b.size() ? b[i] : 0;
    if (left != right) return left < right ? -1 : 1;
  }
  return 0;
}

bool IsNewerVersion(std::string_view published, std::string_view ours) {
  const std::optional<VersionNumber> theirs = ParseVersionNumber(published);
  const std::optional<VersionNumber> mine = ParseVersionNumber(ours);
  return theirs && mine && CompareVersionNumbers(*theirs, *mine) > 0;
}

}  // namespace tarquel
