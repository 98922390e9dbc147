#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/hook_decision.h"
#include "engine/input/key_input.h"
#include "engine/match/expander.h"
#include "engine/match/trigger_table.h"
#include "engine/output/key_events.h"
#include "engine/output/send_queue.h"
#include "tests/support/fake_layouts.h"

namespace tarquel::testing {

// The system as the hook and the output thread see it, with the real HookDecision and
// SendQueue between them. The user's keys and our SendInput batches go into one input queue;
// the hook sees every event of it in turn, our own included and tagged as Windows shows them
// to it; the target window gets what the hook passes. The output thread's part does what
// ExpansionSender does, typing every expansion (US layout, ASCII texts).
class Loopback final : public ExpanderOutput {
 public:
  explicit Loopback(const TriggerTable& table)
      : layout_(UsLayout()), expander_(table, *this, layout_), decision_(&expander_, queue_) {}

  // --- The user ---

  // Presses and releases the keys for `text`; they join the input queue at `at` (by default
  // its end: behind what was sent before; elsewhere, they come between a batch's events, as
  // the keyboard's and SendInput's may under Wine). Nothing is taken from the queue yet.
  void Type(std::string_view text, std::optional<std::size_t> at = std::nullopt) {
    std::vector<HookKeyEvent> keys;
    for (char c : text) {
      const std::optional<FakeLayout::Place> place = layout_.Find(std::string(1, c));
      if (!place) {
        ++untypeable;
        continue;
      }
      if (place->shift) keys.push_back({vk::LeftShift, 0, false, false, KeyOrigin::User});
      keys.push_back({place->key, 0, false, false, KeyOrigin::User});
      keys.push_back({place->key, 0, false, true, KeyOrigin::User});
      if (place->shift) keys.push_back({vk::LeftShift, 0, false, true, KeyOrigin::User});
    }
    Enqueue(keys, at);
  }
  void Key(std::uint32_t virtualKey, bool release, std::optional<std::size_t> at = std::nullopt) {
    Enqueue({{virtualKey, 0, false, release, KeyOrigin::User}}, at);
  }
  void Press(std::uint32_t virtualKey) {
    Key(virtualKey, false);
    Key(virtualKey, true);
  }
  // Through the hooks, in between keys: the hook sees it at once.
  void Click() {
    if (decision_.OnMouseButtonDown(now, now)) woken = true;
  }
  // A focus event that happened at `at` (by default now) reaches the hook.
  void FocusMoved(std::optional<std::uint32_t> at = std::nullopt) {
    if (decision_.OnFocusMoved(at.value_or(now), now)) woken = true;
  }

  // --- The hook ---

  // Takes `count` events (all by default) from the input queue through the hook.
  void Pump(std::size_t count = SIZE_MAX) {
    for (; count > 0 && !input_.empty(); --count) {
      const HookKeyEvent event = input_.front();
      input_.pop_front();
      const HookVerdict verdict = decision_.OnKey(event, now);
      if (verdict.wakeOutput) woken = true;
      if (!verdict.swallow) Deliver(event);
    }
  }

  // --- The output thread ---

  // Does everything that may go out now, each batch joining the input queue at its end.
  void RunOutput() {
    woken = false;
    OutputJob job;
    for (;;) {
      switch (queue_.Next(job, now)) {
        case SendQueue::WorkKind::None:
          Rescue();
          return;
        case SendQueue::WorkKind::HeldOnly:
          if (!SendBatch({})) {
            Rescue();
            return;
          }
          break;
        case SendQueue::WorkKind::Job:
          if (job.kind == OutputJob::Kind::Undo) {
            std::vector<KeyEvent> events;
            for (std::size_t i = 0; i < job.undo.rightPresses; ++i) {
              events.push_back({static_cast<std::uint16_t>(vk::Right), false, 0, true});
              events.push_back({static_cast<std::uint16_t>(vk::Right), true, 0, true});
            }
            const std::vector<KeyEvent> erase =
                BuildKeyEvents(job.undo.backspaces, false, job.undo.retype);
            events.insert(events.end(), erase.begin(), erase.end());
            SendBatch(events);
          } else {
            if (stuck) {
              // The output thread stays in this job until Unstick.
              stuckJob_ = job;
              Rescue();
              return;
            }
            FinishExpansion(job);
          }
          queue_.JobDone(now);
          break;
      }
    }
  }

  // The rescue path: held keys with no expansion left before them go out by themselves.
  void Rescue() {
    while (queue_.TakeHeldForRescue(held_, now)) {
      // Refused: tried again on the next wake, as the real one does.
      if (!PushBatch({})) return;
    }
  }

