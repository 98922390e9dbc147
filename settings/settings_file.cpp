#include "settings/settings_file.h"

#include <algorithm>

#include "util/text_encoding.h"
#include "util/text_lines.h"

namespace tarquel {

namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The key of a `key=value` line, or the whole line when it has no "=", without blanks around.
std::string_view KeyOfLine(std::string_view line) {
  return Trim(line.substr(0, line.find('=')));
}

// The value of a `key=value` line without the blanks around it: "exclude=keepass.exe " is
// meant to name keepass.exe.
std::string_view ValueOfLine(std::string_view line) {
  return Trim(line.substr(line.find('=') + 1));
}

bool HoldsLineEnd(std::string_view text) {
  return text.find_first_of("\n\x1A") != std::string_view::npos;
}

}  // namespace

Settings ParseSettingsText(std::string_view bytes) {
  Settings settings;
  const std::string text = TextFileToUtf8(bytes);
  std::string_view rest = TextBeforeCtrlZ(text);
  while (!rest.empty()) {
    std::string_view line = TakeLine(rest);

    std::size_t equals = line.find('=');
    std::string_view key = KeyOfLine(line);
    if (equals != std::string_view::npos && key == ToggleShortcutKey) {
      std::string_view value = ValueOfLine(line);
      settings.shortcutText = std::string(value);
      settings.shortcut = ParseShortcut(value);
      continue;
    }
    if (line.empty()) continue;
    if (equals != std::string_view::npos && key == ExcludeKey && !ValueOfLine(line).empty()) {
      settings.excludedPrograms.emplace_back(ValueOfLine(line));
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
    if (line->find('=') != std::string::npos && KeyOfLine(*line) == key) {
      return std::string(ValueOfLine(*line));
    }
  }
  return std::nullopt;
}

std::vector<std::string> SettingsValues(const Settings& settings, std::string_view key) {
  std::vector<std::string> values;
  for (const std::string& line : settings.otherLines) {
    if (line.find('=') != std::string::npos && KeyOfLine(line) == key) {
      values.emplace_back(ValueOfLine(line));
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

namespace {

// As ParseSettingsText reads them: an empty exclude= names nothing.
void KeepExclusionsInStep(Settings& settings) {
  settings.excludedPrograms.clear();
  for (std::string& program : SettingsValues(settings, ExcludeKey)) {
    if (!program.empty()) settings.excludedPrograms.push_back(std::move(program));
  }
}

}  // namespace

void AddSettingsValue(Settings& settings, std::string_view key, std::string_view value) {
  std::vector<std::string>& lines = settings.otherLines;
  auto last = std::find_if(lines.rbegin(), lines.rend(), [key](const std::string& line) {
    return line.find('=') != std::string::npos && KeyOfLine(line) == key;
  });
  lines.insert(last.base(), std::string(key) + '=' + std::string(value));
  if (key == ExcludeKey) KeepExclusionsInStep(settings);
}

bool RemoveSettingsValue(Settings& settings, std::string_view key, std::string_view value) {
  std::vector<std::string>& lines = settings.otherLines;
  const auto before = lines.size();
  lines.erase(std::remove_if(lines.begin(), lines.end(),
                             [key, value](const std::string& line) {
                               return line.find('=') != std::string::npos &&
                                      KeyOfLine(line) == key && ValueOfLine(line) == Trim(value);
                             }),
              lines.end());
  if (key == ExcludeKey) KeepExclusionsInStep(settings);
  return lines.size() != before;
}

SettingsRead ReadSettingsFile(const std::filesystem::path& fileName, const FileReader& read) {
  SettingsRead result;
  FileRead file = read(fileName, SettingsReadLimit);
  switch (file.status) {
    case FileRead::Status::Read:
      result.status = SettingsRead::Status::Read;
      result.settings = ParseSettingsText(file.bytes);
      return result;
    case FileRead::Status::Missing:
      result.status = SettingsRead::Status::Missing;
      return result;
    case FileRead::Status::Unopened:
    case FileRead::Status::TooLarge:
    case FileRead::Status::Failed:
      result.status = SettingsRead::Status::Unreadable;
      return result;
  }
  return result;
}

Settings LoadSettings(const std::filesystem::path& fileName) {
  return ReadSettingsFile(fileName).settings;
}

std::vector<std::string> ChangedSettingsKeys(const Settings& a, const Settings& b) {
  std::vector<std::string> keys;
  if (a.shortcutText != b.shortcutText) keys.emplace_back(ToggleShortcutKey);
  std::vector<std::string> seen;
  for (const std::vector<std::string>* lines : {&a.otherLines, &b.otherLines}) {
    for (const std::string& line : *lines) {
      if (line.find('=') == std::string::npos) continue;
      std::string key(KeyOfLine(line));
      if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
      seen.push_back(key);
      if (SettingsValues(a, key) != SettingsValues(b, key)) keys.push_back(std::move(key));
    }
  }
  return keys;
}

Settings OverlaySettings(Settings onDisk, const Settings& ours,
                         const std::vector<std::string>& keys) {
  for (const std::string& key : keys) {
    if (key == ToggleShortcutKey) {
      onDisk.shortcutText = ours.shortcutText;
      onDisk.shortcut = ours.shortcut;
      continue;
    }
    // Where the key's first line stood, so that a hand-kept order survives.
    std::vector<std::string>& lines = onDisk.otherLines;
    const auto isKey = [&key](const std::string& line) {
      return line.find('=') != std::string::npos && KeyOfLine(line) == key;
    };
    auto first = std::find_if(lines.begin(), lines.end(), isKey);
    const auto at = static_cast<std::size_t>(first - lines.begin());
    lines.erase(std::remove_if(lines.begin(), lines.end(), isKey), lines.end());
    std::vector<std::string> ours_lines;
    for (const std::string& value : SettingsValues(ours, key))
      ours_lines.push_back(key + '=' + value);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(std::min(at, lines.size())),
                 ours_lines.begin(), ours_lines.end());
  }
  onDisk.excludedPrograms =
      ParseSettingsText(FormatSettingsText("", onDisk.otherLines)).excludedPrograms;
  return onDisk;
}

Settings MergeSettingsChanges(const Settings& base, const Settings& changed, Settings onDisk) {
  return OverlaySettings(std::move(onDisk), changed, ChangedSettingsKeys(base, changed));
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
