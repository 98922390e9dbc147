#include "engine/expander.h"

namespace tarquel {

// The table's index leaves out triggers that cannot fit the buffer; it must not leave out more.
static_assert(TypedBufferLimit <= TriggerTable::LongestMatchableTrigger);

Expander* ActiveExpander = nullptr;

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

bool IsExcludedProgram(std::string_view executableName, const std::vector<std::string>& excluded) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  auto same = [&](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
  };
  if (executableName.empty()) return false;
  for (const std::string& name : excluded) {
    if (same(executableName, name)) return true;
  }
  return false;
}

Expander::Expander(const TriggerTable& table, ExpanderOutput& output)
    : table_(table), output_(output) {
  typed_.reserve(TypedBufferLimit + 1);
  ActiveExpander = this;
}

Expander::~Expander() {
  if (ActiveExpander == this) ActiveExpander = nullptr;
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
  // Typed into one of this program's windows or an excluded program's: the text stays as typed.
  FocusedProgram focused = output_.ProgramWithFocus();
  if (focused.ownWindow || IsExcludedProgram(focused.executableName, excludedPrograms_)) {
    typed_.clear();
    return false;
  }
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

}  // namespace tarquel
