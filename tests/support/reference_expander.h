#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/expander.h"

namespace tarquel::testing {

// The matcher as first designed: walk every entry in table order and take the first trigger
// that ends the typed text. Slow on large tables, plainly right: the index is checked against it.
inline const TriggerTable::Entry* WalkForTriggerEnding(const TriggerTable& table,
                                                       std::string_view typed) {
  for (const TriggerTable::Entry& entry : table) {
    if (typed.ends_with(entry.first)) return &entry;
  }
  return nullptr;
}

// What one key-down did.
struct KeyOutcome {
  bool swallowed = false;
  const TriggerTable::Entry* match = nullptr;
};

// An Expander written apart from the real one, told what each key typed rather than finding
// out from a layout, keeping its characters one by one and matching by the plain walk.
class ReferenceExpander {
 public:
  explicit ReferenceExpander(const TriggerTable& table) : table_(table) {}

  // A key that typed `character` (one character, UTF-8).
  KeyOutcome Typed(std::string_view character) {
    if (!enabled_) return {};
    characters_.emplace_back(character);
    if (characters_.size() > TypedBufferLimit) characters_.erase(characters_.begin());
    const std::string typed = TypedBuffer();
    const TriggerTable::Entry* match = WalkForTriggerEnding(table_, typed);
    if (match == nullptr) return {};
    characters_.clear();
    return {true, match};
  }
  void Erase() {
    if (enabled_ && !characters_.empty()) characters_.pop_back();
  }
  void Forget() {
    if (enabled_) characters_.clear();
  }

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  std::string TypedBuffer() const {
    std::string typed;
    for (const std::string& character : characters_) typed += character;
    return typed;
  }

 private:
  const TriggerTable& table_;
  std::vector<std::string> characters_;
  bool enabled_ = true;
};

}  // namespace tarquel::testing
