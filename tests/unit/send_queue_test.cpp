#include "engine/output/send_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

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
  queue.EndBatch(held, held.size(), true, 104);
  queue.JobDone(105);
  // Sent, but on its way: a key now could overtake the batch's events.
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 106), Verdict::Held);
  EXPECT_EQ(queue.Next(job, 107), Work::None);
  // The marker: the key held meanwhile goes out as a batch of its own.
  EXPECT_TRUE(queue.OnBatchEnd(108));
  EXPECT_EQ(queue.OnUserKey(KeyAUp, false, 109), Verdict::HeldAndWake);
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
  ASSERT_TRUE(queue.BeginBatch(held, 1));
  queue.EndBatch(held, 0, false, 1);
  queue.JobDone(1);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 2), Verdict::Pass);
}

TEST(SendQueue, HeldKeysASendCutShortGoOutNextInFrontOfThoseHeldSince) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1), Verdict::Held);
  EXPECT_EQ(queue.OnUserKey(KeyAUp, false, 1), Verdict::Held);
  EXPECT_EQ(queue.OnUserKey(KeyB(), false, 1), Verdict::Held);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 2), Work::Job);
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 3));
  // SendInput took the expansion and the first held key only.
  queue.EndBatch(held, 1, false, 3);
  queue.JobDone(4);
  // Nothing is on its way that would wake the output thread: this key does.
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 5), Verdict::HeldAndWake);
  ASSERT_EQ(queue.Next(job, 6), Work::HeldOnly);
  ASSERT_TRUE(queue.BeginBatch(held, 6));
  EXPECT_EQ(held, (std::vector<HeldKey>{KeyAUp, KeyB(), KeyA}));
}

TEST(SendQueue, KeysStayHeldWhileTheExpansionIsPreparedUpToTheStuckLimit) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 1000);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 1000), Work::Job);
  // A clipboard owner slow to render keeps the output thread busy for a while.
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1000 + SendQueue::InFlightLimitMs * 2), Verdict::Held);
  EXPECT_EQ(queue.OnUserKey(KeyAUp, false, 1000 + SendQueue::StuckLimitMs - 1), Verdict::Held);
  EXPECT_EQ(queue.HeldCount(), 2u);
}

TEST(SendQueue, AStuckOutputThreadsExpansionIsCalledOffAndTheKeysGoOutWithTheTriggerAsTyped) {
  SendQueue queue;
  ExpansionRequest request = Request("x");
  request.trigger = ":caf\xC3\xA9";  // the last character is two UTF-8 bytes, one UTF-16 unit
  queue.Queue(request, {}, 1000);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1001), Verdict::Held);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 1001), Work::Job);
  std::vector<HeldKey> held;
  // Never a key ahead of the expansion: it is called off instead.
  EXPECT_EQ(queue.OnUserKey(KeyAUp, false, 1001 + SendQueue::StuckLimitMs), Verdict::HeldAndWake);
  ASSERT_TRUE(queue.TakeHeldForRescue(held, 1001 + SendQueue::StuckLimitMs));
  const HeldKey eDown{vk::Packet, 0xE9, false, false, true};
  const HeldKey eUp{vk::Packet, 0xE9, false, true, true};
  EXPECT_EQ(held, (std::vector<HeldKey>{eDown, eUp, KeyA, KeyAUp}));
  queue.EndBatch(held, held.size(), true, 7000);
  // Keys behind the rescue batch wait for its marker, then pass: nothing else goes out.
  EXPECT_EQ(queue.OnUserKey(KeyB(), false, 7001), Verdict::Held);
  EXPECT_TRUE(queue.OnBatchEnd(7002));
  ASSERT_TRUE(queue.TakeHeldForRescue(held, 7002));
  queue.EndBatch(held, held.size(), true, 7002);
  EXPECT_FALSE(queue.OnBatchEnd(7003));
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 7004), Verdict::Pass);
  // The output thread comes back: nothing of its job goes out, and it opens no take-back.
  EXPECT_FALSE(queue.BeginBatch(held, 7005));
  queue.ExpansionSent({1, 0, ":caf\xC3\xA9", "x", true});
  queue.JobDone(7006);
  EXPECT_FALSE(queue.TakesBack(vk::Back, {}, 7007));
  EXPECT_TRUE(queue.Idle());
}

