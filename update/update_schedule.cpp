#include "update/update_schedule.h"

#include "settings/settings_file.h"
#include "update/version_number.h"

namespace tarquel {

namespace {

std::optional<std::int64_t> ParseSeconds(std::string_view text) {
  // 18 digits: any time this program will see, and no overflow.
  if (text.empty() || text.size() > 18) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

bool IsUpdateCheckOn(const Settings& settings) {
  const std::optional<std::string> value = SettingsValue(settings, UpdateCheckKey);
  if (!value) return true;
  for (std::string_view off : {"off", "OFF", "Off", "false", "no", "0"}) {
    if (*value == off) return false;
  }
  return true;
}

UpdateState ParseUpdateState(const Settings& settings) {
  UpdateState state;
  if (std::optional<std::string> last = SettingsValue(settings, LastUpdateCheckKey)) {
    state.lastCheck = ParseSeconds(*last);
  }
  if (std::optional<std::string> skipped = SettingsValue(settings, SkippedVersionKey)) {
    state.skippedVersion = std::move(*skipped);
  }
  return state;
}

bool IsUpdateCheckDue(const UpdateState& state, std::int64_t now) {
  if (!state.lastCheck) return true;
  if (now < *state.lastCheck) return true;
  return now - *state.lastCheck >= UpdateCheckIntervalSeconds;
}

bool ShouldOfferVersion(const UpdateState& state, std::string_view published,
                        std::string_view ours) {
  if (!IsNewerVersion(published, ours)) return false;
  if (!ParseVersionNumber(state.skippedVersion)) return true;
  return IsNewerVersion(published, state.skippedVersion);
}

}  // namespace tarquel
