#include "ui/settings_model.h"

#include <algorithm>
#include <charconv>

#include "settings/data_folder.h"
#include "settings/ending_characters.h"
#include "settings/output_settings.h"
#include "settings/search_shortcut.h"
#include "update/update_schedule.h"

namespace tarquel {

namespace {

constexpr std::array<SettingText, SettingRowCount> Texts{{
    {SettingRow::ToggleShortcut, "Toggle shortcut",
     "Switches expansion off and on from any program.", ToggleShortcutKey},
    {SettingRow::SearchShortcut, "Search shortcut",
     "Opens the search popup by the caret, to pick an expansion.", SearchShortcutKey},
    {SettingRow::StartOnStartup, "Start on Startup",
     "Windows starts Tarquel in the tray when you log on.", ""},
    {SettingRow::PasteThreshold, "Paste threshold",
     "Longer expansions are pasted, shorter typed; 0 types all.", PasteThresholdKey},
    {SettingRow::UndoBackspace, "Undo with Backspace",
     "Backspace right after an expansion puts the trigger back.", UndoBackspaceKey},
    {SettingRow::EndingCharacters, "Ending characters",
     "After one of these, a trigger that waits for an ending fires.", EndingCharactersKey},
    {SettingRow::DataFolder, "Data folder",
     "Where config.txt is kept; a synced one shares it among your PCs.", DataFolderKey},
    {SettingRow::UpdateCheck, "Update check", "Asks once a day whether a newer Tarquel is out.",
     UpdateCheckKey},
    {SettingRow::ExcludedPrograms, "Programs where nothing expands",
     "Triggers typed in these programs stay as typed.", ExcludeKey},
    {SettingRow::TypeInPrograms, "Programs where text is typed",
     "Expansions are typed key by key here, never pasted.", TypeInKey},
    {SettingRow::Pace, "Pacing per program",
     "Waits after each key and before a paste (ms), from settings.txt.", PaceKey},
}};

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// What settings.txt cannot keep on one line.
bool HoldsLineEnd(std::string_view text) {
  return text.find_first_of("\r\n\x1A") != std::string_view::npos;
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool LessIgnoringCase(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
}

}  // namespace

const std::array<SettingText, SettingRowCount>& SettingTexts() {
  return Texts;
}

const SettingText& TextOf(SettingRow row) {
  return Texts[static_cast<std::size_t>(row)];
}

PasteThresholdInput ReadPasteThresholdInput(std::string_view typed) {
  const std::string_view text = Trim(typed);
  constexpr std::string_view NotANumber = "Type a whole number of characters: 0 or more.";
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return {std::nullopt, NotANumber};
  }
  std::size_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range ||
      (error == std::errc() && value > MaxPasteThreshold)) {
    return {std::nullopt, "At most 1000000 characters."};
  }
  if (error != std::errc() || end != text.data() + text.size()) return {std::nullopt, NotANumber};
  return {value, {}};
}

std::string PasteThresholdText(const Settings& settings) {
  return std::to_string(ReadOutputSettings(settings).pasteThreshold);
}

std::string_view SetPasteThreshold(Settings& settings, std::string_view typed) {
  const PasteThresholdInput input = ReadPasteThresholdInput(typed);
  if (!input.value) return input.refusal;
  SetSettingsValue(settings, PasteThresholdKey, std::to_string(*input.value));
  return {};
}

bool UndoBackspaceOn(const Settings& settings) {
  return ReadOutputSettings(settings).undoBackspace;
}

void SetUndoBackspace(Settings& settings, bool on) {
  SetSettingsValue(settings, UndoBackspaceKey, on ? "on" : "off");
}

std::string EndingCharactersText(const Settings& settings) {
  const std::optional<std::string> value = SettingsValue(settings, EndingCharactersKey);
  if (!value || value->empty()) return std::string(DefaultEndingCharactersText);
  return *value;
}

std::string_view SetEndingCharactersText(Settings& settings, std::string_view typed) {
  if (HoldsLineEnd(typed)) return "The ending characters must stay on one line.";
  // The line's blanks are taken off when it is read: a typed space would not come back.
  const std::string_view text = Trim(typed);
  SetSettingsValue(settings, EndingCharactersKey,
                   text.empty() ? DefaultEndingCharactersText : text);
  return {};
}

void SetUpdateCheck(Settings& settings, bool on) {
  SetSettingsValue(settings, UpdateCheckKey, on ? "on" : "off");
}

std::string_view KeyOf(ProgramList list) {
  return list == ProgramList::Excluded ? ExcludeKey : TypeInKey;
}

std::vector<std::string> ProgramsIn(const Settings& settings, ProgramList list) {
  std::vector<std::string> programs = SettingsValues(settings, KeyOf(list));
  programs.erase(std::remove(programs.begin(), programs.end(), std::string()), programs.end());
  return programs;
}

ProgramAdd AddProgram(Settings& settings, ProgramList list, std::string_view typed) {
  if (HoldsLineEnd(typed)) return ProgramAdd::NotOneLine;
  const std::string_view name = Trim(typed);
  if (name.empty()) return ProgramAdd::Empty;
  for (const std::string& listed : ProgramsIn(settings, list)) {
    if (SameIgnoringCase(listed, name)) return ProgramAdd::AlreadyListed;
  }
  AddSettingsValue(settings, KeyOf(list), name);
  return ProgramAdd::Added;
}

std::string_view ProgramAddRefusal(ProgramAdd result) {
  switch (result) {
    case ProgramAdd::Added:
      return {};
    case ProgramAdd::Empty:
      return "Choose a running program or type its file name, such as notepad.exe.";
    case ProgramAdd::AlreadyListed:
      return "That program is in the list already.";
    case ProgramAdd::NotOneLine:
      return "A program's name must stay on one line.";
  }
  return {};
}

bool RemoveProgram(Settings& settings, ProgramList list, std::string_view listed) {
  return RemoveSettingsValue(settings, KeyOf(list), listed);
}

std::vector<std::string> ProgramChoices(const std::vector<std::string>& running,
                                        const std::vector<std::string>& listed) {
  std::vector<std::string> choices;
  const auto among = [](const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [name](const std::string& other) { return SameIgnoringCase(other, name); });
  };
  for (const std::string& name : running) {
    if (name.empty() || among(listed, name) || among(choices, name)) continue;
    choices.push_back(name);
  }
  std::sort(choices.begin(), choices.end(), LessIgnoringCase);
  return choices;
}

std::vector<std::string> PaceLines(const Settings& settings) {
  std::vector<std::string> lines = SettingsValues(settings, PaceKey);
  lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
  return lines;
}

bool RemovePace(Settings& settings, std::string_view line) {
  return RemoveSettingsValue(settings, PaceKey, line);
}

}  // namespace tarquel
