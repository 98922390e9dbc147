#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/match/trigger_table.h"

namespace tarquel::testing {

// A group as the tests write one: what is not given is left as a new group has it.
inline TriggerGroup Group(std::string name, bool enabled = true, TriggerOptions defaults = {},
                          std::vector<std::string> onlyIn = {},
                          std::vector<std::string> notIn = {}) {
  TriggerGroup group;
  group.name = std::move(name);
  group.enabled = enabled;
  group.defaults = defaults;
  group.onlyIn = std::move(onlyIn);
  group.notIn = std::move(notIn);
  return group;
}

}  // namespace tarquel::testing
