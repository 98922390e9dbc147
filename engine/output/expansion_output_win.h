#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "engine/input/key_input.h"
#include "engine/match/expander.h"
#include "engine/output/clipboard_win.h"
#include "engine/output/key_events.h"
#include "engine/output/local_time_win.h"
#include "engine/output/paste_decision.h"
#include "engine/output/send_queue.h"
#include "engine/output/undo_backspace.h"

namespace tarquel {

// The output room on Windows, driven by the expansion sender on its output thread, where it is
// made (its clipboard window belongs to that thread): renders the placeholders at send time,
// types or pastes, moves the caret to {{cursor}}, and opens the chance in `queue` to take the
// expansion back with Backspace.
class ExpansionOutput {
 public:
  explicit ExpansionOutput(SendQueue& queue);
  ExpansionOutput(const ExpansionOutput&) = delete;
  ExpansionOutput& operator=(const ExpansionOutput&) = delete;

  void SetSettings(const OutputSettings& settings);

  // Sends key events in one SendInput call, with the user's held keys behind them; true when
  // all went out.
  using SendBatch = std::function<bool(const std::vector<KeyEvent>& events)>;

  // How an expansion goes out on the output thread: its last batch (`batch`, the user's held
  // keys behind it), parts sent ahead of it in a SendInput call of their own (`part`: the text
  // before a delay, each key of a paced program; false once the expansion is called off), and
  // a wait that keeps serving the clipboard's requests (false when the thread is ending).
  struct Channel {
    SendBatch batch;
    SendBatch part;
    std::function<bool(std::uint32_t ms)> wait;
  };

  // What went out of one expansion, in characters (an Enter or Tab ending counts as one), and
  // how many the user had typed for its trigger.
  struct SentCount {
    std::size_t sent = 0;
    std::size_t typed = 0;
  };
  // Puts the expansion in place of the trigger: its text, keys and delays in order, at the
  // pace of the program that gets it. The modifiers it lets go and presses again are those the
  // user holds as it begins (SendQueue::ModifiersAtSend). Nothing when it did not go out whole.
  std::optional<SentCount> Send(const ExpansionRequest& request, const Channel& channel);
  void SendUndo(const UndoAction& action, const SendBatch& send);
  // The output thread ends: a paste's clipboard still to go back gets a last bounded try.
  void Finish();

 private:
  OutputSettings settings_;
  WindowsClock clock_;
  WindowsLocaleNames names_;
  WindowsPasteClipboard clipboard_;
  WindowsClipboardText clipboardText_;
  SendQueue& queue_;
};

// The window that gets the keys now: its focused control, its program and its top-level class.
FocusedWindow WindowWithFocus();
// The process of the control with the keyboard focus: the one whose reading is the paste.
DWORD FocusedProcess();

// The focused control's text and selection when it is an Edit or RichEdit control
// (IsReadableField) and its program answers within a short bound. Output thread only: it
// waits on the target, which the input thread must never do.
std::optional<FieldContents> ReadFocusedField();

}  // namespace tarquel
