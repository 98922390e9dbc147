#pragma once

#include <cstddef>
#include <string>
#include <vector>

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
  // The first of "btw-2", "btw-3", ... that neither the table nor the import holds.
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
};

// Compares the result's entries with the table's. An entry with the same expansion and the same
// options in force is already there, whatever group holds it.
ImportPlan PlanImport(const TriggerTable& table, const ImportResult& result);

// The table with the plan carried out, as one new table (one change for undo, one save). The
// result's groups are added by name; a group the table already has keeps its own switch,
// programs and defaults, and each entry gets the options that give it, in that group, the
// options it had in the source.
TriggerTable ApplyImport(const TriggerTable& table, const ImportPlan& plan);

}  // namespace tarquel