TEST(SendQueue, AnExpansionStillQueuedBehindAStuckThreadIsCalledOffToo) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 0), Work::Job);
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 1));
  // Its Backspaces went out: nothing of it is put back, but a second one waits behind it.
  queue.Queue(Request("y"), {}, 2);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 3), Verdict::Held);
  EXPECT_EQ(queue.OnUserKey(KeyB(), false, 1 + SendQueue::StuckLimitMs), Verdict::HeldAndWake);
  ASSERT_TRUE(queue.TakeHeldForRescue(held, 1 + SendQueue::StuckLimitMs));
  const HeldKey oDown{vk::Packet, 'o', false, false, true};
  const HeldKey oUp{vk::Packet, 'o', false, true, true};
  EXPECT_EQ(held, (std::vector<HeldKey>{oDown, oUp, KeyA, KeyB()}));
  // The rest of the stuck job's output is called off as well.
  EXPECT_FALSE(queue.BeginBatch(held, 2 + SendQueue::StuckLimitMs));
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

TEST(SendQueue, ReachingTheHeldLimitCallsTheExpansionOffRatherThanLetKeysPass) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  const HeldKey shift{vk::LeftShift, 42, false, false};
  const HeldKey shiftUp{vk::LeftShift, 42, false, true};
  ASSERT_EQ(queue.OnUserKey(shift, false, 1), Verdict::Held);
  for (std::size_t i = 1; i < SendQueue::HeldLimit; ++i) {
    ASSERT_EQ(queue.OnUserKey(i % 2 == 0 ? KeyA : KeyAUp, false, 1), Verdict::Held);
  }
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1), Verdict::HeldAndWake);
  OutputJob job;
  // The expansion is gone; what is held, its trigger's character first, goes out.
  ASSERT_EQ(queue.Next(job, 2), Work::HeldOnly);
  // Past the hard limit (nothing gets out) keys go on, but Shift's key-up never passes its
  // key-down.
  while (queue.HeldCount() < SendQueue::HeldHardLimit) {
    ASSERT_EQ(queue.OnUserKey(KeyA, false, 3), Verdict::HeldAndWake);
  }
  EXPECT_EQ(queue.OnUserKey(KeyB(), false, 3), Verdict::Pass);
  EXPECT_EQ(queue.OnUserKey(shiftUp, false, 3), Verdict::HeldAndWake);
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 4));
  EXPECT_EQ(held.front(), (HeldKey{vk::Packet, 'o', false, false, true}));
  EXPECT_EQ(held[2], shift);
  EXPECT_EQ(held.back(), shiftUp);
}

TEST(SendQueue, BackspaceAfterAnExpansionQueuesItsTakeBackOnce) {
  SendQueue queue;
  queue.ExpansionSent({11, 0, ":demo", "Hello World", true});
  EXPECT_FALSE(queue.TakesBack(vk::Back, ModifierState{.leftShift = true}, 0));
  queue.ExpansionSent({11, 0, ":demo", "Hello World", true});
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
  queue.ExpansionSent({11, 0, ":demo", "Hello World", true});
  EXPECT_FALSE(queue.OnCaretMayHaveMoved(0, 0));
  EXPECT_FALSE(queue.TakesBack(vk::Back, {}, 0));
  queue.ExpansionSent({11, 0, ":demo", "Hello World", true});
  queue.SetUndoEnabled(false);
  EXPECT_FALSE(queue.TakesBack(vk::Back, {}, 0));
}

