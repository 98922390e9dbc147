#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/expander.h"

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

// An Expander written apart from the real one, matching by the plain walk.
class ReferenceExpander {
 public:
  explicit ReferenceExpander(const TriggerTable& table) : table_(table) {}

  KeyOutcome OnKeyDown(std::uint32_t virtualKey, bool shift) {
    if (!enabled_) return {};
    if (virtualKey == VirtualKeyBack) {
      if (!typed_.empty()) typed_.pop_back();
      return {};
    }
    std::optional<char> c = KeyToChar(virtualKey, shift);
    if (!c) return {};
    typed_ += *c;
    if (typed_.size() > TypedBufferLimit) typed_.erase(0, typed_.size() - TypedBufferLimit);
    const TriggerTable::Entry* match = WalkForTriggerEnding(table_, typed_);
    if (match == nullptr) return {};
    typed_.clear();
    return {true, match};
  }

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  std::string_view TypedBuffer() const { return typed_; }

 private:
  const TriggerTable& table_;
  std::string typed_;
  bool enabled_ = true;
};

}  // namespace tarquel::testing
