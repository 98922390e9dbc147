#pragma once

#include <cstdint>

#include "engine/match/expander.h"
#include "engine/output/send_queue.h"

namespace tarquel {

// Where a key event the hook sees comes from, as told by the tag we put on what we send.
enum class KeyOrigin {
  User,      // the keyboard, or another program's input
  Injected,  // our own: an expansion's keys, a paste's Ctrl+V, a take-back
  Replayed,  // the user's keys, held while an expansion waited and sent again after it
  BatchEnd,  // the marker after the last event of one of our batches
};

// A key event as the keyboard hook sees it, without Windows' types.
struct HookKeyEvent {
  std::uint32_t virtualKey = 0;
  std::uint32_t scanCode = 0;
  bool extended = false;
  bool release = false;
  KeyOrigin origin = KeyOrigin::User;
};

struct HookVerdict {
  bool swallow = false;     // return 1 instead of passing the event on
  bool wakeOutput = false;  // the output thread has work
};

// What the hook does with each event: pass it, swallow it, hold it behind an expansion, forget
// the typed text, or hand it to the matcher. Runs on the input thread; the expander's output
// queues expansions into the same SendQueue.
class HookDecision {
 public:
  // `expander` may be null: every key passes.
  HookDecision(Expander* expander, SendQueue& queue) : expander_(expander), queue_(queue) {}

  HookVerdict OnKey(const HookKeyEvent& event, std::uint32_t now);
  // A mouse button went down, or the focus moved to another window or control, at `eventTime`:
  // the caret may stand elsewhere now, so an expansion completed before it and not yet gone out
  // is called off. Returns whether the output thread has work (the keys held behind it).
  bool OnMouseButtonDown(std::uint32_t eventTime, std::uint32_t now);
  bool OnFocusMoved(std::uint32_t eventTime, std::uint32_t now) {
    return OnMouseButtonDown(eventTime, now);
  }

 private:
  Expander* expander_;
  SendQueue& queue_;
};

}  // namespace tarquel
