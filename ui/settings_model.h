#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_file.h"

namespace tarquel {

// The Settings window's rows, in the order it shows them: the left column, then the right.
enum class SettingRow : std::uint8_t {
  ToggleShortcut,
  SearchShortcut,
  StartOnStartup,
  PasteThreshold,
  UndoBackspace,
  EndingCharacters,
  DataFolder,
  UpdateCheck,
  ExcludedPrograms,
  TypeInPrograms,
  Pace,
};
inline constexpr std::size_t SettingRowCount = 11;

// A row's name, the one line that says what it does, and the settings.txt key it keeps
// (empty for what lives elsewhere: Start on Startup in the registry, the data folder).
struct SettingText {
  SettingRow row;
  std::string_view label;
  std::string_view explanation;
  std::string_view key;
};
const std::array<SettingText, SettingRowCount>& SettingTexts();
const SettingText& TextOf(SettingRow row);

// The paste threshold as typed into its field: a whole number of characters, blanks around it
// allowed, at most MaxPasteThreshold (beyond that no expansion would ever be pasted, and a
// mistyped digit more is likelier than the wish).
inline constexpr std::size_t MaxPasteThreshold = 1'000'000;
struct PasteThresholdInput {
  std::optional<std::size_t> value;
  // Why the text was refused, in a line the window shows; empty when `value` is there.
  std::string_view refusal;
};
PasteThresholdInput ReadPasteThresholdInput(std::string_view typed);
// The threshold in force, as the field shows it.
std::string PasteThresholdText(const Settings& settings);
// Puts a typed threshold into `settings`; the refusal, or empty when it was taken.
std::string_view SetPasteThreshold(Settings& settings, std::string_view typed);

bool UndoBackspaceOn(const Settings& settings);
void SetUndoBackspace(Settings& settings, bool on);

// The ending characters as the line writes them; the default's text when there is none.
std::string EndingCharactersText(const Settings& settings);
// An empty field puts the default back. The refusal, or empty when it was taken.
std::string_view SetEndingCharactersText(Settings& settings, std::string_view typed);

void SetUpdateCheck(Settings& settings, bool on);

// The two lists of programs, each kept as lines of its key.
enum class ProgramList : std::uint8_t { Excluded, TypeIn };
std::string_view KeyOf(ProgramList list);
// The list's names in file order, without empty lines.
std::vector<std::string> ProgramsIn(const Settings& settings, ProgramList list);

enum class ProgramAdd : std::uint8_t { Added, Empty, AlreadyListed, NotOneLine };
// Adds a name ("notepad.exe", "class:X", "program:x.exe") as typed or chosen, without the blanks
// around it. A name the list has already, in any case (Windows compares file names so), is
// not added twice.
ProgramAdd AddProgram(Settings& settings, ProgramList list, std::string_view typed);
// Why a name was not added; empty for Added.
std::string_view ProgramAddRefusal(ProgramAdd result);
// Takes every line naming `listed` out of the list; false when there was none.
bool RemoveProgram(Settings& settings, ProgramList list, std::string_view listed);

// The drop-down's choices: the running programs' file names, each once whatever its case,
// sorted without regard to case, leaving out those `listed` holds already.
std::vector<std::string> ProgramChoices(const std::vector<std::string>& running,
                                        const std::vector<std::string>& listed);

// The pace= lines' values, in file order, and taking one out.
std::vector<std::string> PaceLines(const Settings& settings);
bool RemovePace(Settings& settings, std::string_view line);

}  // namespace tarquel
