// settings.txt of any bytes loads; the numbers in force are always the parse of the text kept
// (or the default), a text without line feed or Ctrl+Z survives a save and a load, and so
// does every other line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  tarquel::Settings settings = tarquel::ParseSettingsText(text);
  if (settings.shortcut != tarquel::ParseShortcut(settings.shortcutText)) std::abort();

  if (text.find_first_of("\n\x1A") == std::string_view::npos) {
    // Read once (decoded, trimmed), the text then survives a save and a load as it is.
    const tarquel::Settings once = tarquel::ParseSettingsText(tarquel::FormatSettingsText(text));
    const tarquel::Settings again =
        tarquel::ParseSettingsText(tarquel::FormatSettingsText(once.shortcutText));
    if (again.shortcutText != once.shortcutText ||
        again.shortcut != tarquel::ParseShortcut(once.shortcutText)) {
      std::abort();
    }
  }
  // Whatever else the file held comes back from a save of the shortcut.
  tarquel::Settings resaved =
      tarquel::ParseSettingsText(tarquel::FormatSettingsText("Alt+Q", settings.otherLines));
  if (resaved.otherLines != settings.otherLines ||
      resaved.excludedPrograms != settings.excludedPrograms || resaved.shortcutText != "Alt+Q") {
    std::abort();
  }
  return 0;
}
