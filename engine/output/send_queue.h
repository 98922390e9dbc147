#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/input/key_input.h"
#include "engine/match/expander.h"
#include "engine/output/undo_backspace.h"

namespace tarquel {

// One key event of the user's, held back while something of ours is on its way, and sent again
// after it as it came.
struct HeldKey {
  std::uint32_t virtualKey = 0;
  std::uint32_t scanCode = 0;  // for a character event (VK_PACKET): the UTF-16 unit
  bool extended = false;
  bool release = false;
  // Ours, not the user's: a trigger's last character put back when its expansion was called
  // off. Sent with our own tag, so that the matcher does not take it in a second time.
  bool ours = false;

  friend bool operator==(const HeldKey&, const HeldKey&) = default;
};

// Work for the output thread: an expansion to put in place of its trigger, or the take-back of
// the last one.
struct OutputJob {
  enum class Kind { Expansion, Undo };
  Kind kind = Kind::Expansion;
  // Expansion: the request's texts copied (the table's may change before this goes out) and
  // the modifiers the user held as the trigger completed.
  std::size_t backspaces = 0;
  bool settleDeadKey = false;
  std::string trigger;
  std::string expansion;
  std::string ending;
  CaseShape caseShape = CaseShape::AsWritten;
  ModifierState modifiers;
  // When it was queued, to tell a click or a focus change that came after it.
  std::uint32_t queuedAt = 0;
  // Undo.
  UndoAction undo;
};

// What waits to go out and what the user typed meanwhile, shared by the input thread (which
// only queues, holds and asks) and the output thread (which prepares and sends). Every call
// takes the mutex for a few pointer moves at most, so the input thread never waits longer.
//
// A batch is one SendInput call: an expansion's events, the keys held behind them, then a
// marker event. From a trigger's last key until the hook has seen the marker of the batch that
// carries it, the user's keys (downs and ups alike) are held and go out in the next batch, in
// their order; the user's keys sent again ("replayed") pass unless another expansion waits,
// which they then follow. No key of the user's ever passes an expansion that is still to go
// out: an expansion that cannot go out is called off instead (a click or another window or
// control before it went, an output thread stuck, too many keys behind it), its trigger left as
// typed and the held keys sent in order. Times are milliseconds of a clock that may wrap
// (GetTickCount).
class SendQueue {
 public:
  // Waiting on a batch's marker longer than this (a marker lost), the marker no longer counts:
  // what is held goes out at once, in order.
  static constexpr std::uint32_t InFlightLimitMs = 1500;
  // An output thread that has made no step forward for this long while an expansion waits is
  // taken as stuck (a clipboard owner that never answers, a target that never reads). Saving
  // the clipboard is bounded far below this, so only a fault gets here. Letting the user's keys
  // pass then would put them before the expansion, whose Backspaces would erase them; instead
  // every expansion still waiting is called off (the job in hand sends nothing more), its
  // trigger stays as typed, and the held keys go out in order through the rescue path (a
  // sender other than the stuck output thread).
  static constexpr std::uint32_t StuckLimitMs = 5000;
  // A fast typist's keys behind one expansion, downs and ups, with room to spare; the storage
  // is reserved up front so that the hook does not allocate. Reaching it (a barcode scanner, a
  // key held down on repeat) calls the waiting expansions off like a stuck output thread.
  static constexpr std::size_t HeldLimit = 512;
  // Past this even the rescue path is not getting keys out: the user's keys go on, all but a
  // key-up whose key-down is still held.
  static constexpr std::size_t HeldHardLimit = HeldLimit * 8;

  SendQueue();

  // --- Any thread (the input thread, the search popup's) ---

  // A trigger completed: its expansion goes out after those already waiting.
  void Queue(const ExpansionRequest& request, const ModifierState& modifiers, std::uint32_t now);

  // --- Input thread ---

