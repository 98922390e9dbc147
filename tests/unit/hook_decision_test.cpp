#include "engine/hook_decision.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/loopback.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::Loopback;

class HookDecisionTest : public ::testing::Test {
 protected:
  HookDecisionTest() {
    table.Set(":demo", "Hello World");
    table.Set(":bye", "Goodbye");
    // Expansions that end with a trigger, their own or another's.
    table.Set(":x", "a:x");
    table.Set(":loop", "see :demo");
  }

  TriggerTable table;
  Loopback loop{table};
};

TEST_F(HookDecisionTest, KeysTypedWhileAnExpansionWaitsArriveAfterItInOrder) {
  loop.Type("well :demo");
  loop.Pump();
  EXPECT_TRUE(loop.woken);
  // The output thread has not run yet: the keys typed now must not land before the expansion.
  loop.Type("abc");
  loop.Pump();
  EXPECT_EQ(loop.text, "well :dem");
  // The trigger's own key-up waits too, and the keys of "abc".
  EXPECT_EQ(loop.queue().HeldCount(), 7u);

  loop.Settle();
  EXPECT_EQ(loop.text, "well Hello Worldabc");
  EXPECT_TRUE(loop.queue().Idle());
}

TEST_F(HookDecisionTest, KeysArrivingInTheMiddleOfABatchGoOutAfterItsMarker) {
  loop.Type(":demo");
  loop.Pump();
  loop.Type("ab");
  loop.Pump();
  loop.RunOutput();
  // Under Wine the keyboard's events can come between those SendInput queued.
  loop.Pump(5);
  loop.Type("xy", 1);
  loop.Pump(3);
  loop.Type("z", 2);
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello Worldabxyz");
  EXPECT_TRUE(loop.queue().Idle());
}

TEST_F(HookDecisionTest, AStuckOutputThreadNeverLetsAKeyAheadOfTheExpansion) {
  loop.stuck = true;
  loop.Type("so :demo");
  loop.Pump();
  loop.RunOutput();
  loop.Key('K', false);
  loop.Pump();
  // Past the limit no key goes on ahead: the expansion is called off, the trigger stays as
  // typed, and the held keys go out in order, a key-up never before its key-down.
  loop.now += SendQueue::StuckLimitMs;
  loop.Key('K', true);
  loop.Type(" ok");
  loop.Settle();
  EXPECT_EQ(loop.text, "so :demok ok");
  const auto isK = [](const HookKeyEvent& event) { return event.virtualKey == 'K'; };
  const auto down = std::find_if(loop.delivered.begin(), loop.delivered.end(), isK);
  ASSERT_NE(down, loop.delivered.end());
  EXPECT_FALSE(down->release);
  // The output thread comes back: its expansion does not go out after all.
  loop.Unstick();
  loop.Settle();
  EXPECT_EQ(loop.text, "so :demok ok");
  EXPECT_EQ(loop.expansionsSent, 0);
  EXPECT_TRUE(loop.queue().Idle());
}

TEST_F(HookDecisionTest, AClickBeforeTheExpansionWentOutLeavesTheTriggerAndTheKeysAsTyped) {
  loop.Type("so :demo");
  loop.Pump();
  loop.Type("ab");
  loop.Pump();
  // A click in the same millisecond as the trigger counts as before it.
  loop.now += 1;
  loop.Click();
  loop.Type("c");
  loop.Settle();
  EXPECT_EQ(loop.text, "so :demoabc");
  EXPECT_EQ(loop.expansionsSent, 0);
  EXPECT_TRUE(loop.queue().Idle());
}

TEST_F(HookDecisionTest, AFocusEventFromBeforeTheTriggerDoesNotCallItOff) {
  const std::uint32_t focusMoved = loop.now;
  loop.now += 5;
  loop.Type(":demo");
  loop.Pump();
  // Its message waited behind the hook's calls.
  loop.FocusMoved(focusMoved);
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello World");
}

TEST_F(HookDecisionTest, HeldKeysASendCutShortLeftOutGoOutAgainInOrder) {
  loop.Type(":demo");
  loop.Pump();
  loop.Type("ab");
  loop.Pump();
  // The Backspaces and the text (4 and 11 presses), and two held key events of the user's: the
  // trigger's own key-up and "a" going down. The rest goes out in a batch of its own.
  loop.shortSends = {8 + 22 + 2};
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello Worldab");

  loop.Type(" :demo");
  loop.Pump();
  loop.Type("x");
  loop.Pump();
  // The held keys are refused, by the output thread and the rescue path alike (a secure
  // desktop in front): they wait for the next key, which follows them.
  loop.shortSends = {8 + 22, 0, 0};
  loop.RunOutput();
  loop.Pump();
  EXPECT_EQ(loop.text, "Hello Worldab Hello World");
  loop.Type("y");
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello Worldab Hello Worldxy");
  EXPECT_TRUE(loop.queue().Idle());
}

