#include "ui/entry_choices.h"

#include <array>

#include "store/trigger_line_syntax.h"

namespace tarquel {

namespace {

// In the order of the enumerations, after "group default".
constexpr std::array<std::string_view, 4> WhenLabels{GroupDefaultLabel, "at once", "after ending",
                                                     "drop ending"};
constexpr std::array<std::string_view, 3> WhereLabels{GroupDefaultLabel, "anywhere", "word start"};
constexpr std::array<std::string_view, 4> CaseLabels{GroupDefaultLabel, "exact case", "any case",
                                                     "conform case"};

// Item 1 is the enumeration's first value; item 0 and anything outside the list are unset.
template <typename Value>
std::optional<Value> FromItem(int item, std::size_t labels) {
  if (item < 1 || static_cast<std::size_t>(item) >= labels) return std::nullopt;
  return static_cast<Value>(item - 1);
}

template <typename Value>
int ToItem(const std::optional<Value>& value) {
  return value ? static_cast<int>(*value) + 1 : 0;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::span<const std::string_view> OptionLabels(OptionBox box) {
  switch (box) {
    case OptionBox::When:
      return WhenLabels;
    case OptionBox::Where:
      return WhereLabels;
    case OptionBox::Case:
      break;
  }
  return CaseLabels;
}

TriggerOptions OptionsFromChoices(const OptionChoices& choices) {
  return {FromItem<FireWhen>(choices.when, WhenLabels.size()),
          FromItem<FireWhere>(choices.where, WhereLabels.size()),
          FromItem<CaseRule>(choices.caseRule, CaseLabels.size())};
}

OptionChoices ChoicesFromOptions(const TriggerOptions& options) {
  return {ToItem(options.when), ToItem(options.where), ToItem(options.caseRule)};
}

std::vector<std::string> GroupLabels(const TriggerTable& table) {
  std::vector<std::string> labels{std::string(NoGroupLabel)};
  for (std::size_t i = 1; i < table.Groups().size(); ++i) labels.push_back(table.Groups()[i].name);
  return labels;
}

std::string GroupLabel(const TriggerTable& table, std::size_t group) {
  if (group == 0 || group >= table.Groups().size()) return std::string(NoGroupLabel);
  return table.Groups()[group].name;
}

GroupChoice ReadGroupChoice(const TriggerTable& table, std::string_view text) {
  const std::string_view name = TrimBlanks(text);
  if (name.empty() || EqualIgnoringAsciiCase(name, NoGroupLabel)) return {};
  if (std::optional<std::size_t> group = table.FindGroup(name)) {
    return {table.Groups()[*group].name, {}};
  }
  for (std::size_t i = 1; i < table.Groups().size(); ++i) {
    if (EqualIgnoringAsciiCase(table.Groups()[i].name, name)) return {table.Groups()[i].name, {}};
  }
  if (!IsWritableGroupName(name)) {
    return {{},
            "A group name cannot contain \"=\", \":\" or a line break: config.txt would read "
            "its group line as something else."};
  }
  return {std::string(name), {}};
}

std::vector<std::string> GroupFilterLabels(const TriggerTable& table) {
  std::vector<std::string> labels{std::string(AllGroupsLabel), std::string(NoGroupFilterLabel)};
  for (std::size_t i = 1; i < table.Groups().size(); ++i) labels.push_back(table.Groups()[i].name);
  return labels;
}

std::optional<std::string> GroupFilterAt(const TriggerTable& table, int item) {
  if (item == 1) return std::string();
  const auto group = static_cast<std::size_t>(item - 1);
  if (item < 2 || group >= table.Groups().size()) return std::nullopt;
  return table.Groups()[group].name;
}

int GroupFilterItem(const TriggerTable& table, const std::optional<std::string>& filter) {
  if (!filter) return 0;
  if (filter->empty()) return 1;
  const std::optional<std::size_t> group = table.FindGroup(*filter);
  return group ? static_cast<int>(*group) + 1 : 0;
}

std::string ProgramsText(const std::vector<std::string>& programs) {
  std::string text;
  for (const std::string& program : programs) {
    if (!text.empty()) text += ", ";
    text += program;
  }
  return text;
}

GroupEditResult ApplyGroupEdit(const TriggerGroup& group, const GroupEdit& edit) {
  TriggerGroup edited = group;
  edited.enabled = edit.enabled;
  for (auto [text, list] : {std::pair{std::string_view(edit.onlyIn), &edited.onlyIn},
                            std::pair{std::string_view(edit.notIn), &edited.notIn}}) {
    list->clear();
    std::size_t at = 0;
    while (at <= text.size()) {
      std::size_t comma = text.find(',', at);
      if (comma == std::string_view::npos) comma = text.size();
      const std::string_view program = TrimBlanks(text.substr(at, comma - at));
      at = comma + 1;
      if (program.empty()) continue;
      if (!IsWritableProgramName(program)) {
        return {std::nullopt,
                "A program name cannot contain \"=\" or a line break: the group's "
                "line in config.txt would be read as something else."};
      }
      list->emplace_back(program);
    }
  }
  return {std::move(edited), {}};
}

}  // namespace tarquel
