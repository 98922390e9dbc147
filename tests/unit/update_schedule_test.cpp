#include "update/update_schedule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "settings/settings_file.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

// A clock the test sets by hand: seconds since 1970.
class FakeClock {
 public:
  explicit FakeClock(std::int64_t now) : now_(now) {}
  std::int64_t Now() const { return now_; }
  void Advance(std::int64_t seconds) { now_ += seconds; }

 private:
  std::int64_t now_;
};

constexpr std::int64_t Hour = 60 * 60;
constexpr std::int64_t Monday = 1'800'000'000;

TEST(IsUpdateCheckDue, FirstStartChecks) {
  EXPECT_TRUE(IsUpdateCheckDue(UpdateState{}, Monday));
}

TEST(IsUpdateCheckDue, ChecksAtMostOnceADay) {
  FakeClock clock(Monday);
  UpdateState state;
  state.lastCheck = clock.Now();
  clock.Advance(1);
  EXPECT_FALSE(IsUpdateCheckDue(state, clock.Now()));
  clock.Advance(23 * Hour);
  EXPECT_FALSE(IsUpdateCheckDue(state, clock.Now()));
  clock.Advance(Hour - 2);
  EXPECT_FALSE(IsUpdateCheckDue(state, clock.Now()));  // one second short of a day
  clock.Advance(1);
  EXPECT_TRUE(IsUpdateCheckDue(state, clock.Now()));
  clock.Advance(30 * 24 * Hour);
  EXPECT_TRUE(IsUpdateCheckDue(state, clock.Now()));
}

TEST(IsUpdateCheckDue, AClockSetBackChecksRatherThanWaitForIt) {
  FakeClock clock(Monday);
  UpdateState state;
  state.lastCheck = clock.Now();
  clock.Advance(-Hour);
  EXPECT_TRUE(IsUpdateCheckDue(state, clock.Now()));
}

TEST(IsUpdateCheckDue, ARecordedCheckWrittenAndReadBackCounts) {
  FakeClock clock(Monday);
  Settings settings = ParseSettingsText("toggle_shortcut=Alt+Q\r\n");
  SetSettingsValue(settings, LastUpdateCheckKey, std::to_string(clock.Now()));
  const Settings reread =
      ParseSettingsText(FormatSettingsText(settings.shortcutText, settings.otherLines));
  clock.Advance(2 * Hour);
  EXPECT_FALSE(IsUpdateCheckDue(ParseUpdateState(reread), clock.Now()));
  clock.Advance(24 * Hour);
  EXPECT_TRUE(IsUpdateCheckDue(ParseUpdateState(reread), clock.Now()));
  EXPECT_EQ(reread.shortcutText, "Alt+Q");
}

TEST(ParseUpdateState, ADamagedTimeCountsAsNone) {
  for (const char* value :
       {"", "yesterday", "-5", "12x", "1800000000.5", "99999999999999999999999"}) {
    UpdateState state =
        ParseUpdateState(ParseSettingsText(std::string(LastUpdateCheckKey) + "=" + value + "\r\n"));
    EXPECT_FALSE(state.lastCheck.has_value()) << value;
    EXPECT_TRUE(IsUpdateCheckDue(state, Monday)) << value;
  }
}

TEST(ParseUpdateState, ReadsTheTimeAndTheSkippedVersionAmongOtherLines) {
  UpdateState state = ParseUpdateState(ParseSettingsText(
      "exclude=notepad.exe\r\nupdate_last_check=1800000000\r\ntoggle_shortcut=Alt+Q\r\n"
      "update_skip_version=1.0.3\r\n"));
  EXPECT_EQ(state.lastCheck, 1800000000);
  EXPECT_EQ(state.skippedVersion, "1.0.3");
}

TEST(ShouldOfferVersion, OffersOnlyANewerVersionThatWasNotSkipped) {
  UpdateState none;
  EXPECT_TRUE(ShouldOfferVersion(none, "1.0.1", "1.0.0"));
  EXPECT_FALSE(ShouldOfferVersion(none, "1.0.0", "1.0.0"));
  EXPECT_FALSE(ShouldOfferVersion(none, "0.9.0", "1.0.0"));
  EXPECT_FALSE(ShouldOfferVersion(none, "<html>", "1.0.0"));

  UpdateState skipped;
  skipped.skippedVersion = "1.0.1";
  EXPECT_FALSE(ShouldOfferVersion(skipped, "1.0.1", "1.0.0"));
  EXPECT_FALSE(ShouldOfferVersion(skipped, "1.0.01", "1.0.0"));  // the same number
  EXPECT_TRUE(ShouldOfferVersion(skipped, "1.0.2", "1.0.0"));
}

TEST(ShouldOfferVersion, AGarbledSkippedVersionSkipsNothing) {
  UpdateState state;
  state.skippedVersion = "whatever";
  EXPECT_TRUE(ShouldOfferVersion(state, "1.0.1", "1.0.0"));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
