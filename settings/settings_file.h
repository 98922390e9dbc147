#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/file_io.h"
#include "settings/shortcut.h"

namespace tarquel {

inline constexpr const char* SettingsFileName = "settings.txt";
inline constexpr std::string_view ToggleShortcutKey = "toggle_shortcut";

// The toggle shortcut as the user wrote it and the numbers in force. They may disagree: a text
// that names no usable key keeps its words for display while the default numbers apply.
struct Settings {
  std::string shortcutText{DefaultShortcutText};
  Shortcut shortcut = DefaultShortcut;
};

// A settings file is one short line. Bytes beyond this bound are not read, so that a damaged
// or foreign file of any size cannot exhaust memory at start-up.
inline constexpr std::size_t SettingsReadLimit = 4 * 1024 * 1024;

// key=value lines ending in CR LF or LF; a byte 0x1A ends the text, as Windows text mode has
// it. Only "toggle_shortcut" counts, matched exactly; the last such line wins.
Settings ParseSettingsText(std::string_view text);
// The single line the program writes: "toggle_shortcut=" + text + CR LF.
std::string FormatSettingsText(std::string_view shortcutText);

// Never fails: a missing or unreadable file gives a fresh `Settings`.
Settings LoadSettings(const std::filesystem::path& fileName);
// Replaces the file whole; on failure the old file is untouched and the result says why.
SaveResult SaveSettings(const std::filesystem::path& fileName, std::string_view shortcutText);

}  // namespace tarquel
