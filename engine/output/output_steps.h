#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/input/key_input.h"
#include "engine/output/key_events.h"
#include "engine/output/paste_decision.h"
#include "engine/output/placeholders.h"

namespace tarquel {

// Where an expansion's steps go: the Windows side sends and waits for real, tests record.
class StepSink {
 public:
  virtual ~StepSink() = default;
  // One SendInput call. `last`: the expansion's final one, which the user's keys held meanwhile
  // follow. False when it did not go out whole or the expansion was called off: nothing more
  // of it is sent.
  virtual bool Send(const std::vector<KeyEvent>& events, bool last) = 0;
  // Puts `text` on the clipboard for the Ctrl+V that follows. False: it is typed instead.
  virtual bool PreparePaste(std::string_view text) = 0;
  // The Ctrl+V after PreparePaste is about to go out (or never will): from now on the target's
  // request for the text is answered.
  virtual void PasteSent() = 0;
  // Waits `ms`. False when the output is ending: nothing more is sent.
  virtual bool Wait(std::uint32_t ms) = 0;
};

// How one piece of text goes to the target as keys, or nothing when it is to be pasted.
using TextKeys = std::function<std::optional<std::vector<KeyEvent>>(std::string_view text)>;

struct StepRequest {
  std::size_t backspaces = 0;
  bool settleDeadKey = false;
  // Let go before everything and pressed again after it.
  ModifierState held;
  Pace pace;
  // {{cursor}}'s Left presses, after all the rest.
  std::vector<KeyEvent> trailing;
};

// Puts `rendered` in place of the trigger: the Backspaces, then its text, keys and delays in
// order (its text whole when it has no steps), then `request.trailing`. Each piece of text goes
// as `keysFor` says, or pasted; a paste that cannot be prepared is typed. Everything between
// two waits goes out in one Send; without waits the whole expansion is one Send, the last.
// With a key delay, every key press is a Send of its own, the waits between them. Returns
// false when it stopped before the end.
bool SendSteps(const RenderedExpansion& rendered, const StepRequest& request,
               const TextKeys& keysFor, StepSink& sink);

// `events` cut into key presses: each piece ends once every key pressed in it has been let go
// (a modifier around its key stays with it, both halves of a surrogate pair together). Key-ups
// of keys pressed before (a held modifier let go) join the piece that follows, key-downs never
// let go (pressed again at the end) the one before.
std::vector<std::vector<KeyEvent>> SplitKeyPresses(const std::vector<KeyEvent>& events);

// Ctrl+V as the left Ctrl and V.
std::vector<KeyEvent> PasteKeys();

}  // namespace tarquel
