#include "settings/settings_file.h"

#include <algorithm>
#include <fstream>

#include "engine/text_lines.h"

namespace tarquel {

Settings ParseSettingsText(std::string_view text) {
  Settings settings;
  std::string_view rest = TextBeforeCtrlZ(text);
  while (!rest.empty()) {
    std::string_view line = TakeLine(rest);

    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.substr(0, equals) != ToggleShortcutKey) continue;
    std::string_view value = line.substr(equals + 1);
    settings.shortcutText = std::string(value);
    settings.shortcut = ParseShortcut(value);
  }
  return settings;
}

std::string FormatSettingsText(std::string_view shortcutText) {
  std::string text;
  text.reserve(ToggleShortcutKey.size() + shortcutText.size() + 3);
  text += ToggleShortcutKey;
  text += '=';
  text += shortcutText;
  text += "\r\n";
  return text;
}

Settings LoadSettings(const std::filesystem::path& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return Settings();
  std::string bytes;
  char chunk[64 * 1024];
  while (bytes.size() < SettingsReadLimit) {
    std::size_t wanted = std::min(sizeof chunk, SettingsReadLimit - bytes.size());
    in.read(chunk, static_cast<std::streamsize>(wanted));
    bytes.append(chunk, static_cast<std::size_t>(in.gcount()));
    if (!in) break;
  }
  if (in.bad()) return Settings();
  return ParseSettingsText(bytes);
}

SaveResult SaveSettings(const std::filesystem::path& fileName, std::string_view shortcutText) {
  // The value must stay one line, or the next load would read back something else.
  if (shortcutText.find_first_of("\n\x1A") != std::string_view::npos) {
    return SaveResult::Failure("the shortcut text holds a line end or Ctrl+Z");
  }
  return WriteFileAtomically(fileName, FormatSettingsText(shortcutText));
}

}  // namespace tarquel
