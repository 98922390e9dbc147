#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tarquel {

inline constexpr unsigned ReplaceRetryMs = 1000;

// Outcome of a save: on failure, `error` says why in words a user can act on.
struct SaveResult {
  bool ok = true;
  std::string error;

  explicit operator bool() const { return ok; }
  static SaveResult Failure(std::string why) { return {false, std::move(why)}; }
};

// What reading a file gave: its bytes exactly as stored (no line-end or Ctrl+Z translation)
// when `status` is Read.
struct FileRead {
  enum class Status {
    Read,
    // Cannot be opened: missing, a folder, access refused.
    Unopened,
    // Larger than the limit the caller gave; nothing of it was read.
    TooLarge,
    // Opened but reading failed part-way.
    Failed,
  };
  Status status = Status::Unopened;
  std::string bytes;
};

// Reads the whole file unless it holds more than `limit` bytes: no file of any size can
// exhaust memory.
FileRead ReadFileUpTo(const std::filesystem::path& path, std::size_t limit);

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and only then puts
// it in place of `path`. Whatever happens, `path` holds either its old bytes or the new ones.
// A replacement refused because another program holds `path` open for a moment (a virus
// scanner, an indexer, a sync client) is tried again for up to ReplaceRetryMs.
// `beforeReplace`, when given, runs once the new bytes are on the disk and just before they
// take the place of `path`; its failure leaves `path` as it is and is the result.
SaveResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const std::function<SaveResult()>& beforeReplace = {});

}  // namespace tarquel
