#include "store/trigger_file_sync.h"

#include <gtest/gtest.h>

#include <atomic>

#include "util/save_queue.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(TriggerSaveTracker, IsIdleOnlyOnceTheLastSaveHandedInIsDone) {
  TriggerSaveTracker tracker;
  EXPECT_TRUE(tracker.Idle());
  const std::uint64_t first = tracker.Submitted();
  const std::uint64_t second = tracker.Submitted();
  EXPECT_FALSE(tracker.Idle());
  tracker.Done(first, true);
  EXPECT_FALSE(tracker.Idle());
  tracker.Done(second, true);
  EXPECT_TRUE(tracker.Idle());
}

TEST(TriggerSaveTracker, KeepsTheTableAheadAfterAFailedSaveUntilOneSucceeds) {
  TriggerSaveTracker tracker;
  EXPECT_FALSE(tracker.TableAhead());
  tracker.Done(tracker.Submitted(), false);
  EXPECT_TRUE(tracker.Idle());
  EXPECT_TRUE(tracker.TableAhead());
  const std::uint64_t retry = tracker.Submitted();
  EXPECT_TRUE(tracker.TableAhead());
  tracker.Done(retry, true);
  EXPECT_FALSE(tracker.TableAhead());
}

TEST(TriggerSaveTracker, TellsOfAHeldFileOnceUntilASaveGoesThrough) {
  TriggerSaveTracker tracker;
  EXPECT_TRUE(tracker.FirstBusy());
  tracker.Done(tracker.Submitted(), false, true);
  EXPECT_TRUE(tracker.LastBusy());
  EXPECT_TRUE(tracker.TableAhead());
  EXPECT_FALSE(tracker.FirstBusy());
  tracker.Done(tracker.Submitted(), false, true);
  EXPECT_FALSE(tracker.FirstBusy());
  // Another failure (a folder that takes no file) is no reason to try the same save again.
  tracker.Done(tracker.Submitted(), false, false);
  EXPECT_FALSE(tracker.LastBusy());
  tracker.Done(tracker.Submitted(), true);
  EXPECT_FALSE(tracker.LastBusy());
  EXPECT_FALSE(tracker.TableAhead());
  EXPECT_TRUE(tracker.FirstBusy());
}

// Through the real queue, where a waiting save is replaced by a newer one and never runs.
TEST(TriggerSaveTracker, FollowsTheSaveQueueWhenWaitingSavesAreReplaced) {
  TriggerSaveTracker tracker;
  BackgroundSaves saves;
  std::atomic<int> ran{0};
  for (int i = 0; i < 50; ++i) {
    saves.Submit("config.txt", [&tracker, &ran, save = tracker.Submitted()] {
      ++ran;
      tracker.Done(save, true);
      return std::string();
    });
  }
  EXPECT_FALSE(tracker.Idle() && ran == 0);
  saves.WaitUntilIdle();
  EXPECT_TRUE(tracker.Idle());
  EXPECT_GE(ran.load(), 1);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
