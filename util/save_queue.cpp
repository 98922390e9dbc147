#include "util/save_queue.h"

#include <algorithm>
#include <utility>

namespace tarquel {

SaveQueue::SaveQueue() : worker_([this] { Work(); }) {}

SaveQueue::~SaveQueue() {
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void SaveQueue::Submit(std::string slot, Job job) {
  {
    std::lock_guard lock(mutex_);
    auto older = std::find_if(pending_.begin(), pending_.end(),
                              [&](const Pending& waiting) { return waiting.slot == slot; });
    if (older != pending_.end()) pending_.erase(older);
    pending_.push_back({std::move(slot), std::move(job)});
  }
  changed_.notify_all();
}

void SaveQueue::WaitUntilIdle() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return pending_.empty() && !running_; });
}

bool SaveQueue::WaitUntilIdleFor(std::chrono::milliseconds bound) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, bound, [&] { return pending_.empty() && !running_; });
}

void SaveQueue::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [&] { return closing_ || !pending_.empty(); });
    if (pending_.empty()) return;  // closing, and nothing left to write
    Job job = std::move(pending_.front().job);
    pending_.pop_front();
    running_ = true;
    lock.unlock();
    job();
    // Freed before the lock is taken again: whatever the job held goes away on this thread.
    job = nullptr;
    lock.lock();
    running_ = false;
    changed_.notify_all();
  }
}

void BackgroundSaves::SetNotify(std::function<void()> notify) {
  std::lock_guard lock(shared_->mutex);
  shared_->notify = std::move(notify);
}

void BackgroundSaves::Submit(std::string slot, Job job) {
  queue_.Submit(std::move(slot), [shared = shared_, job = std::move(job)] {
    std::string failure = job();
    if (failure.empty()) return;
    std::lock_guard lock(shared->mutex);
    shared->failures.push_back(std::move(failure));
    if (shared->notify) shared->notify();
  });
}

std::vector<std::string> BackgroundSaves::TakeFailures() {
  std::lock_guard lock(shared_->mutex);
  return std::exchange(shared_->failures, {});
}

}  // namespace tarquel
