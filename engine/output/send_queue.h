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
  ModifierState modifiers;
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
// which they then follow. Times are milliseconds of a clock that may wrap (GetTickCount).
class SendQueue {
 public:
  // Waiting on a batch's marker longer than this (a marker lost), the marker no longer counts:
  // what is held goes out at once, in order.
  static constexpr std::uint32_t InFlightLimitMs = 1500;
  // While an expansion waits or is being prepared: saving the clipboard may take seconds
  // (every format an owner renders late may take up to 30 s), and keys passing meanwhile would
  // land before the expansion and its Backspaces would erase them. Past it, typing must not
  // vanish: the keys go on.
  static constexpr std::uint32_t PreparingLimitMs = 60000;
  // A fast typist's keys behind one expansion, downs and ups, with room to spare.
  static constexpr std::size_t HeldLimit = 512;

  SendQueue();

  // --- Any thread (the input thread, the search popup's) ---

  // A trigger completed: its expansion goes out after those already waiting.
  void Queue(const ExpansionRequest& request, const ModifierState& modifiers, std::uint32_t now);

  // --- Input thread ---

  enum class KeyVerdict {
    Pass,         // the key goes on
    Held,         // the key waits behind what is sent; swallow it
    HeldAndWake,  // a marker awaited too long: the key waits, and what is held must go out now
    PassAndWake,  // the output thread busy too long: the key goes on, and what waits follows
  };
  // One key event of the user's; `replayed` when it is one we sent again.
  KeyVerdict OnUserKey(const HeldKey& key, bool replayed, std::uint32_t now);
  // The hook saw a batch's marker. Returns whether the output thread has work now.
  bool OnBatchEnd(std::uint32_t now);
  // A key-down of the user's that may take the last expansion back; true when it is the
  // Backspace that does, which is then queued and must be swallowed.
  bool TakesBack(std::uint32_t virtualKey, const ModifierState& modifiers, std::uint32_t now);
  // A click, another window or control: the expansion may no longer be before the caret.
  void OnCaretMayHaveMoved();

  // --- Output thread ---

  enum class WorkKind { None, Job, HeldOnly };
  // What to do next. A job is handed out only when no batch is on its way.
  WorkKind Next(OutputJob& job, std::uint32_t now);
  // A batch is about to go out: moves the held keys into `held` (its old contents are dropped,
  // its capacity kept for the next time) and counts the batch as on its way.
  void BeginBatch(std::vector<HeldKey>& held, std::uint32_t now);
  // `complete`: SendInput took all of it, marker included; otherwise no marker will come.
  void EndBatch(bool complete, std::uint32_t now);
  // The job handed out by Next is done (sent, or given up).
  void JobDone(std::uint32_t now);
  // Opens the chance to take this expansion back with Backspace.
  void ExpansionSent(SentExpansion sent);

  // Any thread: undo_backspace from settings.txt.
  void SetUndoEnabled(bool enabled);

  // For tests and diagnostics.
  std::size_t HeldCount() const;
  bool Idle() const;

 private:
  bool IdleLocked() const { return jobs_.empty() && !busy_ && inFlight_ == 0 && held_.empty(); }
  bool HeldDownOf(std::uint32_t virtualKey) const;

  mutable std::mutex mutex_;
  std::deque<OutputJob> jobs_;
  std::vector<HeldKey> held_;
  // The output thread holds a job from Next to JobDone; `preparing_` until its first batch.
  bool busy_ = false;
  bool preparing_ = false;
  // Batches sent whose marker the hook has not seen yet.
  std::size_t inFlight_ = 0;
  // The last step forward: a queue, a batch sent, a marker seen.
  std::uint32_t since_ = 0;
  UndoBackspace undo_;
};

}  // namespace tarquel
