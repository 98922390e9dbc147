#include "engine/match/trigger_table.h"

#include <algorithm>
#include <utility>

#include "engine/input/key_input.h"

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
  Reindex();
}

TriggerTable& TriggerTable::operator=(const TriggerTable& other) {
  if (this != &other) *this = TriggerTable(other);
  return *this;
}

TriggerTable::IndexKind TriggerTable::KindOf(const ResolvedOptions& options) {
  const bool ending = options.when != FireWhen::AtOnce;
  if (options.caseRule == CaseRule::Exact) {
    return ending ? IndexKind::EndingExact : IndexKind::AtOnceExact;
  }
  return ending ? IndexKind::EndingFolded : IndexKind::AtOnceFolded;
}

ResolvedOptions TriggerTable::OptionsOf(const EntryInfo& info) const {
  return Resolve(info.options.Over(groups_[info.group].defaults));
}

void TriggerTable::FoldedIndex::Add(const Entry& entry) {
  auto [it, added] = entries.try_emplace(FoldText(entry.first));
  std::vector<const Entry*>& list = it->second;
  auto at = std::lower_bound(list.begin(), list.end(), &entry,
                             [](const Entry* a, const Entry* b) { return a->first < b->first; });
  if (at != list.end() && *at == &entry) return;
  list.insert(at, &entry);
  if (added) index.Insert(it->first);
}

void TriggerTable::FoldedIndex::Remove(const Entry& entry) {
  auto it = entries.find(FoldText(entry.first));
  if (it == entries.end()) return;
  std::erase(it->second, &entry);
  if (!it->second.empty()) return;
  index.Erase(it->first);
  entries.erase(it);
}

void TriggerTable::AddToIndex(const Entry& entry, IndexKind kind) {
  if (entry.first.size() > LongestMatchableTrigger) return;
  switch (kind) {
    case IndexKind::AtOnceExact:
      index_.Insert(entry.first);
      return;
    case IndexKind::EndingExact:
      endingExact_.Insert(entry.first);
      return;
    case IndexKind::AtOnceFolded:
      atOnceFolded_.Add(entry);
      return;
    case IndexKind::EndingFolded:
      endingFolded_.Add(entry);
      return;
  }
}

void TriggerTable::RemoveFromIndex(const Entry& entry, IndexKind kind) {
  if (entry.first.size() > LongestMatchableTrigger) return;
  switch (kind) {
    case IndexKind::AtOnceExact:
      index_.Erase(entry.first);
      return;
    case IndexKind::EndingExact:
      endingExact_.Erase(entry.first);
      return;
    case IndexKind::AtOnceFolded:
      atOnceFolded_.Remove(entry);
      return;
    case IndexKind::EndingFolded:
      endingFolded_.Remove(entry);
      return;
  }
}

void TriggerTable::Reindex() {
  index_ = MatcherIndex();
  endingExact_ = MatcherIndex();
  atOnceFolded_ = FoldedIndex();
  endingFolded_ = FoldedIndex();
  for (const Entry& entry : entries_) AddToIndex(entry, KindOf(OptionsOf(InfoOf(entry.first))));
}

bool TriggerTable::Set(std::string trigger, std::string expansion) {
  if (trigger.empty()) return false;
  const std::size_t before = entries_.size();
  // config.txt is written in table order, so loading it adds every entry at the end: the hint
  // makes that constant time, and costs one comparison when it is wrong.
  auto it = entries_.insert_or_assign(entries_.end(), std::move(trigger), std::move(expansion));
  // A new entry has no options (Erase took any it had); a replaced one keeps its place.
  if (entries_.size() != before) AddToIndex(*it, IndexKind::AtOnceExact);
  return true;
}

bool TriggerTable::Set(std::string trigger, std::string expansion, const EntryInfo& info) {
  if (trigger.empty() || info.group >= groups_.size()) return false;
  if (auto present = entries_.find(trigger); present != entries_.end()) {
    RemoveFromIndex(*present, KindOf(OptionsOf(InfoOf(trigger))));
    present->second = std::move(expansion);
  } else {
    entries_.insert_or_assign(entries_.end(), trigger, std::move(expansion));
  }
  if (info == EntryInfo{}) {
    if (auto it = info_.find(trigger); it != info_.end()) info_.erase(it);
  } else {
    info_.insert_or_assign(trigger, info);
  }
  AddToIndex(*entries_.find(trigger), KindOf(OptionsOf(info)));
  return true;
}

