#include "engine/trigger_table.h"

namespace tarquel {

void TriggerTable::Set(std::string trigger, std::string expansion) {
  entries_.insert_or_assign(std::move(trigger), std::move(expansion));
}

std::size_t TriggerTable::Erase(std::string_view trigger) {
  auto it = entries_.find(trigger);
  if (it == entries_.end()) return 0;
  entries_.erase(it);
  return 1;
}

const std::string* TriggerTable::Find(std::string_view trigger) const {
  auto it = entries_.find(trigger);
  return it == entries_.end() ? nullptr : &it->second;
}

const TriggerTable::Entry* TriggerTable::FindTriggerEnding(std::string_view typed) const {
  for (const Entry& entry : entries_) {
    if (typed.ends_with(entry.first)) return &entry;
  }
  return nullptr;
}

void AddDefaultTriggers(TriggerTable& table) {
  if (!table.empty()) return;
  table.Set(std::string(DefaultDemoTrigger), std::string(DefaultDemoExpansion));
  table.Set(std::string(DefaultMailTrigger), std::string(DefaultMailExpansion));
}

}  // namespace tarquel
