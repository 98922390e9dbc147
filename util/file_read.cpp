// Reading is the same on every platform: std::filesystem::path opens wide names on Windows.
#include <algorithm>
#include <fstream>
#include <system_error>

#include "util/file_io.h"

namespace tarquel {

FileRead ReadFileUpTo(const std::filesystem::path& path, std::size_t limit) {
  FileRead result;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    // Only a file that is surely not there counts as missing: one that is there but held by
    // another program, or that cannot even be looked at, must not be written over as absent.
    std::error_code error;
    const std::filesystem::file_status found = std::filesystem::status(path, error);
    result.status = found.type() == std::filesystem::file_type::not_found
                        ? FileRead::Status::Missing
                        : FileRead::Status::Unopened;
    return result;
  }
  // Read in pieces up to one byte past the limit rather than trusting a size asked before:
  // the file may grow between the two, and a device may report no size at all.
  char chunk[64 * 1024];
  while (result.bytes.size() <= limit) {
    const std::size_t wanted = std::min(sizeof chunk, limit + 1 - result.bytes.size());
    in.read(chunk, static_cast<std::streamsize>(wanted));
    result.bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (!in) break;
  }
  if (result.bytes.size() > limit) {
    result.bytes.clear();
    result.bytes.shrink_to_fit();
    result.status = FileRead::Status::TooLarge;
  } else if (in.bad()) {
    result.bytes.clear();
    result.status = FileRead::Status::Failed;
  } else {
    result.status = FileRead::Status::Read;
  }
  return result;
}

}  // namespace tarquel
