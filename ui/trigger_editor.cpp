#include "ui/trigger_editor.h"

#include <iterator>

#include "ui/trigger_list.h"
#include "util/text_encoding.h"

namespace tarquel {

namespace {

constexpr char CtrlZ = '\x1A';
constexpr std::string_view NewlinePlaceholder = "{{newline}}";

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

NewEntry Refusal(std::string problem) {
  NewEntry entry;
  entry.verdict = NewEntry::Verdict::Refuse;
  entry.problem = std::move(problem);
  return entry;
}

NewEntry PrepareChecked(std::string_view triggerField, std::string_view expansionField,
                        bool colon) {
  if (triggerField.empty() || expansionField.empty()) return {};

  std::string trigger;
  if (colon && !triggerField.starts_with(':')) trigger += ':';
  trigger += triggerField;
  if (trigger.find('=') != std::string::npos) {
    return Refusal(
        "A trigger cannot contain \"=\": config.txt keeps each trigger in front of the first "
        "\"=\" of its line, so the rest would become part of the expansion.");
  }
  if (HasLineBreak(trigger) || HasLineBreak(expansionField)) {
    return Refusal(
        "A trigger or an expansion cannot contain a line break: config.txt keeps each entry on "
        "a line of its own.");
  }
  if (trigger.find(CtrlZ) != std::string::npos ||
      expansionField.find(CtrlZ) != std::string_view::npos) {
    // Windows text-mode reading ends the file there, which would lose every later entry.
    return Refusal(
        "A trigger or an expansion cannot contain the character Ctrl+Z: reading config.txt "
        "stops at it, and every entry after it would be lost.");
  }

  NewEntry entry;
  entry.verdict = NewEntry::Verdict::Store;
  entry.trigger = std::move(trigger);
  entry.expansion = std::string(expansionField);
  return entry;
}

}  // namespace

NewEntry PrepareNewEntry(std::string_view triggerField, std::string_view expansionField) {
  return PrepareChecked(triggerField, expansionField, true);
}

EntryFields FieldsOfEntry(const TriggerTable& table, const TriggerTable::Entry& entry) {
  const EntryInfo& info = table.InfoOf(entry.first);
  return {entry.first, ExpansionForField(entry.second), ChoicesFromOptions(info.options),
          GroupLabel(table, info.group)};
}

NewEntry PrepareNewEntry(const TriggerTable& table, const EntryFields& fields) {
  GroupChoice group = ReadGroupChoice(table, fields.group);
  if (!group.problem.empty()) {
    if (fields.trigger.empty() || fields.expansion.empty()) return {};
    return Refusal(std::move(group.problem));
  }
  const TriggerOptions options = OptionsFromChoices(fields.options);
  TriggerOptions defaults;
  if (std::optional<std::size_t> index = table.FindGroup(group.name); index && *index != 0) {
    defaults = table.Groups()[*index].defaults;
  }
  const bool firesAtOnce = Resolve(options.Over(defaults)).when == FireWhen::AtOnce;
  const bool colon = firesAtOnce && table.Find(fields.trigger) == nullptr;
  NewEntry entry = PrepareChecked(fields.trigger, ExpansionFromField(fields.expansion), colon);
  if (entry.verdict != NewEntry::Verdict::Store) return entry;
  entry.options = options;
  entry.group = std::move(group.name);
  return entry;
}

bool StoreNewEntry(TriggerTable& table, const NewEntry& entry) {
  std::size_t group = 0;
  if (!entry.group.empty()) {
    TriggerGroup named;
    named.name = entry.group;
    group = table.AddGroup(std::move(named));
  }
  return table.Set(entry.trigger, entry.expansion, EntryInfo{entry.options, group});
}

NewEntry EntryToKeep(const TriggerTable& table, const TriggerTable::Entry& entry) {
  const EntryInfo& info = table.InfoOf(entry.first);
  NewEntry kept;
  kept.verdict = NewEntry::Verdict::Store;
  kept.trigger = entry.first;
  kept.expansion = entry.second;
  kept.options = info.options;
  kept.group = info.group < table.Groups().size() ? table.Groups()[info.group].name : "";
  return kept;
}

std::string ExpansionFromField(std::string_view fieldText) {
  std::string stored;
  stored.reserve(fieldText.size());
  for (std::size_t at = 0; at < fieldText.size(); ++at) {
    const char c = fieldText[at];
    if (c != '\r' && c != '\n') {
      stored += c;
      continue;
    }
    if (c == '\r' && at + 1 < fieldText.size() && fieldText[at + 1] == '\n') ++at;
    stored += NewlinePlaceholder;
  }
  return stored;
}

std::string ExpansionForField(std::string_view stored) {
  std::string shown;
  shown.reserve(stored.size());
  for (std::size_t at = 0; at < stored.size();) {
    if (stored.substr(at).starts_with(NewlinePlaceholder)) {
      shown += "\r\n";
      at += NewlinePlaceholder.size();
    } else {
      shown += stored[at++];
    }
  }
  return shown;
}

AddKind ClassifyAdd(const TriggerTable& table, std::string_view trigger,
                    const std::optional<std::string>& rowTrigger) {
  if (table.Find(trigger) != nullptr) return AddKind::Replaced;
  if (rowTrigger && *rowTrigger != trigger && table.Find(*rowTrigger) != nullptr) {
    return AddKind::AddedBesideTheRow;
  }
  return AddKind::Added;
}

std::string AddedText(AddKind kind, std::string_view trigger,
                      const std::optional<std::string>& rowTrigger) {
  const std::string name(trigger);
  switch (kind) {
    case AddKind::Replaced:
      return "Changed the expansion of " + name + ".";
    case AddKind::AddedBesideTheRow:
      return "Added " + name + " as a new trigger. " + rowTrigger.value_or("") +
             " is still there: select it and press DELETE if you meant to rename it.";
    case AddKind::Added:
      break;
  }
  return "Added " + name + ".";
}

std::string DeletedText(std::string_view trigger) {
  return "Deleted " + std::string(trigger) + ". Ctrl+Z in the list brings it back.";
}

std::string RestoredText(std::string_view trigger) {
  return "Brought back " + std::string(trigger) + ".";
}

std::optional<std::size_t> RowAfterDelete(std::size_t deletedRow, std::size_t rowsLeft) {
  if (rowsLeft == 0) return std::nullopt;
  return deletedRow < rowsLeft ? deletedRow : rowsLeft - 1;
}

std::string DeletingKeyLine(std::string_view key) {
  std::string line = "Deleting Key: '";
  line += key;
  line += "' (Len: " + std::to_string(key.size()) + ")\n";
  return line;
}

std::string EraseResultLine(std::size_t removed, std::size_t newSize) {
  return "Erase Result: " + std::to_string(removed) + " | New Size: " + std::to_string(newSize) +
         "\n";
}

}  // namespace tarquel
