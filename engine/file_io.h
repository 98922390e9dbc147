#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarquel {

// Outcome of a save: on failure, `error` says why in words a user can act on.
struct SaveResult {
  bool ok = true;
  std::string error;

  explicit operator bool() const { return ok; }
  static SaveResult Failure(std::string why) { return {false, std::move(why)}; }
};

// The file's bytes exactly as stored (no line-end or Ctrl+Z translation), or nothing when the
// file cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and only then puts
// it in place of `path`. Whatever happens, `path` holds either its old bytes or the new ones.
SaveResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

}  // namespace tarquel
