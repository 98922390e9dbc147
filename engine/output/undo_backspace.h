#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarquel {

// What an expansion left in the target, as much as taking it back needs.
struct SentExpansion {
  std::size_t charactersPut = 0;  // as the target counts them (RenderedExpansion's count)
  std::size_t cursorLeft = 0;     // Left presses sent after the text for {{cursor}}
  std::string triggerAsTyped;     // every character of it, the swallowed last one included
  std::string text;               // as rendered and sent
  // The focused control's text can be read back (IsReadableField). Only then is a take-back
  // offered, and it checks that the field shows the expansion before it erases anything.
  bool fieldReadable = false;
};

// The take-back: Right presses bring the caret back to the end of the expansion, the
// Backspaces erase it, and the trigger is typed again, as our own keys, so it does not expand.
struct UndoAction {
  std::size_t rightPresses = 0;
  std::size_t backspaces = 0;
  std::string retype;
  // The take-back goes out only if the field, read as it is asked for, shows this just before
  // where the Right presses bring the caret (FieldShowsExpansion); otherwise the Backspace is
  // only a Backspace.
  std::string mustShow;

  friend bool operator==(const UndoAction&, const UndoAction&) = default;
};

// Whether a field erases `text` (UTF-8) with one Backspace per code point: false when it
// holds characters that join their neighbours into one shape (emoji sequences, flags, keycaps,
// combining accents), which a field may erase at once.
bool ErasedOneBackspaceEach(std::string_view text);

// Edit and RichEdit controls (also as Windows Forms wraps them): their text and caret can be
// read from another process with WM_GETTEXT and EM_GETSEL.
bool IsReadableField(std::string_view windowClass);

// A readable field as the output thread read it: its text and selection, in UTF-16 units.
struct FieldContents {
  std::u16string text;
  std::size_t selectionStart = 0;
  std::size_t selectionEnd = 0;
};

// Whether taking back `expected` (UTF-8, as sent) erases exactly what it put there: no
// selection, and the text up to the caret moved `rightPresses` steps right (a line break or a
// surrogate pair one step) ends with `expected`, line breaks compared as line breaks (an Edit
// holds CR LF, a RichEdit CR). A field that kept less (a single-line Edit keeps a paste's first
// line, a length limit, AutoCorrect) shows something else, and nothing is taken back.
bool FieldShowsExpansion(const FieldContents& field, std::size_t rightPresses,
                         std::string_view expected);

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

  // Opens the chance for this expansion (and closes any earlier one). A field whose text cannot
  // be read opens none: what it kept (a paste cut short, a length limit, AutoCorrect, a line
  // break that sent a form) cannot be checked there, and a wrong take-back would erase the
  // user's own text. Nor does a text whose characters a field may erase several at a time.
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
