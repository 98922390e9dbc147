#pragma once

#include <atomic>
#include <cstdint>

namespace tarquel {

// Which of this run's saves of config.txt are still to be written. Saves of one slot run in the
// order they were handed in, and a newer one takes the place of an older one still waiting, so
// the last one handed in always runs: once it is done, none of ours is left.
class TriggerSaveTracker {
 public:
  // On the main thread, as a save is handed in: the number its job reports once done.
  std::uint64_t Submitted() { return ++submitted_; }
  // On the worker, once the job is done with the file and its history. `busy`: it failed
  // because another program held the file, and the same save is worth trying again.
  void Done(std::uint64_t save, bool saved, bool busy = false) {
    lastFailed_.store(!saved, std::memory_order_relaxed);
    lastBusy_.store(!saved && busy, std::memory_order_relaxed);
    if (saved) busyTold_.store(false, std::memory_order_relaxed);
    done_.store(save, std::memory_order_release);
  }
  // On the main thread. True: every save handed in has run, and what it did to the history is
  // seen here.
  bool Idle() const { return done_.load(std::memory_order_acquire) == submitted_; }
  // On the main thread. True: the table holds what the file may lack, because a save is still
  // to run or the last one failed (the user was told the change lives on until Tarquel ends).
  bool TableAhead() const { return !Idle() || lastFailed_.load(std::memory_order_relaxed); }
  // On the main thread, once Idle: the last save failed only because the file was held.
  bool LastBusy() const { return lastBusy_.load(std::memory_order_relaxed); }
  // On the worker, for a busy save: true the first time since the last save that went through,
  // so that the user hears of a held file once, not at each try.
  bool FirstBusy() { return !busyTold_.exchange(true, std::memory_order_relaxed); }

 private:
  std::uint64_t submitted_ = 0;
  std::atomic<std::uint64_t> done_{0};
  std::atomic<bool> lastFailed_{false};
  std::atomic<bool> lastBusy_{false};
  std::atomic<bool> busyTold_{false};
};

}  // namespace tarquel
