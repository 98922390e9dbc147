#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/match/expander.h"
#include "engine/output/expansion_output_win.h"
#include "engine/output/key_events.h"
#include "engine/output/send_gate.h"

namespace tarquel {

// Stamped into dwExtraInfo of every event this program synthesises, so that the hook can let
// its own keys pass: they must not feed the buffer again (an expansion that ends with its own
// trigger would otherwise expand forever).
inline constexpr ULONG_PTR InjectedEventTag = 0x54524B51;  // "TRKQ"
// The user's own keys, held back while an expansion waited and sent again after it. The hook
// takes them as the user's.
inline constexpr ULONG_PTR ReplayedEventTag = 0x54524B52;
// The last event of everything sent in one go: a release of an unassigned key that the hook
// swallows. Once the hook sees it, every event sent before it has been through the hook, so a
// key of the user's arriving after it comes after them (under Wine, SendInput's events and the
// keyboard's can interleave).
inline constexpr ULONG_PTR BatchEndTag = 0x54524B53;

// Sends `events` in one SendInput call, so that no key the user presses meanwhile lands in the
// middle. Returns how many went out; a short send is written to the debugger output.
UINT SendKeyEvents(const std::vector<KeyEvent>& events);

// Sends expansions from the main loop instead of the hook: the hook only records what to send
// and returns, so that a long expansion never holds up the system's input (Windows drops a hook
// that overruns its time-out). From the trigger's last key until everything sent has come back
// through the hook, the hook hands the user's keys to `Hold`; they are sent again right after
// the expansion, in their order.
class ExpansionSender {
 public:
  ExpansionSender();
  ~ExpansionSender();
  ExpansionSender(const ExpansionSender&) = delete;
  ExpansionSender& operator=(const ExpansionSender&) = delete;

  // From the hook: `modifiers` are the keys the user holds as the trigger completes.
  void Queue(const ExpansionRequest& request, const ModifierState& modifiers);
  // Whether a key event must wait behind what is being sent. `replayed`: the event is one of
  // the user's keys sent again, which waits only behind an expansion not yet sent.
  bool MustHold(bool replayed);
  // Keeps a key event of the user's to send after the expansion; false when there is no room
  // left, and the key must then go on as it is.
  bool Hold(const KBDLLHOOKSTRUCT& event, bool release);
  // The hook saw the last event of what was sent.
  void OnBatchEnd();

  // paste_threshold, type_in and undo_backspace from settings.txt.
  void SetOutputSettings(const OutputSettings& settings) { output_.SetSettings(settings); }
  // From the hook, for a key-down of the user's while an expansion may still be taken back:
  // true when it is the Backspace that takes it back, which must then be swallowed.
  bool TakesBackExpansion(std::uint32_t virtualKey, const ModifierState& modifiers);
  bool MayTakeBack() const { return output_.undo().HasChance(); }
  // A click, another window or control: the expansion may no longer be before the caret.
  void OnCaretMayHaveMoved() { output_.undo().OnCaretMayHaveMoved(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void PostSend();
  void SendNow();
  // `events`, the keys held behind them and the end marker in one SendInput call.
  bool SendBatch(const std::vector<KeyEvent>& events);

  // The request's texts copied, into strings that keep their capacity from one to the next.
  struct Pending {
    std::size_t backspaces = 0;
    bool settleDeadKey = false;
    std::string trigger;
    std::string expansion;
    ModifierState modifiers;
    std::optional<UndoAction> undo;  // set: take the last expansion back instead
  };

  HWND window_ = nullptr;
  SendGate gate_;
  Pending pending_;
  std::vector<INPUT> held_;
  ExpansionOutput output_;
  // A paste waits for the target while serving sent messages; nothing may start another send.
  bool sending_ = false;
};

extern ExpansionSender* ActiveSender;

}  // namespace tarquel
