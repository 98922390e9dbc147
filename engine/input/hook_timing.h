#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarquel {

// How long the keyboard hook worked on each key-down, for the diagnostics build that reports
// it at exit. Recording only stores a number into a fixed array: no allocation, no I/O, no
// lock (the hook runs on the program's one thread). Past Capacity key-downs the newest
// overwrite the oldest.
class HookTimings {
 public:
  static constexpr std::size_t Capacity = std::size_t{1} << 16;

  void Record(std::uint64_t ticks) {
    samples_[count_ % Capacity] = ticks;
    ++count_;
  }

  std::uint64_t Count() const { return count_; }

  // "Hook timing: key-downs=N timed=T p50_us=A p99_us=B max_us=C\n" (nearest-rank
  // percentiles of the timed key-downs), or "Hook timing: key-downs=0\n".
  std::string Summary(std::uint64_t ticksPerSecond) const;

 private:
  std::array<std::uint64_t, Capacity> samples_{};
  std::uint64_t count_ = 0;
};

}  // namespace tarquel
