#include "engine/output/send_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarquel {
namespace {

using Verdict = SendQueue::KeyVerdict;
using Work = SendQueue::WorkKind;

const HeldKey KeyA{'A', 30, false, false};
const HeldKey KeyAUp{'A', 30, false, true};

HeldKey KeyB() {
  return {'B', 48, false, false};
}

ExpansionRequest Request(std::string_view expansion) {
  ExpansionRequest request;
  request.backspaces = 4;
  request.trigger = ":demo";
  request.expansion = expansion;
  return request;
}

TEST(SendQueue, NothingWaitsWhenNothingIsBeingSent) {
  SendQueue queue;
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 10), Verdict::Pass);
  OutputJob job;
  EXPECT_EQ(queue.Next(job, 10), Work::None);
  EXPECT_TRUE(queue.Idle());
}

TEST(SendQueue, KeysWaitFromTheTriggerUntilTheBatchHasComeBackAndGoOutInOrder) {
  SendQueue queue;
  queue.Queue(Request("Hello"), {}, 100);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 101), Verdict::Held);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 102), Work::Job);
  EXPECT_EQ(job.expansion, "Hello");
  EXPECT_EQ(job.backspaces, 4u);
  // Being prepared: still held.
  EXPECT_EQ(queue.OnUserKey(KeyAUp, false, 103), Verdict::Held);
  std::vector<HeldKey> held;
  queue.BeginBatch(held, 104);
  EXPECT_EQ(held, (std::vector<HeldKey>{KeyA, KeyAUp}));
  queue.EndBatch(true, 104);
  queue.JobDone(105);
  // Sent, but on its way: a key now could overtake the batch's events.
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 106), Verdict::Held);
  EXPECT_EQ(queue.Next(job, 107), Work::None);
  // The marker: the key held meanwhile goes out as a batch of its own.
  EXPECT_TRUE(queue.OnBatchEnd(108));
  EXPECT_EQ(queue.OnUserKey(KeyAUp, false, 109), Verdict::Held);
  ASSERT_EQ(queue.Next(job, 110), Work::HeldOnly);
  queue.BeginBatch(held, 110);
  EXPECT_EQ(held, (std::vector<HeldKey>{KeyA, KeyAUp}));
  EXPECT_FALSE(queue.OnBatchEnd(111));
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 112), Verdict::Pass);
  EXPECT_TRUE(queue.Idle());
}

TEST(SendQueue, ReplayedKeysPassWhileTheirBatchIsUnderWayUnlessAnotherExpansionWaits) {
  SendQueue queue;
  queue.Queue(Request("one"), {}, 0);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1), Verdict::Held);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 1), Work::Job);
  std::vector<HeldKey> held;
  queue.BeginBatch(held, 2);
  queue.JobDone(2);
  EXPECT_EQ(queue.OnUserKey(KeyA, true, 3), Verdict::Pass);
  // One of them completed another trigger: the rest of them now wait behind that expansion.
  queue.Queue(Request("two"), {}, 4);
  EXPECT_EQ(queue.OnUserKey(KeyAUp, true, 5), Verdict::Held);
  // It goes out only once the batch under way has ended.
  EXPECT_EQ(queue.Next(job, 6), Work::None);
  EXPECT_TRUE(queue.OnBatchEnd(7));
  ASSERT_EQ(queue.Next(job, 8), Work::Job);
  EXPECT_EQ(job.expansion, "two");
  queue.BeginBatch(held, 9);
  EXPECT_EQ(held, std::vector<HeldKey>{KeyAUp});
}

TEST(SendQueue, ExpansionsGoOutOneBatchAtATimeInTheOrderQueued) {
  SendQueue queue;
  queue.Queue(Request("first"), {}, 0);
  queue.Queue(Request("second"), {}, 0);
  OutputJob job;
  std::vector<HeldKey> held;
  ASSERT_EQ(queue.Next(job, 1), Work::Job);
  EXPECT_EQ(job.expansion, "first");
  // Still being prepared: nothing else is handed out.
  EXPECT_EQ(queue.Next(job, 1), Work::None);
  queue.BeginBatch(held, 2);
  queue.JobDone(2);
  EXPECT_EQ(queue.Next(job, 3), Work::None);
  EXPECT_TRUE(queue.OnBatchEnd(4));
  ASSERT_EQ(queue.Next(job, 5), Work::Job);
  EXPECT_EQ(job.expansion, "second");
}

