#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "engine/match/matcher_index.h"

namespace tarquel {

// The user's triggers and their expansions, in unsigned byte-wise order of the triggers.
// std::string compares through char_traits<char>, which is specified to compare as unsigned
// char, so the standard ordering already is the order every walk of the table needs.
//
// Beside the entries the table keeps a MatcherIndex of the triggers, current through every
// insert, replace and erase, so that finding the trigger that ends the typed text does not
// grow with the table.
class TriggerTable {
 public:
  using Map = std::map<std::string, std::string, std::less<>>;
  using Entry = Map::value_type;
  using const_iterator = Map::const_iterator;

  // Longer triggers stay in the table (listed, saved) but are never found at the end of typed
  // text: the typed buffer never holds that many characters.
  static constexpr std::size_t LongestMatchableTrigger = MatcherIndex::LongestIndexedTrigger;

  TriggerTable() = default;
  // The index points into the map's keys, so a copy builds its own over its own keys.
  TriggerTable(const TriggerTable& other);
  TriggerTable& operator=(const TriggerTable& other);
  TriggerTable(TriggerTable&&) = default;
  TriggerTable& operator=(TriggerTable&&) = default;

  // Inserts the trigger or replaces its expansion. An empty trigger would end every text and
  // has no last key to swallow, so it is refused: the result is false and nothing changes.
  bool Set(std::string trigger, std::string expansion);
  // Returns how many entries were removed: 0 or 1.
  std::size_t Erase(std::string_view trigger);

  const std::string* Find(std::string_view trigger) const;
  // The first trigger in table order that `typed` ends with, or nullptr; triggers longer than
  // LongestMatchableTrigger are not considered.
  const Entry* FindTriggerEnding(std::string_view typed) const;

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

 private:
  Map entries_;
  MatcherIndex index_;
};

inline constexpr std::string_view DefaultDemoTrigger = ":demo";
inline constexpr std::string_view DefaultDemoExpansion = "Hello World";
inline constexpr std::string_view DefaultMailTrigger = ":mail";
inline constexpr std::string_view DefaultMailExpansion = "someone@example.com";

// Gives an empty table the two example triggers; a table with any entry is left alone.
void AddDefaultTriggers(TriggerTable& table);

}  // namespace tarquel
