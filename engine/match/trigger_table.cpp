#include "engine/match/trigger_table.h"

#include <utility>

namespace tarquel {

TriggerTable::TriggerTable(const TriggerTable& other) : entries_(other.entries_) {
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

std::size_t TriggerTable::Erase(std::string_view trigger) {
  auto it = entries_.find(trigger);
  if (it == entries_.end()) return 0;
  if (trigger.size() <= LongestMatchableTrigger) index_.Erase(trigger);
  entries_.erase(it);
  return 1;
}

const std::string* TriggerTable::Find(std::string_view trigger) const {
  auto it = entries_.find(trigger);
  return it == entries_.end() ? nullptr : &it->second;
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
