#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/trigger_table.h"

namespace tarquel {

// The drop-downs beside the trigger and expansion fields. Each lists "group default" first (the
// entry leaves the question to its group) and then the answers in the words config.txt uses for
// them, so that the window, the rows and the file say the same thing.
enum class OptionBox : std::uint8_t { When, Where, Case };
inline constexpr std::string_view GroupDefaultLabel = "group default";
std::span<const std::string_view> OptionLabels(OptionBox box);

// The item chosen in each drop-down; an index outside the list (nothing chosen) leaves the
// question to the group.
struct OptionChoices {
  int when = 0;
  int where = 0;
  int caseRule = 0;

  friend bool operator==(const OptionChoices&, const OptionChoices&) = default;
};
TriggerOptions OptionsFromChoices(const OptionChoices& choices);
OptionChoices ChoicesFromOptions(const TriggerOptions& options);

// The group drop-down: "no group", then every named group in the file's order. A name typed
// into it that no group has makes a new group.
inline constexpr std::string_view NoGroupLabel = "no group";
std::vector<std::string> GroupLabels(const TriggerTable& table);
// What the group drop-down shows for an entry of the group `group`.
std::string GroupLabel(const TriggerTable& table, std::size_t group);

struct GroupChoice {
  // Empty: no group. Otherwise a group's name, the table's spelling when it has the group.
  std::string name;
  // Not empty when the typed name cannot be written as a group line; the name is then empty.
  std::string problem;
};
// What the text of the group drop-down means. Blanks around it do not count; "no group" and an
// empty box are no group; a name is the group of that name, and one differing from it only in
// ASCII case is taken as that group rather than as a second one with a confusable name.
GroupChoice ReadGroupChoice(const TriggerTable& table, std::string_view text);

// The list's group filter above the rows: every entry, those of no group, or one group's.
inline constexpr std::string_view AllGroupsLabel = "All groups";
inline constexpr std::string_view NoGroupFilterLabel = "No group";
std::vector<std::string> GroupFilterLabels(const TriggerTable& table);
// The filter's item `item` as the name it filters by: nullopt for every entry, "" for no group.
std::optional<std::string> GroupFilterAt(const TriggerTable& table, int item);
// The item of that filter in GroupFilterLabels; 0 (every entry) for a group no longer there.
int GroupFilterItem(const TriggerTable& table, const std::optional<std::string>& filter);

// A group's programs as the window shows them: "outlook.exe, class:ConsoleWindowClass".
std::string ProgramsText(const std::vector<std::string>& programs);

// What the window edits of a group: its switch and its two lists of programs as typed.
struct GroupEdit {
  bool enabled = true;
  std::string onlyIn;
  std::string notIn;
};
struct GroupEditResult {
  // The group with the edit applied; nullopt when `problem` says why it cannot be.
  std::optional<TriggerGroup> group;
  std::string problem;
};
// Program names are separated by commas, blanks around them do not count and empty ones are
// dropped; a name the group line cannot hold is refused. Name and defaults stay as they were.
GroupEditResult ApplyGroupEdit(const TriggerGroup& group, const GroupEdit& edit);

}  // namespace tarquel
