#pragma once

// Version 1.0's keystroke engine, kept word for word (renamed) so that the benchmark measures the
// engine built beside it in the same run, compiled the same way: in a file of its own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/match/trigger_table.h"

namespace tarquel::version10 {

inline constexpr std::size_t TypedBufferLimit = 50;
inline constexpr std::uint32_t VirtualKeyBack = 0x08;

std::optional<char> KeyToChar(std::uint32_t virtualKey, bool shift);

class ExpanderOutput {
 public:
  virtual ~ExpanderOutput() = default;
  virtual void SendExpansion(std::size_t backspaces, std::string_view expansion) = 0;
  virtual void WriteDiagnostic(std::string_view line) = 0;
};

class Expander {
 public:
  Expander(const TriggerTable& table, ExpanderOutput& output);
  bool OnKeyDown(std::uint32_t virtualKey, bool shift, std::uint32_t heldModifiers = 0);
  bool MatchAndExpand();

 private:
  const TriggerTable& table_;
  ExpanderOutput& output_;
  std::string typed_;
  bool enabled_ = true;
  std::uint32_t ignoredModifiers_ = 0;
  std::uint32_t ignoredKey_ = 0;
};

}  // namespace tarquel::version10
