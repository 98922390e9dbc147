#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/match/trigger_table.h"

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
};

// Puts ":" in front of a trigger that lacks it, then checks that config.txt can hold the entry:
// its lines split at the first "=", end at a line break, and reading stops at Ctrl+Z.
NewEntry PrepareNewEntry(std::string_view triggerField, std::string_view expansionField);

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
