#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tarquel {

// What an expansion left in the target, as much as taking it back needs.
struct SentExpansion {
  std::size_t charactersPut = 0;  // as the target counts them (RenderedExpansion's count)
  std::size_t cursorLeft = 0;     // Left presses sent after the text for {{cursor}}
  std::string triggerAsTyped;     // every character of it, the swallowed last one included
};

// The take-back: Right presses bring the caret back to the end of the expansion, the
// Backspaces erase it, and the trigger is typed again, as our own keys, so it does not expand.
struct UndoAction {
  std::size_t rightPresses = 0;
  std::size_t backspaces = 0;
  std::string retype;

  friend bool operator==(const UndoAction&, const UndoAction&) = default;
};

enum class UserKey {
  Backspace,  // alone: with Ctrl it erases a word, which is another key
  Other,
};

// Undo with Backspace: the very next key the user presses after an expansion may take it
// back, once. Only the user's keys reach this; the program's own injected keys must not,
// or the expansion's own events would end the chance.
class UndoBackspace {
 public:
  explicit UndoBackspace(bool enabled = true) : enabled_(enabled) {}

  // Off also forgets an open chance.
  void SetEnabled(bool enabled);
  bool IsEnabled() const { return enabled_; }

  // Opens the chance for this expansion (and closes any earlier one).
  void ExpansionSent(SentExpansion sent);

  // The user's next key-down. Backspace while the chance is open gives the take-back to send
  // instead of the key, which is then swallowed; any key ends the chance.
  std::optional<UndoAction> OnKeyDown(UserKey key);

  // A mouse button, a change of the foreground window or of the focused control: the caret
  // may no longer stand after the expansion.
  void OnCaretMayHaveMoved() { chance_.reset(); }

  bool HasChance() const { return chance_.has_value(); }

 private:
  bool enabled_;
  std::optional<SentExpansion> chance_;
};

}  // namespace tarquel