  // The stuck output thread comes back to its job and sends it as if nothing had happened.
  void Unstick() {
    stuck = false;
    if (!stuckJob_) return;
    FinishExpansion(*stuckJob_);
    stuckJob_.reset();
    queue_.JobDone(now);
    woken = true;
  }

  // Hook and output thread in turn until nothing moves.
  void Settle() {
    for (int rounds = 0; rounds < 1000 && (!input_.empty() || woken); ++rounds) {
      Pump();
      if (woken) RunOutput();
    }
  }

  // --- ExpanderOutput, from the expander inside the hook's decision ---

  void SendExpansion(const ExpansionRequest& request) override {
    queue_.Queue(request, expander_.Modifiers(), now);
  }
  void WriteDiagnostic(std::string_view) override {}

  // --- What happened ---

  // The target's text: characters as typed, Backspace erasing the last one.
  std::string text;
  // Every event the target got, in order.
  std::vector<HookKeyEvent> delivered;
  bool woken = false;
  int expansionsSent = 0;
  // The output thread stops in its next expansion (a clipboard owner that never answers).
  bool stuck = false;
  // SendInput takes only this many events of each next batch, one count a batch, then all.
  std::deque<std::size_t> shortSends;
  int untypeable = 0;
  std::uint32_t now = 1000;

  SendQueue& queue() { return queue_; }
  Expander& expander() { return expander_; }
  std::size_t Waiting() const { return input_.size(); }

 private:
  void Enqueue(const std::vector<HookKeyEvent>& keys, std::optional<std::size_t> at) {
    const std::size_t position = at && *at < input_.size() ? *at : input_.size();
    input_.insert(input_.begin() + static_cast<std::ptrdiff_t>(position), keys.begin(), keys.end());
  }

  void FinishExpansion(const OutputJob& job) {
    if (SendBatch(BuildKeyEvents(job.backspaces, job.settleDeadKey, job.expansion,
                                 queue_.ModifiersAtSend()))) {
      ++expansionsSent;
      queue_.ExpansionSent({job.expansion.size(), 0, job.trigger, job.expansion, true});
    }
  }

  bool SendBatch(const std::vector<KeyEvent>& events) {
    if (!queue_.BeginBatch(held_, now)) return false;
    std::vector<HookKeyEvent> batch;
    for (const KeyEvent& event : events) {
      HookKeyEvent key{event.virtualKey, 0, event.extended, event.release, KeyOrigin::Injected};
      if (event.unicode != 0) {
        key.virtualKey = vk::Packet;
        key.scanCode = event.unicode;
      }
      batch.push_back(key);
    }
    return PushBatch(batch);
  }

  // `batch`, the held keys in `held_` and the marker join the input queue, or as much of them
  // as a short send takes.
  bool PushBatch(std::vector<HookKeyEvent> batch) {
    const std::size_t eventCount = batch.size();
    for (const HeldKey& key : held_) {
      batch.push_back({key.virtualKey, key.scanCode, key.extended, key.release,
                       key.ours ? KeyOrigin::Injected : KeyOrigin::Replayed});
    }
    batch.push_back({MaskKey, 0, false, true, KeyOrigin::BatchEnd});
    std::size_t sent = batch.size();
    if (!shortSends.empty()) {
      sent = std::min(shortSends.front(), sent);
      shortSends.pop_front();
    }
    input_.insert(input_.end(), batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(sent));
    const std::size_t heldSent = sent <= eventCount ? 0 : std::min(sent - eventCount, held_.size());
    queue_.EndBatch(held_, heldSent, sent == batch.size(), now);
    return sent == batch.size();
  }

  void Deliver(const HookKeyEvent& event) {
    delivered.push_back(event);
    if (TrackModifier(targetModifiers_, event.virtualKey, event.release) || event.release) return;
    if (event.virtualKey == vk::Back) {
      if (!text.empty()) text.pop_back();
    } else if (event.virtualKey == vk::Packet) {
      text.push_back(static_cast<char>(event.scanCode));
    } else {
      const KeyText typed = layout_.Translate({event.virtualKey, 0, false, targetModifiers_});
      if (typed.kind() == KeyText::Kind::Characters) text.append(typed.text());
    }
  }

  FakeLayout layout_;
  Expander expander_;
  SendQueue queue_;
  HookDecision decision_;
  std::deque<HookKeyEvent> input_;
  std::vector<HeldKey> held_;
  ModifierState targetModifiers_;
  std::optional<OutputJob> stuckJob_;
};

}  // namespace tarquel::testing
