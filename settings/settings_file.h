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
// Any number of lines, each naming where nothing expands: an executable ("keepass.exe" or
// "program:keepass.exe"), a window class ("class:KeePassWindow"), or an app's package
// ("package:Microsoft.WindowsCalculator"), for apps that run in a frame.
inline constexpr std::string_view ExcludeKey = "exclude";
// Expansions longer than this many characters are pasted; 0 types every expansion.
inline constexpr std::string_view PasteThresholdKey = "paste_threshold";
// Any number of lines, each a window class or an executable name where text is typed, never
// pasted (see ParseTypeInRule).
inline constexpr std::string_view TypeInKey = "type_in";
inline constexpr std::string_view PressKeysInKey = "press_keys_in";
// Any number of lines, each a window as type_in= names it, the wait after each key and the
// wait before a paste in milliseconds (see ParsePaceRule).
inline constexpr std::string_view PaceKey = "pace";
// "off" turns off taking an expansion back with Backspace.
inline constexpr std::string_view UndoBackspaceKey = "undo_backspace";

// The toggle shortcut as the user wrote it and the numbers in force. They may disagree: a text
// that names no usable key keeps its words for display while the default numbers apply.
struct Settings {
  std::string shortcutText{DefaultShortcutText};
  Shortcut shortcut = DefaultShortcut;
  // The "exclude" values, in file order, without the blanks around them.
  std::vector<std::string> excludedPrograms;
  // Every line but "toggle_shortcut" ones, as read, so that saving the shortcut gives back what
  // the user or a newer version wrote.
  std::vector<std::string> otherLines;
};

// A settings file is a few short lines. Bytes beyond this bound are not read, so that a damaged
// or foreign file of any size cannot exhaust memory at start-up.
inline constexpr std::size_t SettingsReadLimit = 4 * 1024 * 1024;

// The bytes of settings.txt in any encoding config.txt may have (UTF-8 with or without a
// byte-order mark, UTF-16 with one, the ANSI code page); then key=value lines ending in CR LF or
// LF; a character U+001A ends the text, as Windows text mode has it. Keys match exactly once
// the blanks around them are taken off, and so do values; for "toggle_shortcut" the last such
// line wins.
Settings ParseSettingsText(std::string_view bytes);
// "toggle_shortcut=" + text + CR LF, then `otherLines`, each ending in CR LF.
std::string FormatSettingsText(std::string_view shortcutText,
                               const std::vector<std::string>& otherLines = {});

// The value of the last `key=` line among `otherLines`, or nothing; values without the blanks
// around them.
std::optional<std::string> SettingsValue(const Settings& settings, std::string_view key);
// The values of every `key=` line among `otherLines`, in file order.
std::vector<std::string> SettingsValues(const Settings& settings, std::string_view key);
// Replaces every `key=` line among `otherLines` by one `key=value` line where the first stood,
// or appends one.
void SetSettingsValue(Settings& settings, std::string_view key, std::string_view value);
// For keys that may stand on many lines (exclude=, type_in=): one more `key=value` line, after
// the key's last one or at the end; and every `key=` line whose value is `value` taken out (true
// when there was one). `excludedPrograms` follows.
void AddSettingsValue(Settings& settings, std::string_view key, std::string_view value);
bool RemoveSettingsValue(Settings& settings, std::string_view key, std::string_view value);

// What one read of settings.txt found.
struct SettingsRead {
  enum class Status {
    Read,
    // No such file: the defaults, and a save may create it.
    Missing,
    // There but cannot be read (another program holds it, access refused, too large): the
    // defaults stand in, and nothing may be saved over it until it has been read.
    Unreadable,
  };
  Status status = Status::Missing;
  Settings settings;
};
SettingsRead ReadSettingsFile(const std::filesystem::path& fileName,
                              const FileReader& read = ReadFileUpTo);
// Never fails: a missing or unreadable file gives a fresh `Settings`.
Settings LoadSettings(const std::filesystem::path& fileName);

// The keys whose values differ between `a` and `b` ("toggle_shortcut" for the shortcut).
std::vector<std::string> ChangedSettingsKeys(const Settings& a, const Settings& b);
// `onDisk` with the values of `keys` taken from `ours`, every other line as on disk: what a save
// writes over a file that may have been edited by hand since this run read it.
Settings OverlaySettings(Settings onDisk, const Settings& ours,
                         const std::vector<std::string>& keys);
// `onDisk` with what this run changed from `base` to `changed` put on top: the shortcut, and
// every key whose values differ. For settings changed while the file could not be read, once
// it can: its other lines are kept.
Settings MergeSettingsChanges(const Settings& base, const Settings& changed, Settings onDisk);
// Replaces the file whole; on failure the old file is untouched and the result says why.
SaveResult SaveSettings(const std::filesystem::path& fileName, std::string_view shortcutText);
SaveResult SaveSettings(const std::filesystem::path& fileName, const Settings& settings);

}  // namespace tarquel
