#pragma once

#include <string>
#include <string_view>

namespace tarquel {

enum class PutResult {
  Done,       // the text is on the clipboard, marked to stay out of history and monitors
  Untouched,  // the clipboard could not be opened; it holds what it held
  Emptied,    // it was opened and emptied, then the text could not be set
};

// The steps of a paste through the clipboard, as the Windows side does them. Each step either
// does all of its work or says that it did not.
class PasteClipboard {
 public:
  virtual ~PasteClipboard() = default;
  // Copies every format the clipboard holds. False when it cannot be opened or a format
  // cannot be copied: then pasting would lose something, so the text is typed.
  virtual bool Save() = 0;
  virtual PutResult Put(std::u16string_view text) = 0;
  // Ctrl+V, tagged as the program's own keys. False when the system refused the keys.
  virtual bool SendPaste() = 0;
  // Until the target has read the text, within a bound. False when the bound passed.
  virtual bool WaitUntilTaken() = 0;
  // True when another program put something on the clipboard after ours: that is newer than
  // what was saved and stays.
  virtual bool ReplacedByOthers() = 0;
  // Puts back every saved format. False when the clipboard could not be opened; the saved
  // copy is kept for RetryRestore.
  virtual bool Restore() = 0;
};

enum class PasteOutcome {
  Pasted,                // the target read the text; the user's clipboard is back
  PastedRestorePending,  // the target read the text; the clipboard is still to be put back
  TypeInstead,           // nothing arrived; the clipboard holds what it held (or will again)
  TypeInsteadRestorePending,
};

inline bool MustTypeInstead(PasteOutcome outcome) {
  return outcome == PasteOutcome::TypeInstead || outcome == PasteOutcome::TypeInsteadRestorePending;
}

inline bool RestorePending(PasteOutcome outcome) {
  return outcome == PasteOutcome::PastedRestorePending ||
         outcome == PasteOutcome::TypeInsteadRestorePending;
}

// The rendered text (line breaks as '\n') as the clipboard wants it: UTF-16 with CR LF.
std::u16string ClipboardTextOf(std::string_view rendered);

// Save, put, Ctrl+V, wait, restore. On every path that changed the clipboard it is restored,
// unless another program has replaced it since; a target that never reads the text within
// the bound is taken to be one where Ctrl+V does not paste, so the text is typed.
PasteOutcome PasteThroughClipboard(PasteClipboard& clipboard, std::string_view rendered);

}  // namespace tarquel
