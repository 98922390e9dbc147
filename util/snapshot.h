#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tarquel {

// A value that one thread reads on every event and others replace now and then: the trigger
// table the keyboard hook matches against, the programs where nothing expands. A replacement is
// built whole elsewhere and published with one pointer store; the reader never waits and never
// frees anything (freeing a table of 100,000 entries takes milliseconds the hook does not have).
//
// One reader thread only. It announces the value it reads in `hazard_`; a publisher frees a
// retired value only once the reader no longer announces it, so at most one retired value lives
// on until a later Publish or Collect.
template <typename T>
class Snapshot {
 public:
  explicit Snapshot(std::shared_ptr<const T> first) : owned_(std::move(first)) {
    current_.store(owned_.get());
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;

  // The reader's thread only: the value in force, valid until this thread's next Read.
  const T& Read() {
    const T* seen = current_.load();
    for (;;) {
      hazard_.store(seen);
      // Published again between the two loads: the announced value may already be retired.
      const T* again = current_.load();
      if (again == seen) return *seen;
      seen = again;
    }
  }

  // Any other thread: makes `next` the value the reader gets from its next Read on.
  void Publish(std::shared_ptr<const T> next) {
    std::lock_guard lock(publishing_);
    current_.store(next.get());
    retired_.push_back(std::move(owned_));
    owned_ = std::move(next);
    CollectLocked();
  }

  // Frees the retired values the reader no longer holds.
  void Collect() {
    std::lock_guard lock(publishing_);
    CollectLocked();
  }

  // The value in force, for a thread other than the reader's.
  std::shared_ptr<const T> Current() const {
    std::lock_guard lock(publishing_);
    return owned_;
  }

 private:
  void CollectLocked() {
    const T* held = hazard_.load();
    std::erase_if(retired_,
                  [held](const std::shared_ptr<const T>& value) { return value.get() != held; });
  }

  // Sequentially consistent, all of them: the reader's store to hazard_ and load of current_
  // must not pass each other, nor the publisher's store to current_ and load of hazard_.
  std::atomic<const T*> current_{nullptr};
  std::atomic<const T*> hazard_{nullptr};
  mutable std::mutex publishing_;
  std::shared_ptr<const T> owned_;
  std::vector<std::shared_ptr<const T>> retired_;
};

}  // namespace tarquel
