#include "engine/output/send_queue.h"

#include <utility>

#include "util/text_encoding.h"

namespace tarquel {

namespace {

constexpr std::uint32_t BackspaceScanCode = 0x0E;
constexpr std::uint32_t EnterScanCode = 0x1C;
constexpr std::uint32_t TabScanCode = 0x0F;

// Whether `earlier` comes before `later` on a clock that may wrap.
bool Before(std::uint32_t earlier, std::uint32_t later) {
  return static_cast<std::int32_t>(later - earlier) > 0;
}

// What goes back to the target when a job is called off before it went out, in front of the
// keys typed after it.
void PutBack(OutputJob::Kind kind, std::string_view trigger, std::vector<HeldKey>& keys) {
  if (kind == OutputJob::Kind::Undo) {
    // The Backspace that asked for the take-back was swallowed; it erases as the user meant.
    // Its key-up came later and is held already.
    keys.push_back({vk::Back, BackspaceScanCode, false, false, false});
    return;
  }
  // The trigger's last character was swallowed as it completed the trigger: it goes back as a
  // character of ours, so that the trigger stands as typed and does not complete again.
  std::size_t start = trigger.size();
  while (start > 0 && (static_cast<unsigned char>(trigger[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return;
  --start;
  // Enter and Tab as ending characters go back as the keys they were.
  if (trigger.substr(start) == "\n" || trigger.substr(start) == "\t") {
    const bool enter = trigger[start] == '\n';
    const HeldKey key{enter ? vk::Return : vk::Tab, enter ? EnterScanCode : TabScanCode, false,
                      false, true};
    keys.push_back(key);
    keys.push_back({key.virtualKey, key.scanCode, false, true, true});
    return;
  }
  for (char16_t unit : Utf8ToUtf16(trigger.substr(start))) {
    keys.push_back({vk::Packet, unit, false, false, true});
    keys.push_back({vk::Packet, unit, false, true, true});
  }
}

}  // namespace

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
  job.ending.assign(request.ending);
  job.caseShape = request.caseShape;
  job.modifiers = modifiers;
  job.queuedAt = now;
  const std::lock_guard lock(mutex_);
  if (IdleLocked()) since_ = now;
  jobs_.push_back(std::move(job));
}

bool SendQueue::HeldDownOf(std::uint32_t virtualKey) const {
  for (auto it = held_.rbegin(); it != held_.rend(); ++it) {
    if (it->virtualKey == virtualKey && !it->ours) return !it->release;
  }
  return false;
}

// A click or a focus change calls off only what would erase: an insertion with nothing typed to
// replace (the search popup's) goes where the caret is, and the focus coming back to its
// window, whose event may arrive after it was queued, must not call it off.
bool SendQueue::CallOffLocked(std::optional<std::uint32_t> before) {
  const auto erases = [](OutputJob::Kind kind, const std::string& trigger) {
    return kind == OutputJob::Kind::Undo || !trigger.empty();
  };
  std::vector<HeldKey> putBack;
  bool calledOff = false;
  if (WorkingLocked() &&
      (!before || (Before(handQueuedAt_, *before) && erases(handKind_, handTrigger_)))) {
    // Once its first batch went out, its Backspaces are in the target: only what it would
    // still send is called off, and only for a stuck thread (a click then comes after it).
    if (preparing_) {
      PutBack(handKind_, handTrigger_, putBack);
      cancelled_ = true;
      calledOff = true;
    } else if (!before) {
      cancelled_ = true;
      calledOff = true;
    }
  }
  for (auto it = jobs_.begin(); it != jobs_.end();) {
    if (before && (!Before(it->queuedAt, *before) || !erases(it->kind, it->trigger))) {
      ++it;
      continue;
    }
    PutBack(it->kind, it->trigger, putBack);
    it = jobs_.erase(it);
    calledOff = true;
  }
  held_.insert(held_.begin(), putBack.begin(), putBack.end());
  return calledOff;
}

SendQueue::KeyVerdict SendQueue::OnUserKey(const HeldKey& key, bool replayed, std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  if (IdleLocked()) return KeyVerdict::Pass;
  const bool expansionWaits = !jobs_.empty() || (WorkingLocked() && preparing_);
  // A replayed key is itself part of the batch under way; only an expansion not yet sent
  // (one that an earlier replayed key completed) goes before it.
  const bool hold =
      expansionWaits || (!replayed && (WorkingLocked() || inFlight_ != 0 || !held_.empty()));
  if (!hold) return KeyVerdict::Pass;
  bool wake = false;
  if (inFlight_ != 0 && !WorkingLocked() && now - since_ >= InFlightLimitMs) {
    // A marker that never came back: the held keys and what waits may go out now, this key
    // behind them.
    inFlight_ = 0;
    since_ = now;
    wake = true;
  } else if ((WorkingLocked() || !jobs_.empty()) && now - since_ >= StuckLimitMs) {
    CallOffLocked(std::nullopt);
    inFlight_ = 0;
    since_ = now;
    wake = true;
  }
  if (held_.size() >= HeldLimit) {
    if (CallOffLocked(std::nullopt)) wake = true;
    // Its key-down waits: a key-up going on before it would leave the key down in the target.
    if (held_.size() >= HeldHardLimit && !(key.release && HeldDownOf(key.virtualKey))) {
      return wake ? KeyVerdict::PassAndWake : KeyVerdict::Pass;
    }
  }
  // Nothing on its way will wake a sender for what is held (a short send put keys back, an
  // expansion was called off): this key does.
  if (inFlight_ == 0 && !WorkingLocked() && jobs_.empty()) wake = true;
  // Past HeldLimit this may allocate: only once the expansions are called off.
  held_.push_back(key);
  return wake ? KeyVerdict::HeldAndWake : KeyVerdict::Held;
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
  job.queuedAt = now;
  jobs_.push_back(std::move(job));
  return true;
}

bool SendQueue::OnCaretMayHaveMoved(std::uint32_t eventTime, std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  undo_.OnCaretMayHaveMoved();
  if (!CallOffLocked(eventTime)) return false;
  since_ = now;
  return inFlight_ == 0 && (!jobs_.empty() || !held_.empty());
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
    cancelled_ = false;
    handKind_ = job.kind;
    handTrigger_ = job.trigger;
    handQueuedAt_ = job.queuedAt;
    handModifiers_ = job.modifiers;
    since_ = now;
    return WorkKind::Job;
  }
  return held_.empty() ? WorkKind::None : WorkKind::HeldOnly;
}

ModifierState SendQueue::ModifiersAtSend() const {
  const std::lock_guard lock(mutex_);
  return handModifiers_;
}

bool SendQueue::BeginBatch(std::vector<HeldKey>& held, std::uint32_t now) {
  held.clear();
  const std::lock_guard lock(mutex_);
  if (busy_ && cancelled_) return false;
  // Held keys alone: the rescue path may have taken them first.
  if (!busy_ && (inFlight_ != 0 || held_.empty())) return false;
  // Swapped, not copied: both keep their capacity.
  held.swap(held_);
  ++inFlight_;
  preparing_ = false;
  since_ = now;
  return true;
}

bool SendQueue::BeginPart(std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  if (!busy_ || cancelled_) return false;
  preparing_ = false;
  since_ = now;
  return true;
}

bool SendQueue::TakeHeldForRescue(std::vector<HeldKey>& held, std::uint32_t now) {
  held.clear();
  const std::lock_guard lock(mutex_);
  if (WorkingLocked() || !jobs_.empty() || inFlight_ != 0 || held_.empty()) return false;
  held.swap(held_);
  ++inFlight_;
  since_ = now;
  return true;
}

void SendQueue::EndBatch(const std::vector<HeldKey>& held, std::size_t heldSent, bool complete,
                         std::uint32_t now) {
  if (heldSent > held.size()) heldSent = held.size();
  const std::lock_guard lock(mutex_);
  for (std::size_t i = 0; i < heldSent; ++i) {
    if (!held[i].ours) TrackModifier(handModifiers_, held[i].virtualKey, held[i].release);
  }
  if (complete) return;
  held_.insert(held_.begin(), held.begin() + static_cast<std::ptrdiff_t>(heldSent), held.end());
  if (inFlight_ != 0) --inFlight_;
  since_ = now;
}

void SendQueue::JobDone(std::uint32_t now) {
  const std::lock_guard lock(mutex_);
  busy_ = false;
  preparing_ = false;
  cancelled_ = false;
  since_ = now;
}

void SendQueue::ExpansionSent(SentExpansion sent) {
  const std::lock_guard lock(mutex_);
  if (busy_ && cancelled_) return;
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
