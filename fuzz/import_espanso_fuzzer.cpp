// The Espanso importer over any bytes: see import_checks.h for what it must keep.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/import_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  tarquel::CheckImport(
      tarquel::ImportFiles({{"source.yml", bytes}}, tarquel::ImportFormat::Espanso));
  return 0;
}
