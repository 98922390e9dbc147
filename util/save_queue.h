#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarquel {

// Writing files away from the thread that answers the keyboard hook: a save to a USB stick, a
// network share or a synced folder can take seconds, and the hook must answer within a fraction
// of one or Windows removes it.
//
// Jobs run one at a time, in the order they were handed in, on one worker thread. Each names a
// slot (the file it writes, or the line of a file); a job handed in while another of the same
// slot still waits takes its place and goes to the end of the queue: only the last change
// counts. A job already running is never replaced; the newer one runs after it.
class SaveQueue {
 public:
  using Job = std::function<void()>;

  SaveQueue();
  // Runs what is still queued, then ends the worker: quitting never loses a change.
  ~SaveQueue();
  SaveQueue(const SaveQueue&) = delete;
  SaveQueue& operator=(const SaveQueue&) = delete;

  void Submit(std::string slot, Job job);
  // Returns once every job handed in so far has run.
  void WaitUntilIdle();
  // The same, giving up after `bound`: false when jobs are still queued or running then.
  bool WaitUntilIdleFor(std::chrono::milliseconds bound);

 private:
  struct Pending {
    std::string slot;
    Job job;
  };

  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Pending> pending_;
  bool running_ = false;
  bool closing_ = false;
  // Last, so that everything above exists before the worker starts.
  std::thread worker_;
};

// The save queue seen from the main window. A job returns "" when it saved, else what to tell
// the user; the texts wait here for the main thread, which `notify` (set by the main window,
// called on the worker) wakes. The main thread alone shows them.
class BackgroundSaves {
 public:
  using Job = std::function<std::string()>;

  void SetNotify(std::function<void()> notify);
  void Submit(std::string slot, Job job);
  std::vector<std::string> TakeFailures();
  void WaitUntilIdle() { queue_.WaitUntilIdle(); }
  bool WaitUntilIdleFor(std::chrono::milliseconds bound) { return queue_.WaitUntilIdleFor(bound); }

 private:
  struct Shared {
    std::mutex mutex;
    std::vector<std::string> failures;
    std::function<void()> notify;
  };
  std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
  // Last: destroyed first, so that its remaining jobs still find `shared_`.
  SaveQueue queue_;
};

}  // namespace tarquel