TEST(SendQueue, AShortSendDoesNotLeaveKeysWaitingForAMarkerThatNeverComes) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 0), Work::Job);
  std::vector<HeldKey> held;
  queue.BeginBatch(held, 1);
  queue.EndBatch(false, 1);
  queue.JobDone(1);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 2), Verdict::Pass);
}

TEST(SendQueue, KeysStayHeldWhileTheExpansionIsPreparedUpToTheLongLimit) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 1000);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 1000), Work::Job);
  // A clipboard owner slow to render keeps the output thread busy for seconds.
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1000 + SendQueue::InFlightLimitMs * 4), Verdict::Held);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1000 + SendQueue::PreparingLimitMs - 1), Verdict::Held);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1000 + SendQueue::PreparingLimitMs), Verdict::PassAndWake);
}

TEST(SendQueue, AMarkerThatNeverComesHoldsKeysOnlyUpToTheShortLimit) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 0), Work::Job);
  std::vector<HeldKey> held;
  queue.BeginBatch(held, 10);
  queue.JobDone(10);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 10 + SendQueue::InFlightLimitMs - 1), Verdict::Held);
  // The marker no longer counts as awaited: what is held goes out at once, in order.
  EXPECT_EQ(queue.OnUserKey(KeyB(), false, 10 + SendQueue::InFlightLimitMs), Verdict::HeldAndWake);
  ASSERT_EQ(queue.Next(job, 10 + SendQueue::InFlightLimitMs), Work::HeldOnly);
  queue.BeginBatch(held, 10 + SendQueue::InFlightLimitMs);
  EXPECT_EQ(held, (std::vector<HeldKey>{KeyA, KeyB()}));
}

TEST(SendQueue, TheClockMayWrap) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0xFFFFFFF0u);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 0x10u), Verdict::Held);
}

TEST(SendQueue, HoldsNoMoreThanItsLimitAndLetsTheRestPass) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  for (std::size_t i = 0; i < SendQueue::HeldLimit; ++i) {
    ASSERT_EQ(queue.OnUserKey(KeyA, false, 1), Verdict::Held);
  }
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1), Verdict::Pass);
  EXPECT_EQ(queue.HeldCount(), SendQueue::HeldLimit);
}

TEST(SendQueue, BackspaceAfterAnExpansionQueuesItsTakeBackOnce) {
  SendQueue queue;
  queue.ExpansionSent({11, 0, ":demo"});
  EXPECT_FALSE(queue.TakesBack(vk::Back, ModifierState{.leftShift = true}, 0));
  queue.ExpansionSent({11, 0, ":demo"});
  ASSERT_TRUE(queue.TakesBack(vk::Back, {}, 0));
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 1), Work::Job);
  EXPECT_EQ(job.kind, OutputJob::Kind::Undo);
  EXPECT_EQ(job.undo.backspaces, 11u);
  EXPECT_EQ(job.undo.retype, ":demo");
  EXPECT_FALSE(queue.TakesBack(vk::Back, {}, 2));
}

TEST(SendQueue, ACaretMovedOrUndoTurnedOffEndsTheChance) {
  SendQueue queue;
  queue.ExpansionSent({11, 0, ":demo"});
  queue.OnCaretMayHaveMoved();
  EXPECT_FALSE(queue.TakesBack(vk::Back, {}, 0));
  queue.ExpansionSent({11, 0, ":demo"});
  queue.SetUndoEnabled(false);
  EXPECT_FALSE(queue.TakesBack(vk::Back, {}, 0));
}

}  // namespace
}  // namespace tarquel
