// config.txt of any bytes: loading never crashes, and what was loaded survives a save and a
// load unchanged. A loaded trigger holds no "=", line feed or Ctrl+Z, so the file format can
// always give it back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/trigger_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tarquel::TriggerLoadInfo info;
  tarquel::TriggerTable table = tarquel::ParseTriggerText(text, &info);

  for (const auto& [trigger, expansion] : table) {
    if (trigger.empty() || trigger.find_first_of("=\n\x1A") != std::string::npos ||
        expansion.find_first_of("\n\x1A") != std::string::npos) {
      std::abort();
    }
  }

  tarquel::TriggerTable again = tarquel::ParseTriggerText(tarquel::FormatTriggerText(table));
  using Entries = std::vector<std::pair<std::string, std::string>>;
  if (Entries(table.begin(), table.end()) != Entries(again.begin(), again.end())) std::abort();
  return 0;
}
