#pragma once

#include <cstddef>
#include <random>
#include <string>

#include "engine/match/trigger_table.h"

namespace tarquel::bench {

inline constexpr std::size_t ExpansionLength = 40;

// The options of the mixed table's random entries, by their place in it: a third as in 1.0, a
// third ignoring case, a third word triggers (word start, after an ending character, kept).
inline EntryInfo MixedOptions(std::size_t i) {
  switch (i % 3) {
    case 1:
      return {{FireWhen::AtOnce, FireWhere::Anywhere, CaseRule::Ignore}, 0};
    case 2:
      return {{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Exact}, 0};
    default:
      return {};
  }
}

// ":demo", ":mail" and random triggers of 8 characters (":" and 7 of [a-z0-9]) with expansions
// of 40 characters, up to `count` entries: the shape of a large imported snippet pack. `mixed`
// gives the random entries MixedOptions.
inline TriggerTable MakeTable(std::size_t count, bool mixed) {
  std::mt19937 random(42);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  TriggerTable table;
  AddDefaultTriggers(table);
  while (table.size() < count) {
    std::string trigger = ":";
    for (int i = 0; i < 7; ++i) trigger += alphabet[random() % alphabet.size()];
    if (mixed) {
      table.Set(trigger, std::string(ExpansionLength, 'x'), MixedOptions(table.size()));
    } else {
      table.Set(trigger, std::string(ExpansionLength, 'x'));
    }
  }
  return table;
}

inline TriggerTable MakeTable(std::size_t count) {
  return MakeTable(count, false);
}

}  // namespace tarquel::bench
