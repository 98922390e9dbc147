#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/match/trigger_table.h"
#include "ui/entry_choices.h"

namespace tarquel {

// What "ADD" makes of the two fields.
struct NewEntry {
  enum class Verdict {
    // A field is empty: nothing changes and nothing is said.
    Ignore,
    // The entry could not be read back from config.txt as it was typed; `problem` says why.
    Refuse,
    Store,
  };
  Verdict verdict = Verdict::Ignore;
  std::string trigger;
  std::string expansion;
  std::string problem;
  // The options the entry sets itself, and the name of its group (empty: none).
  TriggerOptions options;
  std::string group;
};

// Puts ":" in front of a trigger that lacks it, then checks that config.txt can hold the entry:
// its lines split at the first "=", end at a line break, and reading stops at Ctrl+Z.
NewEntry PrepareNewEntry(std::string_view triggerField, std::string_view expansionField);

// What the fields and the drop-downs beside them hold.
struct EntryFields {
  std::string trigger;
  // As the field shows it: line breaks, not "{{newline}}".
  std::string expansion;
  OptionChoices options;
  // The text of the group drop-down.
  std::string group;
};
// The fields as a chosen row fills them from the table's entry.
EntryFields FieldsOfEntry(const TriggerTable& table, const TriggerTable::Entry& entry);
// What ADD makes of the fields: the checks above, the options chosen and the group named (a
// name a group line cannot hold is refused). The ":" goes only in front of a trigger that is
// not in the table as typed and fires at once (by its own choice or its group's): one that
// waits for an ending character is a word of its own, which is what the colon is there for.
NewEntry PrepareNewEntry(const TriggerTable& table, const EntryFields& fields);
// Puts a prepared entry into the table with its options and group, making the group at the end
// of the table's when it has none of that name. An entry in the table already gets the new
// expansion, options and group. False when the table refuses the entry.
bool StoreNewEntry(TriggerTable& table, const NewEntry& entry);
// An entry of the table as StoreNewEntry puts it back: what DELETE keeps for Ctrl+Z.
NewEntry EntryToKeep(const TriggerTable& table, const TriggerTable::Entry& entry);

// The expansion field shows line breaks; config.txt keeps one entry a line, so a break is
// stored as the placeholder that types one. Every CR LF, CR or LF becomes "{{newline}}".
std::string ExpansionFromField(std::string_view fieldText);
// A stored expansion as the field shows it: "{{newline}}" as CR LF.
std::string ExpansionForField(std::string_view stored);

// What ADD does with a prepared entry, given the trigger of the row whose entry the fields
// were filled from, if any.
enum class AddKind {
  // The trigger is new to the table.
  Added,
  // The trigger is in the table: its expansion is replaced.
  Replaced,
  // The fields came from another entry's row and the trigger was changed there: a new entry
  // is added and the one of the row stays as it was.
  AddedBesideTheRow,
};
AddKind ClassifyAdd(const TriggerTable& table, std::string_view trigger,
                    const std::optional<std::string>& rowTrigger);

// The line the window shows after each change.
std::string AddedText(AddKind kind, std::string_view trigger,
                      const std::optional<std::string>& rowTrigger);
std::string DeletedText(std::string_view trigger);
std::string RestoredText(std::string_view trigger);

// The row to select after the row `deletedRow` went away from a list that now has
// `rowsLeft` rows: the one that took its place, else the one above; none when empty.
std::optional<std::size_t> RowAfterDelete(std::size_t deletedRow, std::size_t rowsLeft);

// The two debugger lines of a deletion, each ending in "\n".
std::string DeletingKeyLine(std::string_view key);
std::string EraseResultLine(std::size_t removed, std::size_t newSize);

}  // namespace tarquel
