#include "bench/version10_expander.h"

namespace tarquel::version10 {

std::optional<char> KeyToChar(std::uint32_t virtualKey, bool shift) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    return static_cast<char>(shift ? virtualKey : virtualKey - 'A' + 'a');
  }
  if (virtualKey == '2') return shift ? '@' : '2';
  if (virtualKey >= '0' && virtualKey <= '9') return static_cast<char>(virtualKey);
  switch (virtualKey) {
    case 0x20:
      return ' ';
    case 0xBA:  // VK_OEM_1
      return shift ? ':' : ';';
    case 0xBD:  // VK_OEM_MINUS
      return shift ? '_' : '-';
    case 0xBE:  // VK_OEM_PERIOD
      return '.';
    case 0xBF:  // VK_OEM_2
      return shift ? '?' : '/';
    default:
      return std::nullopt;
  }
}

Expander::Expander(const TriggerTable& table, ExpanderOutput& output)
    : table_(table), output_(output) {
  typed_.reserve(TypedBufferLimit + 1);
}

bool Expander::OnKeyDown(std::uint32_t virtualKey, bool shift, std::uint32_t heldModifiers) {
  if (!enabled_) return false;
  if (ignoredKey_ != 0 && virtualKey == ignoredKey_ && heldModifiers == ignoredModifiers_) {
    return false;
  }
  if (virtualKey == VirtualKeyBack) {
    if (!typed_.empty()) typed_.pop_back();
    return false;
  }
  std::optional<char> c = KeyToChar(virtualKey, shift);
  if (!c) return false;
  typed_.push_back(*c);
  if (typed_.size() > TypedBufferLimit) typed_.erase(0, typed_.size() - TypedBufferLimit);
  return MatchAndExpand();
}

bool Expander::MatchAndExpand() {
  const TriggerTable::Entry* match = table_.FindTriggerEnding(typed_);
  if (match == nullptr) return false;
  const std::string& trigger = match->first;
  // The last character is the key being swallowed; the others already reached the window.
  std::size_t backspaces = trigger.size() - 1;
  std::string line = "Expander Triggered by: '";
  line += trigger;
  line += "'\n";
  output_.WriteDiagnostic(line);
  output_.SendExpansion(backspaces, match->second);
  typed_.clear();
  return true;
}

}  // namespace tarquel::version10