TEST(SendQueue, AClickBeforeTheExpansionWentOutCallsItOffAndLetsTheKeysOut) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 100);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 101), Verdict::Held);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 102), Work::Job);
  // Being prepared (the clipboard saved) when the click comes.
  EXPECT_TRUE(queue.OnCaretMayHaveMoved(103, 103));
  std::vector<HeldKey> held;
  EXPECT_FALSE(queue.BeginBatch(held, 104));
  ASSERT_TRUE(queue.TakeHeldForRescue(held, 104));
  EXPECT_EQ(held, (std::vector<HeldKey>{{vk::Packet, 'o', false, false, true},
                                        {vk::Packet, 'o', false, true, true},
                                        KeyA}));
}

TEST(SendQueue, AClickAfterTheFirstBatchWentOutCallsNothingOff) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 100);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 101), Work::Job);
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 102));
  queue.EndBatch(held, 0, true, 102);
  EXPECT_FALSE(queue.OnCaretMayHaveMoved(103, 103));
  // The rest of the job (a paste falling back to typing) still goes out.
  EXPECT_TRUE(queue.BeginBatch(held, 104));
}

TEST(SendQueue, AnExpansionSendingPartsMakesProgressAndKeepsTheKeysForItsLastBatch) {
  SendQueue queue;
  queue.Queue(Request("a{{delay:3000}}b{{delay:3000}}c"), {}, 0);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 0), Work::Job);
  ASSERT_TRUE(queue.BeginPart(1));
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 3000), Verdict::Held);
  ASSERT_TRUE(queue.BeginPart(3001));
  // Longer than the stuck limit in all, but never that long without a step forward.
  EXPECT_EQ(queue.OnUserKey(KeyAUp, false, 6001), Verdict::Held);
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 6002));
  EXPECT_EQ(held, (std::vector<HeldKey>{KeyA, KeyAUp}));
}

TEST(SendQueue, AClickAfterAPartWentOutCallsNothingOff) {
  SendQueue queue;
  queue.Queue(Request("first{{key:Tab}}second"), {}, 100);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 101), Work::Job);
  ASSERT_TRUE(queue.BeginPart(102));
  // The expansion's own Tab moved the focus: its Backspaces are in the target already.
  EXPECT_FALSE(queue.OnCaretMayHaveMoved(103, 103));
  std::vector<HeldKey> held;
  EXPECT_TRUE(queue.BeginBatch(held, 104));
}

TEST(SendQueue, NoPartGoesOutOfAnExpansionCalledOff) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 0), Work::Job);
  ASSERT_TRUE(queue.BeginPart(1));
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 1 + SendQueue::StuckLimitMs), Verdict::HeldAndWake);
  EXPECT_FALSE(queue.BeginPart(2 + SendQueue::StuckLimitMs));
  // Nor without a job in hand.
  queue.JobDone(3 + SendQueue::StuckLimitMs);
  EXPECT_FALSE(queue.BeginPart(4 + SendQueue::StuckLimitMs));
}

TEST(SendQueue, AFocusChangeFromBeforeTheTriggerCallsNothingOff) {
  SendQueue queue;
  // The focus event's message reached the hook after the keys typed right after it.
  queue.Queue(Request("x"), {}, 500);
  EXPECT_FALSE(queue.OnCaretMayHaveMoved(499, 510));
  EXPECT_FALSE(queue.OnCaretMayHaveMoved(500, 510));
  OutputJob job;
  EXPECT_EQ(queue.Next(job, 511), Work::Job);
}

TEST(SendQueue, AnInsertionWithNothingToEraseIsNotCalledOffByTheFocusComingBack) {
  SendQueue queue;
  // The search popup's: its window's focus event may come after it was queued.
  ExpansionRequest inserted;
  inserted.expansion = "Hello";
  queue.Queue(inserted, {}, 100);
  EXPECT_FALSE(queue.OnCaretMayHaveMoved(101, 101));
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 102), Work::Job);
  EXPECT_FALSE(queue.OnCaretMayHaveMoved(103, 103));
  std::vector<HeldKey> held;
  EXPECT_TRUE(queue.BeginBatch(held, 104));
}

