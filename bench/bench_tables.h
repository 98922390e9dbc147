#pragma once

#include <cstddef>
#include <random>
#include <string>

#include "engine/match/trigger_table.h"

namespace tarquel::bench {

inline constexpr std::size_t ExpansionLength = 40;

// ":demo", ":mail" and random triggers of 8 characters (":" and 7 of [a-z0-9]) with expansions
// of 40 characters, up to `count` entries: the shape of a large imported snippet pack.
inline TriggerTable MakeTable(std::size_t count) {
  std::mt19937 random(42);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  TriggerTable table;
  AddDefaultTriggers(table);
  while (table.size() < count) {
    std::string trigger = ":";
    for (int i = 0; i < 7; ++i) trigger += alphabet[random() % alphabet.size()];
    table.Set(trigger, std::string(ExpansionLength, 'x'));
  }
  return table;
}

}  // namespace tarquel::bench
