#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/trigger_table.h"

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

// The entry behind row `row` of a list filled from `table` in table order, or nullptr when the
// list no longer shows that table (`rowText`, as read back from the list in UTF-8, differs
// from what the row was filled with, each invalid UTF-8 sequence shown as U+FFFD). The index
// decides rather than the text: a trigger may itself contain the row separator.
const TriggerTable::Entry* EntryOfRow(const TriggerTable& table, std::size_t row,
                                      std::string_view rowText);

// The two debugger lines of a deletion, each ending in "\n".
std::string DeletingKeyLine(std::string_view key);
std::string EraseResultLine(std::size_t removed, std::size_t newSize);

}  // namespace tarquel
