#include "ui/search_popup.h"
#include "settings/search_shortcut.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

const ScreenRect Screen{0, 0, 1280, 1000};

struct PlaceCase {
  const char* name;
  ScreenRect anchor;
  ScreenRect placed;
};

class SearchPopupPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(SearchPopupPlacement, StaysOnTheMonitorNearTheAnchor) {
  EXPECT_EQ(PlaceSearchPopup(GetParam().anchor, 400, 300, Screen), GetParam().placed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SearchPopupPlacement,
    ::testing::Values(
        PlaceCase{"BelowTheCaret", {100, 100, 102, 118}, {100, 122, 500, 422}},
        PlaceCase{"AboveWhenNoRoomBelow", {100, 900, 102, 918}, {100, 596, 500, 896}},
        PlaceCase{"PulledInFromTheRightEdge", {1200, 100, 1202, 118}, {880, 122, 1280, 422}},
        PlaceCase{"MousePointAsAnEmptyRectangle", {50, 50, 50, 50}, {50, 54, 450, 354}},
        PlaceCase{"AnchorLeftOfTheMonitorIsPulledIn", {-300, 10, -298, 28}, {0, 32, 400, 332}}),
    [](const auto& info) { return info.param.name; });

TEST(SearchPopupPlacement, SecondMonitorOnTheLeftKeepsNegativeCoordinates) {
  ScreenRect left{-1920, 0, 0, 1080};
  EXPECT_EQ(PlaceSearchPopup({-50, 500, -48, 518}, 400, 300, left),
            (ScreenRect{-400, 522, 0, 822}));
}

TEST(SearchPopupPlacement, PopupLargerThanTheWorkAreaShrinksToIt) {
  EXPECT_EQ(PlaceSearchPopup({10, 10, 12, 28}, 2000, 2000, Screen), Screen);
}

std::vector<std::string> Triggers(const std::vector<const TriggerTable::Entry*>& entries) {
  std::vector<std::string> triggers;
  for (const auto* entry : entries) triggers.push_back(entry->first);
  return triggers;
}

TEST(FilterTriggers, FindsTriggerOrExpansionIgnoringCase) {
  TriggerTable table;
  table.Set(":demo", "Hello World");
  table.Set(":mail", "someone@example.com");
  table.Set(":sig", "Best wishes, MAIL room");
  EXPECT_EQ(Triggers(FilterTriggers(table, "MAIL", 10)),
            (std::vector<std::string>{":mail", ":sig"}));
  EXPECT_EQ(Triggers(FilterTriggers(table, "world", 10)), (std::vector<std::string>{":demo"}));
  EXPECT_EQ(Triggers(FilterTriggers(table, "", 2)), (std::vector<std::string>{":demo", ":mail"}));
  EXPECT_TRUE(FilterTriggers(table, "nothing", 10).empty());
}

TEST(RefocusWatch, TheTargetMustStayInFrontBeforeTheTextGoes) {
  RefocusWatch watch;
  EXPECT_EQ(watch.Next(ForegroundIs::Target), RefocusStep::Wait);
  // A late activation of another of our windows: asked away, and the count starts again.
  EXPECT_EQ(watch.Next(ForegroundIs::Ours), RefocusStep::AskAgain);
  EXPECT_EQ(watch.Next(ForegroundIs::Nothing), RefocusStep::AskAgain);
  for (int tick = 1; tick < RefocusWatch::SteadyTicks; ++tick) {
    EXPECT_EQ(watch.Next(ForegroundIs::Target), RefocusStep::Wait);
  }
  EXPECT_EQ(watch.Next(ForegroundIs::Target), RefocusStep::Arrived);
}

TEST(RefocusWatch, AnotherProgramOrAClosedTargetEndsTheWait) {
  RefocusWatch elsewhere;
  EXPECT_EQ(elsewhere.Next(ForegroundIs::Target), RefocusStep::Wait);
  EXPECT_EQ(elsewhere.Next(ForegroundIs::Other), RefocusStep::GiveUp);
  RefocusWatch closed;
  EXPECT_EQ(closed.Next(ForegroundIs::TargetGone), RefocusStep::GiveUp);
}

TEST(RefocusWatch, ATargetThatNeverStaysIsGivenUpInTime) {
  RefocusWatch watch;
  RefocusStep step = RefocusStep::Wait;
  int ticks = 0;
  while (step != RefocusStep::GiveUp && ticks < 1000) {
    step = watch.Next(ticks % 2 == 0 ? ForegroundIs::Target : ForegroundIs::Ours);
    ASSERT_NE(step, RefocusStep::Arrived);
    ++ticks;
  }
  EXPECT_EQ(ticks, RefocusWatch::MaxTicks);
}

TEST(SearchShortcut, DefaultsUnlessSettingsNameAnotherKey) {
  EXPECT_EQ(SearchShortcut(ParseSettingsText("")), DefaultSearchShortcut);
  EXPECT_EQ(SearchShortcut(ParseSettingsText("search_shortcut=Alt+F9\r\n")), (Shortcut{1, 0x78}));
  // Unreadable, or the toggle's own: the default, or one press would do two things.
  EXPECT_EQ(SearchShortcut(ParseSettingsText("search_shortcut=Ctrl+Nothing\r\n")),
            DefaultSearchShortcut);
  EXPECT_EQ(
      SearchShortcut(ParseSettingsText("toggle_shortcut=Alt+F9\r\nsearch_shortcut=Alt+F9\r\n")),
      DefaultSearchShortcut);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