TEST_F(HookDecisionTest, ShiftHeldBehindAnExpansionStillShiftsTheKeyAfterIt) {
  loop.Type(":demo");
  loop.Pump();
  loop.Type("Ab");
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello WorldAb");
}

TEST_F(HookDecisionTest, ASecondTriggerCompletedWhileOneWaitsIsExpandedTooInOrder) {
  // The second trigger's keys are held behind the first expansion and complete it only when
  // they are sent again.
  loop.Type(":demo :bye.");
  loop.Pump();
  EXPECT_EQ(loop.text, ":dem");
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello World Goodbye.");
  EXPECT_EQ(loop.expansionsSent, 2);
  EXPECT_TRUE(loop.queue().Idle());
}

TEST_F(HookDecisionTest, ASecondExpansionQueuedFromElsewhereWaitsForTheFirstBatch) {
  loop.Type(":demo");
  loop.Pump();
  // The search popup queues from the UI thread while the first still waits.
  ExpansionRequest inserted;
  inserted.expansion = "!";
  loop.queue().Queue(inserted, {}, loop.now);
  loop.RunOutput();
  EXPECT_EQ(loop.expansionsSent, 1);
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello World!");
}

TEST_F(HookDecisionTest, AClickBetweenTheKeysKeepsTheTriggerAsTyped) {
  loop.Type(":de");
  loop.Pump();
  loop.Click();
  loop.Type("mo");
  loop.Settle();
  EXPECT_EQ(loop.text, ":demo");
  EXPECT_EQ(loop.expansionsSent, 0);
}

TEST_F(HookDecisionTest, AFocusChangeBetweenTheKeysKeepsTheTriggerAsTyped) {
  loop.Type(":de");
  loop.Pump();
  loop.FocusMoved();
  loop.Type("mo");
  loop.Settle();
  EXPECT_EQ(loop.text, ":demo");
}

TEST_F(HookDecisionTest, AClickAfterTheExpansionEndsTheChanceToTakeItBack) {
  loop.Type(":demo");
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello World");
  loop.Click();
  loop.Press(vk::Back);
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello Worl");
}

TEST_F(HookDecisionTest, BackspaceRightAfterAnExpansionTakesItBack) {
  loop.Type("so :demo");
  loop.Settle();
  ASSERT_EQ(loop.text, "so Hello World");
  loop.Press(vk::Back);
  loop.Settle();
  EXPECT_EQ(loop.text, "so :demo");
  // The trigger typed back is ours: it does not expand again.
  EXPECT_EQ(loop.expansionsSent, 1);
  loop.Press(vk::Back);
  loop.Settle();
  EXPECT_EQ(loop.text, "so :dem");
}

TEST_F(HookDecisionTest, FocusChangeEndsTheChanceToTakeTheExpansionBack) {
  loop.Type(":demo");
  loop.Settle();
  loop.FocusMoved();
  loop.Press(vk::Back);
  loop.Settle();
  EXPECT_EQ(loop.text, "Hello Worl");
}

TEST_F(HookDecisionTest, OwnInjectedEventsPassUnseen) {
  loop.Type(":x");
  loop.Settle();
  // The expansion ends with its own trigger: it expands once.
  EXPECT_EQ(loop.text, "a:x");
  EXPECT_EQ(loop.expansionsSent, 1);
  EXPECT_EQ(loop.expander().TypedBuffer(), "");

  loop.Type(" :loop");
  loop.Settle();
  EXPECT_EQ(loop.text, "a:x see :demo");
  EXPECT_EQ(loop.expansionsSent, 2);
}

TEST_F(HookDecisionTest, TheBatchMarkerNeverReachesTheTarget) {
  loop.Type(":demo");
  loop.Pump();
  loop.Type("q");
  loop.Settle();
  for (const HookKeyEvent& event : loop.delivered) EXPECT_NE(event.virtualKey, MaskKey);
}

TEST_F(HookDecisionTest, WithoutAnExpanderEveryKeyPasses) {
  SendQueue queue;
  HookDecision decision(nullptr, queue);
  const HookVerdict verdict = decision.OnKey({'A', 0, false, false, KeyOrigin::User}, 0);
  EXPECT_FALSE(verdict.swallow);
  EXPECT_FALSE(verdict.wakeOutput);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
