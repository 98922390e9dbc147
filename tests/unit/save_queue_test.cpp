#include "util/save_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using namespace std::chrono_literals;

// Holds the worker inside a job until the test opens it, so that later jobs queue up behind.
class Gate {
 public:
  void WaitOpen() {
    std::unique_lock lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return open_; });
  }
  void WaitEntered() {
    std::unique_lock lock(mutex_);
    ASSERT_TRUE(changed_.wait_for(lock, 60s, [&] { return entered_; }));
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool open_ = false;
};

// What the jobs did, in the order the worker did it.
class Log {
 public:
  void Add(std::string entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> Entries() {
    std::lock_guard lock(mutex_);
    return entries_;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> entries_;
};

TEST(SaveQueue, RunsJobsInTheOrderTheyWereHandedIn) {
  Log log;
  SaveQueue queue;
  for (const char* slot : {"config.txt", "settings.txt:a", "settings.txt:b", "other"}) {
    queue.Submit(slot, [&log, slot] { log.Add(slot); });
  }
  queue.WaitUntilIdle();
  EXPECT_EQ(log.Entries(),
            (std::vector<std::string>{"config.txt", "settings.txt:a", "settings.txt:b", "other"}));
}

TEST(SaveQueue, TheLastChangeOfASlotWinsOverTheOnesStillWaiting) {
  Log log;
  Gate gate;
  SaveQueue queue;
  queue.Submit("config.txt", [&] {
    gate.WaitOpen();
    log.Add("config 1");
  });
  gate.WaitEntered();
  for (int change = 2; change <= 5; ++change) {
    queue.Submit("config.txt", [&log, change] { log.Add("config " + std::to_string(change)); });
  }
  gate.Open();
  queue.WaitUntilIdle();
  // The running save finished; of the four waiting behind it only the last was written.
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"config 1", "config 5"}));
}

TEST(SaveQueue, AReplacedJobGoesBehindTheOthersThatWait) {
  Log log;
  Gate gate;
  SaveQueue queue;
  queue.Submit("first", [&] { gate.WaitOpen(); });
  gate.WaitEntered();
  queue.Submit("config.txt", [&] { log.Add("config old"); });
  queue.Submit("settings.txt", [&] { log.Add("settings"); });
  queue.Submit("config.txt", [&] { log.Add("config new"); });
  gate.Open();
  queue.WaitUntilIdle();
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"settings", "config new"}));
}

TEST(SaveQueue, EndingRunsEveryJobStillQueued) {
  Log log;
  Gate gate;
  {
    SaveQueue queue;
    queue.Submit("config.txt", [&] {
      gate.WaitOpen();
      log.Add("config");
    });
    gate.WaitEntered();
    queue.Submit("settings.txt", [&] { log.Add("settings"); });
    gate.Open();
  }
  EXPECT_EQ(log.Entries(), (std::vector<std::string>{"config", "settings"}));
}

TEST(SaveQueue, BoundedWaitGivesUpOnAJobThatHangsAndSeesTheQueueEmptyOnceItIsDone) {
  Gate gate;
  SaveQueue queue;
  queue.Submit("config.txt", [&] { gate.WaitOpen(); });
  gate.WaitEntered();
  queue.Submit("settings.txt", [] {});
  // A save stuck on a share that does not answer: the end of the session does not wait for ever.
  EXPECT_FALSE(queue.WaitUntilIdleFor(50ms));
  gate.Open();
  EXPECT_TRUE(queue.WaitUntilIdleFor(60s));
  EXPECT_TRUE(queue.WaitUntilIdleFor(0ms));
}

TEST(SaveQueue, JobsRunOffTheCallersThread) {
  SaveQueue queue;
  std::thread::id ran;
  queue.Submit("config.txt", [&] { ran = std::this_thread::get_id(); });
  queue.WaitUntilIdle();
  EXPECT_NE(ran, std::this_thread::get_id());
  EXPECT_NE(ran, std::thread::id());
}

TEST(BackgroundSaves, FailuresWaitForTheMainThreadAndWakeIt) {
  std::mutex mutex;
  int wakes = 0;
  BackgroundSaves saves;
  saves.SetNotify([&] {
    std::lock_guard lock(mutex);
    ++wakes;
  });
  saves.Submit("config.txt", [] { return std::string(); });
  saves.Submit("settings.txt", [] { return std::string("settings.txt could not be saved"); });
  saves.WaitUntilIdle();
  EXPECT_EQ(saves.TakeFailures(), (std::vector<std::string>{"settings.txt could not be saved"}));
  EXPECT_TRUE(saves.TakeFailures().empty());
  std::lock_guard lock(mutex);
  EXPECT_EQ(wakes, 1);  // a save that worked says nothing
}

TEST(BackgroundSaves, AFailureAfterTheWindowIsGoneIsKeptForTheEnd) {
  BackgroundSaves saves;
  saves.SetNotify(nullptr);
  saves.Submit("config.txt", [] { return std::string("not saved"); });
  saves.WaitUntilIdle();
  EXPECT_EQ(saves.TakeFailures(), (std::vector<std::string>{"not saved"}));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
