#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarquel {

// Lines of settings.txt that the update check keeps for itself.
inline constexpr std::string_view LastUpdateCheckKey = "update_last_check";
inline constexpr std::string_view SkippedVersionKey = "update_skip_version";
// "update_check=off" (or false, no, 0) stops the daily check; "Check now" still asks.
inline constexpr std::string_view UpdateCheckKey = "update_check";

// The maker's server is asked at most once in this long.
inline constexpr std::int64_t UpdateCheckIntervalSeconds = 24 * 60 * 60;

// What earlier runs learnt. Times are seconds since 1970 (UTC), as the system clock gives them.
struct UpdateState {
  std::optional<std::int64_t> lastCheck;
  // The version the user chose to skip; empty when none.
  std::string skippedVersion;
};

struct Settings;

// Reads the two lines from settings.txt as loaded; a time that is not a plain number counts as
// no time, so a damaged line asks again rather than never.
UpdateState ParseUpdateState(const Settings& settings);

// Whether the daily check is on: no update_check= line, or one that does not say off.
bool IsUpdateCheckOn(const Settings& settings);

// True when no check is known, a day has passed since the last one, or the clock now stands
// before it (set back by hand or by a dead battery): a clock that went back must not stop the
// checks for as long as it is wrong.
bool IsUpdateCheckDue(const UpdateState& state, std::int64_t now);

// The published version is worth a prompt: newer than ours, and not a version the user skipped
// (nor older than it).
bool ShouldOfferVersion(const UpdateState& state, std::string_view published,
                        std::string_view ours);

}  // namespace tarquel
