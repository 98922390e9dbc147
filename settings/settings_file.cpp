#include "settings/settings_file.h"

#include <algorithm>
#include <fstream>

#include "util/text_lines.h"

namespace tarquel {

namespace {

// The key of a `key=value` line, or the whole line when it has no "=".
std::string_view KeyOfLine(std::string_view line) {
  return line.substr(0, line.find('='));
}

bool HoldsLineEnd(std::string_view text) {
  return text.find_first_of("\n\x1A") != std::string_view::npos;
}

}  // namespace

Settings ParseSettingsText(std::string_view text) {
  Settings settings;
  std::string_view rest = TextBeforeCtrlZ(text);
  while (!rest.empty()) {
    std::string_view line = TakeLine(rest);

    std::size_t equals = line.find('=');
    std::string_view key = KeyOfLine(line);
    if (equals != std::string_view::npos && key == ToggleShortcutKey) {
      std::string_view value = line.substr(equals + 1);
      settings.shortcutText = std::string(value);
      settings.shortcut = ParseShortcut(value);
      continue;
    }
    if (line.empty()) continue;
    if (equals != std::string_view::npos && key == ExcludeKey && equals + 1 < line.size()) {
      settings.excludedPrograms.emplace_back(line.substr(equals + 1));
    }
    settings.otherLines.emplace_back(line);
  }
  return settings;
}

std::string FormatSettingsText(std::string_view shortcutText,
                               const std::vector<std::string>& otherLines) {
  std::string text;
  text.reserve(ToggleShortcutKey.size() + shortcutText.size() + 3);
  text += ToggleShortcutKey;
  text += '=';
  text += shortcutText;
  text += "\r\n";
  for (const std::string& line : otherLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::optional<std::string> SettingsValue(const Settings& settings, std::string_view key) {
  for (auto line = settings.otherLines.rbegin(); line != settings.otherLines.rend(); ++line) {
    std::size_t equals = line->find('=');
    if (equals != std::string::npos && std::string_view(*line).substr(0, equals) == key) {
      return line->substr(equals + 1);
    }
  }
  return std::nullopt;
}

std::vector<std::string> SettingsValues(const Settings& settings, std::string_view key) {
  std::vector<std::string> values;
  for (const std::string& line : settings.otherLines) {
    std::size_t equals = line.find('=');
    if (equals != std::string::npos && std::string_view(line).substr(0, equals) == key) {
      values.push_back(line.substr(equals + 1));
    }
  }
  return values;
}

void SetSettingsValue(Settings& settings, std::string_view key, std::string_view value) {
  std::string wanted = std::string(key) + '=' + std::string(value);
  std::vector<std::string>& lines = settings.otherLines;
  auto sameKey = [key](const std::string& line) {
    return line.find('=') != std::string::npos && KeyOfLine(line) == key;
  };
  auto first = std::find_if(lines.begin(), lines.end(), sameKey);
  if (first == lines.end()) {
    lines.push_back(std::move(wanted));
    return;
  }
  *first = std::move(wanted);
  lines.erase(std::remove_if(std::next(first), lines.end(), sameKey), lines.end());
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
  Settings settings;
  settings.shortcutText = std::string(shortcutText);
  return SaveSettings(fileName, settings);
}

SaveResult SaveSettings(const std::filesystem::path& fileName, const Settings& settings) {
  // Each value must stay one line, or the next load would read back something else.
  if (HoldsLineEnd(settings.shortcutText)) {
    return SaveResult::Failure("the shortcut text holds a line end or Ctrl+Z");
  }
  for (const std::string& line : settings.otherLines) {
    if (HoldsLineEnd(line)) return SaveResult::Failure("a setting holds a line end or Ctrl+Z");
  }
  return WriteFileAtomically(fileName,
                             FormatSettingsText(settings.shortcutText, settings.otherLines));
}

}  // namespace tarquel
