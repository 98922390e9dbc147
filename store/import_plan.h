#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/match/expander.h"
#include "engine/match/trigger_table.h"
#include "store/import.h"

namespace tarquel {

// What an import does to the table, before anything changes: the entries that are new, those
// already there as they are, and the triggers the table already holds with another expansion
// or other options, each with the user's choice.
enum class ConflictChoice {
  KeepMine,    // the table's entry stays; the imported one is not taken
  TakeTheirs,  // the imported entry replaces it (expansion, options, group)
  KeepBoth,    // the imported entry is added under `bothTrigger`
};

struct ImportConflict {
  // Index into ImportPlan::result.entries.
  std::size_t entry = 0;
  std::string mine;
  ResolvedOptions mineOptions;
  // A trigger that neither the table nor the import holds and that the user can type to get
  // theirs beside theirs: "2btw" where that works (see PlanImport).
  std::string bothTrigger;
  // Nothing of the user's is replaced unless they say so.
  ConflictChoice choice = ConflictChoice::KeepMine;
};

struct ImportPlan {
  ImportResult result;
  // Indexes into result.entries.
  std::vector<std::size_t> added;
  std::vector<std::size_t> alreadyThere;
  std::vector<ImportConflict> conflicts;

  void ChooseForAll(ConflictChoice choice) {
    for (ImportConflict& conflict : conflicts) conflict.choice = choice;
  }
  // The choices made in `chosen`, a plan of the same result against another table (the
  // preview's, before a change on disk): each conflict takes the choice made for its entry
  // there, and one that was none there takes `otherwise`.
  void TakeChoices(const ImportPlan& chosen, ConflictChoice otherwise);
};

// Compares the result's entries with the table's. An entry with the same expansion and the same
// options in force is already there, whatever group holds it.
//
// Each conflict's "keep both" trigger is one the user can type and that fires theirs, with the
// table's entries, the new ones and `endingCharacters` as they are: "btw-2" cannot be typed
// where "btw" fires at once (it fires on the "w") nor, when "-" is an ending character, where
// "btw" waits for one. Tried in turn, each with 2, 3, ...: the number after the trigger
// ("btw-2", only for an entry that waits for an ending character), in front of it ("2btw",
// "2:demo": mine cannot fire before the last key and theirs comes first on it), after its first
// character ("b2tw", "/2sig": for where mine would fire whenever its trigger ends the text).
ImportPlan PlanImport(const TriggerTable& table, const ImportResult& result,
                      std::string_view endingCharacters = DefaultEndingCharacters);

// The table with the plan carried out, as one new table (one change for undo, one save). The
// result's groups are added by name; a group the table already has keeps its own switch,
// programs and defaults, and each entry gets the options that give it, in that group, the
// options it had in the source.
TriggerTable ApplyImport(const TriggerTable& table, const ImportPlan& plan);

}  // namespace tarquel
