// Any text parses to a shortcut the system can register and the header can name; formatting a
// parsed shortcut that has modifiers and parsing it again gives the same numbers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/shortcut.h"

namespace {

bool IsNamedKey(std::uint32_t key) {
  return (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || (key >= 0x70 && key <= 0x7B);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tarquel::Shortcut parsed = tarquel::ParseShortcut(text);
  if ((parsed.modifiers & ~15u) != 0 || !IsNamedKey(parsed.key)) std::abort();

  if (parsed.modifiers != 0) {
    std::string formatted = tarquel::FormatShortcut(parsed.modifiers, parsed.key);
    if (tarquel::ParseShortcut(formatted) != parsed) std::abort();
  }

  // The first two bytes as raw numbers: any modifier set with any named key round-trips.
  if (size >= 2) {
    std::uint32_t modifiers = (data[0] % 15u) + 1u;
    std::uint32_t key = data[1];
    if (IsNamedKey(key)) {
      tarquel::Shortcut back = tarquel::ParseShortcut(tarquel::FormatShortcut(modifiers, key));
      if (back.modifiers != modifiers || back.key != key) std::abort();
    }
  }
  return 0;
}