  enum class KeyVerdict {
    Pass,         // the key goes on
    Held,         // the key waits behind what is sent; swallow it
    HeldAndWake,  // the key waits, and what is held can go out now (wake the senders)
    PassAndWake,  // nothing gets out any more (past HeldHardLimit): the key goes on
  };
  // One key event of the user's; `replayed` when it is one we sent again.
  KeyVerdict OnUserKey(const HeldKey& key, bool replayed, std::uint32_t now);
  // The hook saw a batch's marker. Returns whether the output thread has work now.
  bool OnBatchEnd(std::uint32_t now);
  // A key-down of the user's that may take the last expansion back; true when it is the
  // Backspace that does, which is then queued and must be swallowed.
  bool TakesBack(std::uint32_t virtualKey, const ModifierState& modifiers, std::uint32_t now);
  // A click, another window or control at `eventTime`: the caret may stand elsewhere now. The
  // chance to take the last expansion back ends, and every expansion queued before that moment
  // and not yet gone out that would erase something (a trigger's, a take-back; not the search
  // popup's insertion) is called off, its trigger left as typed. Returns whether the senders
  // have work now.
  bool OnCaretMayHaveMoved(std::uint32_t eventTime, std::uint32_t now);

  // --- Output thread ---

  enum class WorkKind { None, Job, HeldOnly };
  // What to do next. A job is handed out only when no batch is on its way.
  WorkKind Next(OutputJob& job, std::uint32_t now);
  // The modifiers the user holds as the target will see them once everything handed out so far
  // has arrived: those held at the trigger, changed by every key of the user's sent since.
  // The job's events let these go and press them again; a key the user let go meanwhile is
  // not pressed again.
  ModifierState ModifiersAtSend() const;
  // A batch is about to go out: moves the held keys into `held` (its old contents are dropped,
  // its capacity kept for the next time) and counts the batch as on its way. False when the
  // job in hand has been called off: send nothing (its held keys go out by the rescue path).
  bool BeginBatch(std::vector<HeldKey>& held, std::uint32_t now);
  // The job in hand is about to send a part of itself ahead of its batch (the text before a
  // delay, a key press of a paced expansion): a step forward, and from then on a click no
  // longer calls it off (its Backspaces are in the target). The user's keys stay held for the
  // job's batch, which goes last. False when the job was called off: send nothing more.
  bool BeginPart(std::uint32_t now);
  // SendInput took the first `heldSent` of `held` (the keys BeginBatch gave); `complete`: all
  // of the batch, marker included. Otherwise no marker will come, and the held keys it did not
  // take go back in front of those held since, to go out next.
  void EndBatch(const std::vector<HeldKey>& held, std::size_t heldSent, bool complete,
                std::uint32_t now);
  // The job handed out by Next is done (sent, or given up).
  void JobDone(std::uint32_t now);
  // Opens the chance to take this expansion back with Backspace (not for one called off).
  void ExpansionSent(SentExpansion sent);

  // --- Rescue path (a thread other than the output thread) ---

  // Held keys with no expansion left to go before them (the job in hand called off while the
  // output thread is still in it, or no job at all) are moved into `held`, to go out by this
  // path as one batch with its marker. False when there is nothing to send this way now. End it
  // with EndBatch.
  bool TakeHeldForRescue(std::vector<HeldKey>& held, std::uint32_t now);

  // Any thread: undo_backspace from settings.txt.
  void SetUndoEnabled(bool enabled);

  // For tests and diagnostics.
  std::size_t HeldCount() const;
  bool Idle() const;

 private:
  bool IdleLocked() const { return jobs_.empty() && !busy_ && inFlight_ == 0 && held_.empty(); }
  // The output thread has a job that may still send.
  bool WorkingLocked() const { return busy_ && !cancelled_; }
  bool HeldDownOf(std::uint32_t virtualKey) const;
  // Calls off the job in hand (if it may still send) and the queued expansions, all of them,
  // or only those queued before `before`. Returns whether anything was called off.
  bool CallOffLocked(std::optional<std::uint32_t> before);

  mutable std::mutex mutex_;
  std::deque<OutputJob> jobs_;
  std::vector<HeldKey> held_;
  // The output thread holds a job from Next to JobDone; `preparing_` until its first batch.
  bool busy_ = false;
  bool preparing_ = false;
  // The job in hand was called off: nothing more of it goes out.
  bool cancelled_ = false;
  // The job in hand, as much as calling it off needs.
  OutputJob::Kind handKind_ = OutputJob::Kind::Expansion;
  std::string handTrigger_;
  std::uint32_t handQueuedAt_ = 0;
  ModifierState handModifiers_;
  // Batches sent whose marker the hook has not seen yet.
  std::size_t inFlight_ = 0;
  // The last step forward: a queue, a batch sent, a marker seen.
  std::uint32_t since_ = 0;
  UndoBackspace undo_;
};

}  // namespace tarquel