std::size_t TriggerTable::Erase(std::string_view trigger) {
  auto it = entries_.find(trigger);
  if (it == entries_.end()) return 0;
  RemoveFromIndex(*it, KindOf(OptionsOf(InfoOf(trigger))));
  if (auto info = info_.find(trigger); info != info_.end()) info_.erase(info);
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
  return OptionsOf(InfoOf(trigger));
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
  const bool sameDefaults = groups_[index].defaults == group.defaults;
  groups_[index] = std::move(group);
  // Defaults decide which index holds an entry; the switch and programs are asked at a match.
  if (!sameDefaults) Reindex();
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

std::optional<TriggerTable::Match> TriggerTable::MatchTyped(const Typed& typed, bool afterEnding,
                                                            GroupFilter& filter) const {
  std::optional<Match> best;
  (afterEnding ? endingExact_ : index_).ForEachTriggerEnding(typed.text, [&](std::size_t length) {
    ConsiderExact(typed, length, afterEnding, filter, best);
  });
  const FoldedIndex& folded = afterEnding ? endingFolded_ : atOnceFolded_;
  folded.index.ForEachTriggerEnding(typed.folded, [&](std::size_t length) {
    ConsiderFolded(typed, length, folded, filter, best);
  });
  return best;
}

std::optional<TriggerTable::KeyMatch> TriggerTable::MatchKey(const Typed& typed,
                                                             std::size_t endingBytes,
                                                             GroupFilter& filter) const {
  std::optional<KeyMatch> best;
  if (std::optional<Match> atOnce = MatchTyped(typed, false, filter)) best = KeyMatch{*atOnce, 0};
  if (endingBytes == 0 || endingBytes > typed.text.size() || !HasEndingTriggers()) return best;
  const Typed before{typed.text.substr(0, typed.text.size() - endingBytes),
                     typed.folded.substr(0, typed.folded.size() - LastCharacterSize(typed.folded)),
                     typed.startsWord};
  std::optional<Match> ended = MatchTyped(before, true, filter);
  if (ended && (!best || Before(*ended, best->match))) best = KeyMatch{*ended, endingBytes};
  return best;
}

bool TriggerTable::Before(const Match& a, const Match& b) {
  const bool aExact = a.options.caseRule == CaseRule::Exact;
  const bool bExact = b.options.caseRule == CaseRule::Exact;
  if (aExact != bExact) return aExact;
  return a.entry->first < b.entry->first;
}

bool TriggerTable::Fires(const ResolvedOptions& options, std::size_t group, const Typed& typed,
                         std::size_t typedBytes, GroupFilter& filter) const {
  const TriggerGroup& owner = groups_[group];
  if (!owner.enabled) return false;
  if (options.where == FireWhere::WordStart) {
    if (typedBytes >= typed.text.size()) {
      if (!typed.startsWord) return false;
    } else if (IsLetterOrDigit(
                   LastCodePoint(typed.text.substr(0, typed.text.size() - typedBytes)))) {
      return false;
    }
  }
  return filter.Allows(owner);
}

void TriggerTable::ConsiderExact(const Typed& typed, std::size_t length, bool afterEnding,
                                 GroupFilter& filter, std::optional<Match>& best) const {
  const std::string_view trigger = typed.text.substr(typed.text.size() - length);
  // Shorter triggers come first from the walk, not first in table order.
  if (best && best->options.caseRule == CaseRule::Exact && best->entry->first < trigger) return;
  auto it = entries_.find(trigger);
  if (it == entries_.end()) return;
  const EntryInfo& info = InfoOf(trigger);
  const ResolvedOptions options = OptionsOf(info);
  if ((options.when != FireWhen::AtOnce) != afterEnding) return;
  if (!Fires(options, info.group, typed, length, filter)) return;
  best = Match{&*it, options, length, CountCharacters(trigger)};
}

void TriggerTable::ConsiderFolded(const Typed& typed, std::size_t foldedLength,
                                  const FoldedIndex& folded, GroupFilter& filter,
                                  std::optional<Match>& best) const {
  if (best && best->options.caseRule == CaseRule::Exact) return;
  auto it = folded.entries.find(typed.folded.substr(typed.folded.size() - foldedLength));
  if (it == folded.entries.end()) return;
  // The same characters in the text as typed: a character and its folded form may differ in
  // their UTF-8 length.
  const std::size_t characters = CountCharacters(it->first);
  std::size_t typedBytes = 0;
  for (std::size_t i = 0; i < characters && typedBytes < typed.text.size(); ++i) {
    typedBytes += LastCharacterSize(typed.text.substr(0, typed.text.size() - typedBytes));
  }
  for (const Entry* entry : it->second) {
    if (best && best->entry->first < entry->first) return;
    const EntryInfo& info = InfoOf(entry->first);
    const ResolvedOptions options = OptionsOf(info);
    if (!Fires(options, info.group, typed, typedBytes, filter)) continue;
    best = Match{entry, options, typedBytes, characters};
    return;
  }
}

void AddDefaultTriggers(TriggerTable& table) {
  if (!table.empty()) return;
  table.Set(std::string(DefaultDemoTrigger), std::string(DefaultDemoExpansion));
  table.Set(std::string(DefaultMailTrigger), std::string(DefaultMailExpansion));
}

}  // namespace tarquel
