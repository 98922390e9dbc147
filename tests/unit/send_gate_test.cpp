#include "engine/output/send_gate.h"

#include <gtest/gtest.h>

namespace tarquel {
namespace {

using Verdict = SendGate::Verdict;

TEST(SendGate, NothingWaitsWhenNothingIsBeingSent) {
  SendGate gate;
  EXPECT_EQ(gate.Judge(false, 10), Verdict::Pass);
  EXPECT_FALSE(gate.CanSend());
}

TEST(SendGate, KeysWaitFromTheTriggerUntilTheBatchHasComeBack) {
  SendGate gate;
  gate.Queued(100);
  EXPECT_EQ(gate.Judge(false, 101), Verdict::Hold);
  gate.Held();
  ASSERT_TRUE(gate.CanSend());
  gate.Sent(true, 102);
  // Sent, but under way: a key now could overtake the batch's events.
  EXPECT_EQ(gate.Judge(false, 103), Verdict::Hold);
  gate.Held();
  EXPECT_FALSE(gate.CanSend());
  // The marker: the key held meanwhile goes out as a batch of its own.
  EXPECT_TRUE(gate.BatchEnded(104));
  EXPECT_EQ(gate.Judge(false, 105), Verdict::Hold);
  gate.Held();
  gate.Sent(true, 106);
  EXPECT_FALSE(gate.BatchEnded(107));
  EXPECT_EQ(gate.Judge(false, 108), Verdict::Pass);
}

TEST(SendGate, ReplayedKeysPassWhileTheirBatchIsUnderWay) {
  SendGate gate;
  gate.Queued(0);
  gate.Held();
  gate.Sent(true, 1);
  EXPECT_EQ(gate.Judge(true, 2), Verdict::Pass);
  // One of them completed another trigger: the rest of them now wait behind that expansion.
  gate.Queued(3);
  EXPECT_EQ(gate.Judge(true, 4), Verdict::Hold);
  gate.Held();
  // It goes out only once the batch under way has ended.
  EXPECT_FALSE(gate.CanSend());
  EXPECT_TRUE(gate.BatchEnded(5));
  EXPECT_TRUE(gate.CanSend());
  EXPECT_TRUE(gate.HasQueued());
}

TEST(SendGate, AShortSendDoesNotLeaveKeysWaitingForAMarkerThatNeverComes) {
  SendGate gate;
  gate.Queued(0);
  gate.Sent(false, 1);
  EXPECT_EQ(gate.Judge(false, 2), Verdict::Pass);
}

TEST(SendGate, OpensAfterTheLimitAndAsksForWhatIsHeldToGoOut) {
  SendGate gate;
  gate.Queued(1000);
  gate.Held();
  EXPECT_EQ(gate.Judge(false, 1000 + SendGate::HoldLimitMs - 1), Verdict::Hold);
  EXPECT_EQ(gate.Judge(false, 1000 + SendGate::HoldLimitMs), Verdict::PassAndSend);

  SendGate underWay;
  underWay.Queued(0);
  underWay.Sent(true, 0);
  EXPECT_EQ(underWay.Judge(false, SendGate::HoldLimitMs), Verdict::Pass);
  EXPECT_EQ(underWay.Judge(false, SendGate::HoldLimitMs + 1), Verdict::Pass);
}

TEST(SendGate, TheClockMayWrap) {
  SendGate gate;
  gate.Queued(0xFFFFFFF0u);
  EXPECT_EQ(gate.Judge(false, 0x10u), Verdict::Hold);
}

}  // namespace
}  // namespace tarquel
