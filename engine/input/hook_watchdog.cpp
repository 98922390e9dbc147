#include "engine/input/hook_watchdog.h"

#include <algorithm>

namespace tarquel {

HookWatchdog::HookWatchdog(std::uint32_t nowMs, std::uint32_t silenceLimitMs)
    : silenceLimitMs_(silenceLimitMs),
      lastHookEventMs_(nowMs),
      backoffMs_(silenceLimitMs),
      nextAllowedMs_(nowMs) {}

bool HookWatchdog::ShouldReinstall(std::uint32_t nowMs, std::uint32_t lastInputMs) {
  if (Since(lastInputMs, lastHookEventMs_) <= static_cast<std::int32_t>(silenceLimitMs_)) {
    return false;
  }
  if (Since(nowMs, nextAllowedMs_) < 0) return false;
  nextAllowedMs_ = nowMs + backoffMs_;
  backoffMs_ = std::min(backoffMs_ * 2, MaxBackoffMs);
  return true;
}

}  // namespace tarquel
