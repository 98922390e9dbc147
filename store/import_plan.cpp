#include "store/import_plan.h"

#include <optional>
#include <unordered_set>

#include "engine/match/typed_trigger.h"
#include "util/text_case.h"

namespace tarquel {

namespace {

// The options that give `wanted` in a group with these defaults.
TriggerOptions OptionsIn(const ResolvedOptions& wanted, const TriggerOptions& groupDefaults) {
  const ResolvedOptions given = Resolve(groupDefaults);
  TriggerOptions own;
  if (wanted.when != given.when) own.when = wanted.when;
  if (wanted.where != given.where) own.where = wanted.where;
  if (wanted.caseRule != given.caseRule) own.caseRule = wanted.caseRule;
  return own;
}

// Far beyond any list a person keeps; past it the first free trigger in front is taken, typed or
// not, rather than trying on.
constexpr int LastBothNumber = 99;
// A form whose first few free triggers cannot be typed is most likely one that never can be
// (mine fires inside it, or wins on its last key, whatever the number): the next form is tried
// rather than every number of this one.
constexpr int UntypedTries = 3;

// The forms tried for "keep both", the likeliest first: `n` after the trigger (for an entry that
// waits for an ending character), in front of it, after its first character.
enum class BothForm { After, Front, Inside };

std::string BothCandidate(std::string_view trigger, BothForm form, int n) {
  const std::string number = std::to_string(n);
  switch (form) {
    case BothForm::After:
      return std::string(trigger) + "-" + number;
    case BothForm::Front:
      break;
    case BothForm::Inside: {
      std::size_t first = 0;
      NextCodePoint(trigger, first);
      if (first >= trigger.size()) break;
      return std::string(trigger.substr(0, first)) + number + std::string(trigger.substr(first));
    }
  }
  return number + std::string(trigger);
}

}  // namespace

void ImportPlan::TakeChoices(const ImportPlan& chosen, ConflictChoice otherwise) {
  for (ImportConflict& conflict : conflicts) {
    conflict.choice = otherwise;
    for (const ImportConflict& made : chosen.conflicts) {
      if (made.entry == conflict.entry) conflict.choice = made.choice;
    }
  }
}

ImportPlan PlanImport(const TriggerTable& table, const ImportResult& result,
                      std::string_view endingCharacters) {
  ImportPlan plan;
  plan.result = result;
  std::unordered_set<std::string> taken;
  for (const ImportedEntry& entry : result.entries) taken.insert(entry.trigger);
  for (std::size_t i = 0; i < result.entries.size(); ++i) {
    const ImportedEntry& entry = result.entries[i];
    const std::string* mine = table.Find(entry.trigger);
    if (!mine) {
      plan.added.push_back(i);
      continue;
    }
    const ResolvedOptions mineOptions = table.OptionsOf(entry.trigger);
    if (*mine == entry.expansion && mineOptions == Resolve(result.FullOptions(entry))) {
      plan.alreadyThere.push_back(i);
      continue;
    }
    ImportConflict conflict;
    conflict.entry = i;
    conflict.mine = *mine;
    conflict.mineOptions = mineOptions;
    plan.conflicts.push_back(std::move(conflict));
  }
  if (plan.conflicts.empty()) return plan;
  // The table as it would be with the new entries in, each "keep both" trigger tried in it in
  // turn; a chosen one stays, so that the next is tried beside it.
  TriggerTable trial = table;
  auto withOptions = [&](const ImportedEntry& entry) {
    return EntryInfo{OptionsIn(Resolve(result.FullOptions(entry)), trial.Groups()[0].defaults), 0};
  };
  for (std::size_t index : plan.added) {
    const ImportedEntry& entry = result.entries[index];
    trial.Set(entry.trigger, entry.expansion, withOptions(entry));
  }
  for (ImportConflict& conflict : plan.conflicts) {
    const ImportedEntry& entry = result.entries[conflict.entry];
    const EntryInfo info = withOptions(entry);
    const bool waits = Resolve(result.FullOptions(entry)).when != FireWhen::AtOnce;
    auto free = [&](const std::string& candidate) {
      return !table.Find(candidate) && !taken.contains(candidate);
    };
    for (BothForm form : {BothForm::After, BothForm::Front, BothForm::Inside}) {
      if (form == BothForm::After && !waits) continue;
      int untyped = 0;
      for (int n = 2; n <= LastBothNumber && untyped < UntypedTries && conflict.bothTrigger.empty();
           ++n) {
        std::string candidate = BothCandidate(entry.trigger, form, n);
        if (!free(candidate) || !trial.Set(candidate, entry.expansion, info)) continue;
        if (FiresWhenTyped(trial, candidate, endingCharacters)) {
          conflict.bothTrigger = std::move(candidate);
        } else {
          trial.Erase(candidate);
          ++untyped;
        }
      }
    }
    for (int n = 2; conflict.bothTrigger.empty(); ++n) {
      std::string candidate = std::to_string(n) + entry.trigger;
      if (free(candidate)) conflict.bothTrigger = std::move(candidate);
    }
    taken.insert(conflict.bothTrigger);
  }
  return plan;
}

TriggerTable ApplyImport(const TriggerTable& table, const ImportPlan& plan) {
  TriggerTable next = table;
  const ImportResult& result = plan.result;
  // Each of the result's groups as the table's, added on first use only.
  std::vector<std::optional<std::size_t>> groupIndex(result.groups.size());
  auto groupFor = [&](std::size_t group) {
    if (!groupIndex[group]) {
      const TriggerGroup& source = result.groups[group];
      if (source.name.empty()) {
        groupIndex[group] = 0;
      } else if (std::optional<std::size_t> present = next.FindGroup(source.name)) {
        groupIndex[group] = present;
      } else {
        groupIndex[group] = next.AddGroup(source);
      }
    }
    return *groupIndex[group];
  };
  auto put = [&](std::size_t index, const std::string& trigger) {
    const ImportedEntry& entry = result.entries[index];
    const std::size_t group = groupFor(entry.group);
    const ResolvedOptions wanted = Resolve(result.FullOptions(entry));
    next.Set(trigger, entry.expansion,
             EntryInfo{OptionsIn(wanted, next.Groups()[group].defaults), group});
  };
  for (std::size_t index : plan.added) put(index, result.entries[index].trigger);
  for (const ImportConflict& conflict : plan.conflicts) {
    switch (conflict.choice) {
      case ConflictChoice::KeepMine:
        break;
      case ConflictChoice::TakeTheirs:
        put(conflict.entry, result.entries[conflict.entry].trigger);
        break;
      case ConflictChoice::KeepBoth:
        put(conflict.entry, conflict.bothTrigger);
        break;
    }
  }
  return next;
}

}  // namespace tarquel
