#include "engine/output/send_queue.h"

#include <utility>

namespace tarquel {

SendQueue::SendQueue() {
  held_.reserve(HeldLimit);
}

void SendQueue::Queue(const ExpansionRequest& request, const ModifierState& modifiers,
                      std::uint32_t now) {
  // The copies are made before the lock is taken.
  OutputJob job;
  job.backspaces = request.backspaces;
  job.settleDeadKey = request.settleDeadKey;
  job.trigger.assign(request.trigger);
  job.expansion.assign(request.expansion);
  job.modifiers = modifiers;
  const std::lock_guard lock(mutex_);
  if (IdleLocked()) since_ = now;
  jobs_.push_back(std::move(job));
}

bool SendQueue::HeldDownOf(std::uint32_t virtualKey) const {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
    if (it->virtualKey == virtualKey) return !it->release;
  }
  return false;
}

SendQueue::KeyVerdict SendQueue::OnUserKey(const HeldKey& key, bool replayed, std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  if (IdleLocked()) return KeyVerdict::Pass;
  const bool expansionWaits = !jobs_.empty() || preparing_;
  // A replayed key is itself part of the batch under way; only an expansion not yet sent
  // (one that an earlier replayed key completed) goes before it.
  const bool hold = expansionWaits || (!replayed && (busy_ || inFlight_ != 0 || !held_.empty()));
  if (!hold) return KeyVerdict::Pass;
  const std::uint32_t limit = !jobs_.empty() || busy_ ? PreparingLimitMs : InFlightLimitMs;
  if (now - since_ >= limit) {
    if (!busy_ && jobs_.empty()) {
      // A marker that never came back: the output thread is free to send what is held now,
      // this key behind it.
      inFlight_ = 0;
      since_ = now;
      if (held_.size() >= HeldLimit) return KeyVerdict::PassAndWake;
      held_.push_back(key);
      return KeyVerdict::HeldAndWake;
    }
    // Its key-down waits: a key-up going on before it would leave the key down in the target.
    if (key.release && HeldDownOf(key.virtualKey) && held_.size() < HeldLimit) {
      held_.push_back(key);
      return KeyVerdict::Held;
    }
    return KeyVerdict::PassAndWake;
  }
  if (held_.size() >= HeldLimit) return KeyVerdict::Pass;
  held_.push_back(key);
  return KeyVerdict::Held;
}

bool SendQueue::OnBatchEnd(std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  if (inFlight_ != 0) --inFlight_;
  since_ = now;
  return inFlight_ == 0 && (!jobs_.empty() || !held_.empty());
}

bool SendQueue::TakesBack(std::uint32_t virtualKey, const ModifierState& modifiers,
                          std::uint32_t now) {
  // Shift+Backspace too would erase, but a held Shift would turn the Right presses that
  // precede the erasing into a selection.
  const bool plain = virtualKey == vk::Back && !modifiers.Shift() && !modifiers.Ctrl() &&
                     !modifiers.Alt() && !modifiers.Win();
  const std::lock_guard lock(mutex_);
  if (!undo_.HasChance()) return false;
  std::optional<UndoAction> action = undo_.OnKeyDown(plain ? UserKey::Backspace : UserKey::Other);
  if (!action) return false;
  if (IdleLocked()) since_ = now;
  OutputJob job;
  job.kind = OutputJob::Kind::Undo;
  job.undo = std::move(*action);
  jobs_.push_back(std::move(job));
  return true;
}

void SendQueue::OnCaretMayHaveMoved() {
  const std::lock_guard lock(mutex_);
  undo_.OnCaretMayHaveMoved();
}

SendQueue::WorkKind SendQueue::Next(OutputJob& job, std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  // One batch at a time: the next goes out when the hook has seen this one's end.
  if (busy_ || inFlight_ != 0) return WorkKind::None;
  if (!jobs_.empty()) {
    job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    preparing_ = true;
    since_ = now;
    return WorkKind::Job;
  }
  return held_.empty() ? WorkKind::None : WorkKind::HeldOnly;
}

void SendQueue::BeginBatch(std::vector<HeldKey>& held, std::uint32_t now) {
  held.clear();
  const std::lock_guard lock(mutex_);
  // Swapped, not copied: both keep their capacity.
  held.swap(held_);
  ++inFlight_;
  preparing_ = false;
  since_ = now;
}

void SendQueue::EndBatch(bool complete, std::uint32_t now) {
  if (complete) return;
  const std::lock_guard lock(mutex_);
  if (inFlight_ != 0) --inFlight_;
  since_ = now;
}

void SendQueue::JobDone(std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  busy_ = false;
  preparing_ = false;
  since_ = now;
}

void SendQueue::ExpansionSent(SentExpansion sent) {
  const std::lock_guard lock(mutex_);
  undo_.ExpansionSent(std::move(sent));
}

void SendQueue::SetUndoEnabled(bool enabled) {
  const std::lock_guard lock(mutex_);
  undo_.SetEnabled(enabled);
}

std::size_t SendQueue::HeldCount() const {
  const std::lock_guard lock(mutex_);
  return held_.size();
}

bool SendQueue::Idle() const {
  const std::lock_guard lock(mutex_);
  return IdleLocked();
}

}  // namespace tarquel
