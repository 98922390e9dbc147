#include "store/watch_recovery.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(WatchRecovery, SaysTheLossOnceASpellWhilePausesGrowToTheLongest) {
  WatchRecovery recovery;
  std::vector<std::uint32_t> pauses;
  int said = 0;
  for (int i = 0; i < 10; ++i) {
    const WatchRecovery::Pause pause = recovery.Failed();
    pauses.push_back(pause.ms);
    said += pause.say ? 1 : 0;
  }
  EXPECT_EQ(said, 1);
  EXPECT_EQ(pauses, (std::vector<std::uint32_t>{500, 1000, 2000, 4000, 8000, 16000, 30000, 30000,
                                                30000, 30000}));
}

TEST(WatchRecovery, WatchedAgainSaysSoOnlyAfterALossWasSaid) {
  WatchRecovery recovery;
  // Opened at once: nothing was said, nothing to take back.
  EXPECT_FALSE(recovery.Watching());
  recovery.Failed();
  recovery.Failed();
  EXPECT_TRUE(recovery.Watching());
  EXPECT_FALSE(recovery.Watching());
}

TEST(WatchRecovery, ANewSpellStartsSoonAndIsSaidAgain) {
  WatchRecovery recovery;
  for (int i = 0; i < 8; ++i) recovery.Failed();
  recovery.Watching();
  const WatchRecovery::Pause pause = recovery.Failed();
  // A folder that went away once is looked for soon again, not after the longest pause.
  EXPECT_EQ(pause.ms, WatchRecovery::FirstPauseMs);
  EXPECT_TRUE(pause.say);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
