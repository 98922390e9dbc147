#include "engine/match/trigger_table.h"

#include <utility>

namespace tarquel {

ResolvedOptions Resolve(const TriggerOptions& options) {
  ResolvedOptions resolved;
  if (options.when) resolved.when = *options.when;
  if (options.where) resolved.where = *options.where;
  if (options.caseRule) resolved.caseRule = *options.caseRule;
  return resolved;
}

TriggerTable::TriggerTable(const TriggerTable& other)
    : entries_(other.entries_), info_(other.info_), groups_(other.groups_) {
  for (const Entry& entry : entries_) index_.Insert(entry.first);
}

TriggerTable& TriggerTable::operator=(const TriggerTable& other) {
  if (this != &other) *this = TriggerTable(other);
  return *this;
}

bool TriggerTable::Set(std::string trigger, std::string expansion) {
  if (trigger.empty()) return false;
  const std::size_t before = entries_.size();
  // config.txt is written in table order, so loading it adds every entry at the end: the hint
  // makes that constant time, and costs one comparison when it is wrong.
  auto it = entries_.insert_or_assign(entries_.end(), std::move(trigger), std::move(expansion));
  if (entries_.size() != before && it->first.size() <= LongestMatchableTrigger) {
    index_.Insert(it->first);
  }
  return true;
}

bool TriggerTable::Set(std::string trigger, std::string expansion, const EntryInfo& info) {
  if (trigger.empty() || info.group >= groups_.size()) return false;
  if (info == EntryInfo{}) {
    if (auto it = info_.find(trigger); it != info_.end()) info_.erase(it);
  } else {
    info_.insert_or_assign(trigger, info);
  }
  return Set(std::move(trigger), std::move(expansion));
}

std::size_t TriggerTable::Erase(std::string_view trigger) {
  auto it = entries_.find(trigger);
  if (it == entries_.end()) return 0;
  if (auto info = info_.find(trigger); info != info_.end()) info_.erase(info);
  if (trigger.size() <= LongestMatchableTrigger) index_.Erase(trigger);
  entries_.erase(it);
  return 1;
}

const std::string* TriggerTable::Find(std::string_view trigger) const {
  auto it = entries_.find(trigger);
  return it == entries_.end() ? nullptr : &it->second;
}

const EntryInfo& TriggerTable::InfoOf(std::string_view trigger) const {
  static const EntryInfo none;
  auto it = info_.find(trigger);
  return it == info_.end() ? none : it->second;
}

ResolvedOptions TriggerTable::OptionsOf(std::string_view trigger) const {
  const EntryInfo& info = InfoOf(trigger);
  return Resolve(info.options.Over(groups_[info.group].defaults));
}

std::size_t TriggerTable::AddGroup(TriggerGroup group) {
  if (std::optional<std::size_t> present = FindGroup(group.name)) return *present;
  groups_.push_back(std::move(group));
  return groups_.size() - 1;
}

bool TriggerTable::SetGroup(std::size_t index, TriggerGroup group) {
  if (index >= groups_.size()) return false;
  // The unnamed group stays unnamed, and a named one cannot lose its name to it.
  if ((index == 0) != group.name.empty()) return false;
  std::optional<std::size_t> present = FindGroup(group.name);
  if (present && *present != index) return false;
  groups_[index] = std::move(group);
  return true;
}

std::optional<std::size_t> TriggerTable::FindGroup(std::string_view name) const {
  for (std::size_t i = 0; i < groups_.size(); ++i) {
    if (groups_[i].name == name) return i;
  }
  return std::nullopt;
}

const TriggerTable::Entry* TriggerTable::FindTriggerEnding(std::string_view typed) const {
  std::size_t length = index_.FirstTriggerEnding(typed);
  if (length == 0) return nullptr;
  // Only on a match: the index knows lengths, the map holds the entry.
  auto it = entries_.find(typed.substr(typed.size() - length));
  return it == entries_.end() ? nullptr : &*it;
}

void AddDefaultTriggers(TriggerTable& table) {
  if (!table.empty()) return;
  table.Set(std::string(DefaultDemoTrigger), std::string(DefaultDemoExpansion));
  table.Set(std::string(DefaultMailTrigger), std::string(DefaultMailExpansion));
}

}  // namespace tarquel
