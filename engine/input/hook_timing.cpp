#include "engine/input/hook_timing.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tarquel {

std::string HookTimings::Summary(std::uint64_t ticksPerSecond) const {
  const std::size_t timed = static_cast<std::size_t>(std::min<std::uint64_t>(count_, Capacity));
  if (timed == 0 || ticksPerSecond == 0) {
    return "Hook timing: key-downs=" + std::to_string(count_) + "\n";
  }
  std::vector<std::uint64_t> sorted(samples_.begin(), samples_.begin() + timed);
  std::sort(sorted.begin(), sorted.end());
  // Nearest rank: the smallest sample with at least p percent of the samples at or below it.
  auto percentile = [&](std::size_t p) { return sorted[(timed * p + 99) / 100 - 1]; };
  auto micros = [&](std::uint64_t ticks) {
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(ticksPerSecond);
  };
  char line[160];
  std::snprintf(line, sizeof line,
                "Hook timing: key-downs=%llu timed=%zu p50_us=%.1f p99_us=%.1f max_us=%.1f\n",
                static_cast<unsigned long long>(count_), timed, micros(percentile(50)),
                micros(percentile(99)), micros(sorted.back()));
  return line;
}

}  // namespace tarquel
