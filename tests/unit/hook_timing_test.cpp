#include "engine/input/hook_timing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

// QueryPerformanceFrequency's usual value: one tick is 0.1 microseconds.
constexpr std::uint64_t TicksPerSecond = 10'000'000;

// 512 KB of samples: kept off the stack.
std::unique_ptr<HookTimings> Timings() {
  return std::make_unique<HookTimings>();
}

TEST(HookTimings, SummaryOfNoKeyDownsSaysSo) {
  EXPECT_EQ(Timings()->Summary(TicksPerSecond), "Hook timing: key-downs=0\n");
}

TEST(HookTimings, OneKeyDownIsItsOwnMedianAndMaximum) {
  auto timings = Timings();
  timings->Record(25);
  EXPECT_EQ(timings->Summary(TicksPerSecond),
            "Hook timing: key-downs=1 timed=1 p50_us=2.5 p99_us=2.5 max_us=2.5\n");
}

TEST(HookTimings, PercentilesAreNearestRankWhateverTheOrder) {
  std::vector<std::uint64_t> ticks;
  for (std::uint64_t t = 1; t <= 200; ++t) ticks.push_back(t * 10);
  std::shuffle(ticks.begin(), ticks.end(), std::mt19937(3));
  auto timings = Timings();
  for (std::uint64_t t : ticks) timings->Record(t);
  // 200 samples: the median is the 100th smallest, the 99th percentile the 198th.
  EXPECT_EQ(timings->Summary(TicksPerSecond),
            "Hook timing: key-downs=200 timed=200 p50_us=100.0 p99_us=198.0 max_us=200.0\n");
}

TEST(HookTimings, OnlyTheNewestKeyDownsAreKeptPastCapacity) {
  auto timings = Timings();
  for (std::size_t i = 0; i < HookTimings::Capacity; ++i) timings->Record(1000);
  for (std::size_t i = 0; i < HookTimings::Capacity - 1; ++i) timings->Record(20);
  timings->Record(30);
  EXPECT_EQ(timings->Count(), 2 * HookTimings::Capacity);
  EXPECT_EQ(timings->Summary(TicksPerSecond),
            "Hook timing: key-downs=131072 timed=65536 p50_us=2.0 p99_us=2.0 max_us=3.0\n");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
