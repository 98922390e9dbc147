#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/shortcut.h"
#include "util/file_io.h"

namespace tarquel {

inline constexpr const char* SettingsFileName = "settings.txt";
inline constexpr std::string_view ToggleShortcutKey = "toggle_shortcut";
// Any number of lines, each naming an executable ("keepass.exe") in whose windows nothing
// expands.
inline constexpr std::string_view ExcludeKey = "exclude";
// Expansions longer than this many characters are pasted; 0 types every expansion.
inline constexpr std::string_view PasteThresholdKey = "paste_threshold";
// Any number of lines, each a window class or an executable name where text is typed, never
// pasted (see ParseTypeInRule).
inline constexpr std::string_view TypeInKey = "type_in";
// "off" turns off taking an expansion back with Backspace.
inline constexpr std::string_view UndoBackspaceKey = "undo_backspace";

// The toggle shortcut as the user wrote it and the numbers in force. They may disagree: a text
// that names no usable key keeps its words for display while the default numbers apply.
struct Settings {
  std::string shortcutText{DefaultShortcutText};
  Shortcut shortcut = DefaultShortcut;
  // The "exclude" values, in file order, as written.
  std::vector<std::string> excludedPrograms;
  // Every line but "toggle_shortcut" ones, as read, so that saving the shortcut gives back what
  // the user or a newer version wrote.
  std::vector<std::string> otherLines;
};

// A settings file is a few short lines. Bytes beyond this bound are not read, so that a damaged
// or foreign file of any size cannot exhaust memory at start-up.
inline constexpr std::size_t SettingsReadLimit = 4 * 1024 * 1024;

// key=value lines ending in CR LF or LF; a byte 0x1A ends the text, as Windows text mode has
// it. Keys match exactly; for "toggle_shortcut" the last such line wins.
Settings ParseSettingsText(std::string_view text);
// "toggle_shortcut=" + text + CR LF, then `otherLines`, each ending in CR LF.
std::string FormatSettingsText(std::string_view shortcutText,
                               const std::vector<std::string>& otherLines = {});

// The value of the last `key=` line among `otherLines`, or nothing.
std::optional<std::string> SettingsValue(const Settings& settings, std::string_view key);
// The values of every `key=` line among `otherLines`, in file order.
std::vector<std::string> SettingsValues(const Settings& settings, std::string_view key);
// Replaces every `key=` line among `otherLines` by one `key=value` line where the first stood,
// or appends one.
void SetSettingsValue(Settings& settings, std::string_view key, std::string_view value);

// Never fails: a missing or unreadable file gives a fresh `Settings`.
Settings LoadSettings(const std::filesystem::path& fileName);
// Replaces the file whole; on failure the old file is untouched and the result says why.
SaveResult SaveSettings(const std::filesystem::path& fileName, std::string_view shortcutText);
SaveResult SaveSettings(const std::filesystem::path& fileName, const Settings& settings);

}  // namespace tarquel
