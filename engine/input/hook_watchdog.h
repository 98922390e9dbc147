#pragma once

#include <cstdint>

namespace tarquel {

// Windows removes a low-level hook without a word when one callback overruns the system's
// time-out, and from then on nothing would expand. The watchdog notices input that the hook
// never saw and asks for the hook to be installed again.
//
// Times are 32-bit millisecond ticks (GetTickCount, GetLastInputInfo, the hook event's own
// time) and are compared by their wrapping difference, so the 49.7-day wrap does no harm.
// The system's last-input time also counts the mouse, so a long stretch of mouse-only use
// looks the same as a lost hook; reinstalling a healthy hook is harmless, and the back-off
// keeps it rare until a key shows the hook alive again.
class HookWatchdog {
 public:
  static constexpr std::uint32_t DefaultSilenceLimitMs = 5000;
  static constexpr std::uint32_t MaxBackoffMs = 5 * 60 * 1000;

  explicit HookWatchdog(std::uint32_t nowMs, std::uint32_t silenceLimitMs = DefaultSilenceLimitMs);

  // From the hook: it is alive. One store, nothing more.
  void OnHookEvent(std::uint32_t eventMs) {
    lastHookEventMs_ = eventMs;
    backoffMs_ = silenceLimitMs_;
    seenEvent_ = true;
  }

  bool HasSeenEvent() const { return seenEvent_; }

  // From a timer: true when input newer than the hook's last event by more than the limit
  // arrived, and the back-off since the last reinstall has passed.
  bool ShouldReinstall(std::uint32_t nowMs, std::uint32_t lastInputMs);

 private:
  static std::int32_t Since(std::uint32_t later, std::uint32_t earlier) {
    return static_cast<std::int32_t>(later - earlier);
  }

  std::uint32_t silenceLimitMs_;
  std::uint32_t lastHookEventMs_;
  std::uint32_t backoffMs_;
  std::uint32_t nextAllowedMs_;
  bool seenEvent_ = false;
};

}  // namespace tarquel
