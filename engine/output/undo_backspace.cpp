#include "engine/output/undo_backspace.h"

#include <utility>

namespace tarquel {

void UndoBackspace::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled_) chance_.reset();
}

void UndoBackspace::ExpansionSent(SentExpansion sent) {
  chance_.reset();
  if (enabled_) chance_ = std::move(sent);
}

std::optional<UndoAction> UndoBackspace::OnKeyDown(UserKey key) {
  std::optional<SentExpansion> chance = std::exchange(chance_, std::nullopt);
  if (!chance || key != UserKey::Backspace) return std::nullopt;
  return UndoAction{chance->cursorLeft, chance->charactersPut, std::move(chance->triggerAsTyped)};
}

}  // namespace tarquel
