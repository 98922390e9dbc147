#include "engine/input/hook_watchdog.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

constexpr std::uint32_t Limit = 5000;

TEST(HookWatchdog, StaysQuietWhileTheHookSeesTheInput) {
  HookWatchdog watchdog(0, Limit);
  for (std::uint32_t t = 1000; t < 60000; t += 1000) {
    watchdog.OnHookEvent(t);
    EXPECT_FALSE(watchdog.ShouldReinstall(t + 500, t));
  }
}

TEST(HookWatchdog, StaysQuietWhenNothingIsTyped) {
  HookWatchdog watchdog(0, Limit);
  watchdog.OnHookEvent(1000);
  // No input since the hook's last event, however long the pause.
  EXPECT_FALSE(watchdog.ShouldReinstall(600000, 1000));
}

TEST(HookWatchdog, InputWithinTheLimitOfTheLastHookEventIsNotAlarming) {
  HookWatchdog watchdog(0, Limit);
  watchdog.OnHookEvent(1000);
  EXPECT_FALSE(watchdog.ShouldReinstall(7000, 1000 + Limit));
}

TEST(HookWatchdog, AsksForReinstallWhenInputOutrunsTheHook) {
  HookWatchdog watchdog(0, Limit);
  watchdog.OnHookEvent(1000);
  EXPECT_TRUE(watchdog.ShouldReinstall(7000, 1000 + Limit + 1));
}

TEST(HookWatchdog, BacksOffBetweenReinstallsUntilTheHookIsSeenAgain) {
  HookWatchdog watchdog(0, Limit);
  watchdog.OnHookEvent(0);
  std::uint32_t now = 10000;
  ASSERT_TRUE(watchdog.ShouldReinstall(now, now));
  // Input keeps coming and the hook stays silent: next attempts after 5 s, then 10 s, 20 s.
  EXPECT_FALSE(watchdog.ShouldReinstall(now + Limit - 1, now + Limit - 1));
  EXPECT_TRUE(watchdog.ShouldReinstall(now + Limit, now + Limit));
  now += Limit;
  EXPECT_FALSE(watchdog.ShouldReinstall(now + 2 * Limit - 1, now + 2 * Limit - 1));
  EXPECT_TRUE(watchdog.ShouldReinstall(now + 2 * Limit, now + 2 * Limit));
  now += 2 * Limit;

  // A key reaches the hook: the back-off starts from the beginning.
  watchdog.OnHookEvent(now + 100);
  EXPECT_FALSE(watchdog.ShouldReinstall(now + 200, now + 150));
  EXPECT_TRUE(watchdog.ShouldReinstall(now + 20000, now + 20000));
  EXPECT_TRUE(watchdog.ShouldReinstall(now + 20000 + Limit, now + 20000 + Limit));
}

TEST(HookWatchdog, BackoffIsCapped) {
  HookWatchdog watchdog(0, Limit);
  std::uint32_t now = 10000;
  std::uint32_t lastGap = 0;
  std::uint32_t lastReinstall = 0;
  for (int i = 0; i < 2000; ++i, now += 1000) {
    if (watchdog.ShouldReinstall(now, now)) {
      if (lastReinstall != 0) lastGap = now - lastReinstall;
      lastReinstall = now;
    }
  }
  EXPECT_EQ(lastGap, HookWatchdog::MaxBackoffMs);
}

TEST(HookWatchdog, SurvivesTheTickCounterWrapping) {
  const std::uint32_t nearWrap = 0xFFFFFFFFu - 2000;
  HookWatchdog watchdog(nearWrap, Limit);
  watchdog.OnHookEvent(nearWrap);
  // 3 s later the counter has wrapped; input at the same moment is within the limit.
  EXPECT_FALSE(watchdog.ShouldReinstall(nearWrap + 3000, nearWrap + 3000));
  EXPECT_TRUE(watchdog.ShouldReinstall(nearWrap + 9000, nearWrap + 9000));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
