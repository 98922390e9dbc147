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
  // Another program holds the file for now (a sync client, a scanner, an editor saving it): the
  // same save is worth trying again in a moment.
  bool busy = false;

  explicit operator bool() const { return ok; }
  static SaveResult Failure(std::string why) { return {false, std::move(why), false}; }
  static SaveResult Busy(std::string why) { return {false, std::move(why), true}; }
};

// What reading a file gave: its bytes exactly as stored (no line-end or Ctrl+Z translation)
// when `status` is Read.
struct FileRead {
  enum class Status {
    Read,
    // There is no such file (nor folder of that name).
    Missing,
    // It is there but cannot be opened: held by another program without sharing, access
    // refused. It must not be taken for an absent file and written over.
    Unopened,
    // Larger than the limit the caller gave; nothing of it was read.
    TooLarge,
    // Opened but reading failed part-way.
    Failed,
  };
  Status status = Status::Missing;
  std::string bytes;
};

// Reads the whole file unless it holds more than `limit` bytes: no file of any size can
// exhaust memory.
FileRead ReadFileUpTo(const std::filesystem::path& path, std::size_t limit);
// ReadFileUpTo, or a stand-in that tests give to find a file locked at a chosen moment.
using FileReader = std::function<FileRead(const std::filesystem::path&, std::size_t)>;

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and only then puts
// it in place of `path`. Whatever happens, `path` holds either its old bytes or the new ones.
// A replacement refused because another program holds `path` open for a moment (a virus
// scanner, an indexer, a sync client) is tried again for up to ReplaceRetryMs.
// `beforeReplace`, when given, runs once the new bytes are on the disk and just before each
// attempt to put them in place of `path` (so also after a refused attempt, when another
// program may have written `path` meanwhile); its failure leaves `path` as it is and is the
// result. A replacement still refused at the end because another program holds `path` open is
// a busy failure (SaveResult::busy).
SaveResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const std::function<SaveResult()>& beforeReplace = {});

}  // namespace tarquel
