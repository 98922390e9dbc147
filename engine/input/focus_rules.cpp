#include "engine/input/focus_rules.h"

namespace tarquel {

bool IsEditClass(std::string_view windowClass) {
  // Case does not count in class names; "Edit" may stand anywhere in a framework's name for it.
  constexpr std::string_view edit = "edit";
  if (windowClass.size() < edit.size()) return false;
  for (std::size_t at = 0; at + edit.size() <= windowClass.size(); ++at) {
    bool same = true;
    for (std::size_t i = 0; i < edit.size() && same; ++i) {
      char c = windowClass[at + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      same = c == edit[i];
    }
    if (same) return true;
  }
  return false;
}

bool IsSecretField(const FocusedField& field) {
  if (field.automationIsPassword.value_or(false)) return true;
  return field.passwordStyle && IsEditClass(field.windowClass);
}

bool IsAboveOurs(std::optional<std::uint32_t> theirs, std::uint32_t ours) {
  return !theirs || *theirs > ours;
}

}  // namespace tarquel
