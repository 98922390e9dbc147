#include "store/import_plan.h"

#include <optional>
#include <unordered_set>

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

}  // namespace

ImportPlan PlanImport(const TriggerTable& table, const ImportResult& result) {
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
    for (int n = 2;; ++n) {
      std::string candidate = entry.trigger + "-" + std::to_string(n);
      if (!table.Find(candidate) && taken.insert(candidate).second) {
        conflict.bothTrigger = std::move(candidate);
        break;
      }
    }
    plan.conflicts.push_back(std::move(conflict));
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