TEST(SendQueue, ATakeBackCalledOffLetsItsBackspaceOutAsTyped) {
  SendQueue queue;
  queue.ExpansionSent({11, 0, ":demo", "Hello World", true});
  ASSERT_TRUE(queue.TakesBack(vk::Back, {}, 10));
  const HeldKey backUp{vk::Back, 14, false, true};
  EXPECT_EQ(queue.OnUserKey(backUp, false, 11), Verdict::Held);
  EXPECT_TRUE(queue.OnCaretMayHaveMoved(12, 12));
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 13), Work::HeldOnly);
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 13));
  EXPECT_EQ(held, (std::vector<HeldKey>{{vk::Back, 14, false, false}, backUp}));
}

TEST(SendQueue, AModifierLetGoAfterTheTriggerIsNotPressedAgainByALaterBatch) {
  SendQueue queue;
  queue.Queue(Request("x"), ModifierState{.leftShift = true, .rightCtrl = true}, 0);
  const HeldKey shiftUp{vk::LeftShift, 42, false, true};
  EXPECT_EQ(queue.OnUserKey(shiftUp, false, 1), Verdict::Held);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 2), Work::Job);
  // The first batch lets both go and presses both again: Shift's key-up follows in it.
  EXPECT_EQ(queue.ModifiersAtSend(), (ModifierState{.leftShift = true, .rightCtrl = true}));
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 3));
  queue.EndBatch(held, held.size(), true, 3);
  // A second batch of the same job (a paste that fell back to typing) presses Ctrl only.
  EXPECT_EQ(queue.ModifiersAtSend(), (ModifierState{.rightCtrl = true}));
}

TEST(SendQueue, HeldKeysWithNoExpansionBeforeThemGoOutByTheRescuePathOnce) {
  SendQueue queue;
  queue.Queue(Request("x"), {}, 0);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 0), Work::Job);
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.BeginBatch(held, 1));
  queue.EndBatch(held, 0, true, 1);
  queue.JobDone(1);
  EXPECT_EQ(queue.OnUserKey(KeyA, false, 2), Verdict::Held);
  // Not while the batch's marker is awaited.
  EXPECT_FALSE(queue.TakeHeldForRescue(held, 3));
  EXPECT_TRUE(queue.OnBatchEnd(4));
  ASSERT_EQ(queue.Next(job, 5), Work::HeldOnly);
  ASSERT_TRUE(queue.TakeHeldForRescue(held, 5));
  EXPECT_EQ(held, std::vector<HeldKey>{KeyA});
  // The output thread, a step behind, sends them no second time.
  std::vector<HeldKey> again;
  EXPECT_FALSE(queue.BeginBatch(again, 6));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(SendQueueEnding, CalledOffExpansionPutsBackTheEndingItSwallowedAndCarriesItUntilThen) {
  SendQueue queue;
  ExpansionRequest space = Request("by the way");
  space.trigger = "BTW ";
  space.ending = " ";
  space.caseShape = CaseShape::AllCaps;
  queue.Queue(space, {}, 100);
  OutputJob job;
  ASSERT_EQ(queue.Next(job, 101), Work::Job);
  EXPECT_EQ(job.ending, " ");
  EXPECT_EQ(job.caseShape, CaseShape::AllCaps);
  EXPECT_EQ(job.trigger, "BTW ");
  EXPECT_TRUE(queue.OnCaretMayHaveMoved(102, 102));
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.TakeHeldForRescue(held, 103));
  EXPECT_EQ(held, (std::vector<HeldKey>{{vk::Packet, ' ', false, false, true},
                                        {vk::Packet, ' ', false, true, true}}));
}

TEST(SendQueueEnding, EnterThatEndedATriggerGoesBackAsEnter) {
  SendQueue queue;
  ExpansionRequest enter = Request("by the way");
  enter.trigger = "btw\n";
  enter.ending = "\n";
  queue.Queue(enter, {}, 100);
  EXPECT_TRUE(queue.OnCaretMayHaveMoved(101, 101));
  std::vector<HeldKey> held;
  ASSERT_TRUE(queue.TakeHeldForRescue(held, 102));
  EXPECT_EQ(held, (std::vector<HeldKey>{{vk::Return, 0x1C, false, false, true},
                                        {vk::Return, 0x1C, false, true, true}}));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
