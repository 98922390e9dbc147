#pragma once

#include <cstddef>
#include <cstdint>

namespace tarquel {

// Decides when the user's keys must wait behind what the program sends, so that keys typed
// during an expansion arrive after it and in their order. A batch (an expansion, the keys held
// behind it, or both) goes out in one SendInput call ending with a marker event; until the hook
// has seen that marker, later keys of the user's wait. Times are milliseconds of a clock that
// may wrap (GetTickCount).
class SendGate {
 public:
  // Longer than this, whatever holds things up (a long modal wait, a marker that never came
  // back), typing must not vanish: the gate opens.
  static constexpr std::uint32_t HoldLimitMs = 1500;

  // A trigger completed; its expansion waits to be sent.
  void Queued(std::uint32_t now) {
    queued_ = true;
    since_ = now;
  }

  enum class Verdict {
    Pass,         // the key goes on
    Hold,         // the key waits behind the batch
    PassAndSend,  // waited too long: the key goes on, and what is held must go out now
  };
  // `replayed`: one of the user's own keys sent again, which is itself part of a batch and
  // waits only behind an expansion not yet sent.
  Verdict Judge(bool replayed, std::uint32_t now) {
    if (!queued_ && !inFlight_ && held_ == 0) return Verdict::Pass;
    if (now - since_ >= HoldLimitMs) {
      inFlight_ = false;
      return queued_ || held_ != 0 ? Verdict::PassAndSend : Verdict::Pass;
    }
    const bool hold = queued_ || (!replayed && (inFlight_ || held_ != 0));
    return hold ? Verdict::Hold : Verdict::Pass;
  }
  void Held() { ++held_; }

  // Whether a batch may go out now, and of what.
  bool CanSend() const { return !inFlight_ && (queued_ || held_ != 0); }
  bool HasQueued() const { return queued_; }
  // The batch went out: `complete` when SendInput took all of it, marker included.
  void Sent(bool complete, std::uint32_t now) {
    queued_ = false;
    held_ = 0;
    inFlight_ = complete;
    since_ = now;
  }
  // The hook saw the marker. Returns whether another batch waits to go out.
  bool BatchEnded(std::uint32_t now) {
    inFlight_ = false;
    since_ = now;
    return queued_ || held_ != 0;
  }

 private:
  bool queued_ = false;
  bool inFlight_ = false;
  std::size_t held_ = 0;
  std::uint32_t since_ = 0;
};

}  // namespace tarquel
