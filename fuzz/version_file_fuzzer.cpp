// Any body a server sends is read without a crash, and only a real, different version is news.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/program_version.h"
#include "update/version_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view body(reinterpret_cast<const char*>(data), size);
  tarquel::VersionFile file = tarquel::ParseVersionFile(body);
  if (file.isNew &&
      (!file.hasLineFeed || file.version.empty() || file.version == tarquel::ProgramVersion)) {
    std::abort();
  }
  if (file.version.find_first_of(std::string_view("\n\0", 2)) != std::string::npos) std::abort();
  if (!file.hasLineFeed && (!file.version.empty() || !file.link.empty())) std::abort();
  return 0;
}
