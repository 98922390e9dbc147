#pragma once

#include <windows.h>

#include <optional>
#include <vector>

#include "engine/expander.h"
#include "engine/key_events.h"

namespace tarquel {

// Stamped into dwExtraInfo of every event this program synthesises, so that the hook can let
// its own keys pass: they must not feed the buffer again (an expansion that ends with its own
// trigger would otherwise expand forever).
inline constexpr ULONG_PTR InjectedEventTag = 0x54524B51;  // "TRKQ"
// The user's own keys, held back while an expansion waited and sent again after it. The hook
// takes them as the user's.
inline constexpr ULONG_PTR ReplayedEventTag = 0x54524B52;

// Sends `events` in one SendInput call, so that no key the user presses meanwhile lands in the
// middle. Returns how many went out; a short send is written to the debugger output.
UINT SendKeyEvents(const std::vector<KeyEvent>& events);

// Sends expansions from the main loop instead of the hook: the hook only records what to send
// and returns, so that a long expansion never holds up the system's input (Windows drops a hook
// that overruns its time-out). Until the expansion has gone out, the hook hands every key of
// the user's to `Hold`; they are sent again right after the expansion, in their order.
class ExpansionSender {
 public:
  ExpansionSender();
  ~ExpansionSender();
  ExpansionSender(const ExpansionSender&) = delete;
  ExpansionSender& operator=(const ExpansionSender&) = delete;

  // From the hook: `modifiers` are the keys the user holds as the trigger completes.
  void Queue(const ExpansionRequest& request, const ModifierState& modifiers);
  // An expansion is waiting to be sent, so the user's keys must wait behind it.
  bool Waiting() const;
  // Keeps a key event of the user's to send after the expansion; false when there is no room
  // left, and the key must then go on as it is.
  bool Hold(const KBDLLHOOKSTRUCT& event, bool release);

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void SendQueued();

  struct Pending {
    ExpansionRequest request;
    ModifierState modifiers;
  };

  HWND window_ = nullptr;
  std::optional<Pending> pending_;
  DWORD queuedAt_ = 0;
  std::vector<INPUT> held_;
};

extern ExpansionSender* ActiveSender;

}  // namespace tarquel
