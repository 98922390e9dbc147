#include "ui/main_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

bool Overlap(const LayoutRect& a, const LayoutRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(MainLayout, TabGoesFromTheSearchAndGroupThroughListFieldsOptionsButtonsToTheStartupBox) {
  std::vector<MainControl> stops;
  for (const ControlPlace& place : MainControlPlaces()) {
    if (place.tabStop) stops.push_back(place.control);
  }
  EXPECT_EQ(stops, (std::vector<MainControl>{
                       MainControl::Search, MainControl::GroupFilter, MainControl::GroupOnCheck,
                       MainControl::OnlyIn, MainControl::NotIn, MainControl::List,
                       MainControl::Trigger, MainControl::Expansion, MainControl::When,
                       MainControl::Where, MainControl::Case, MainControl::Group, MainControl::Add,
                       MainControl::Delete, MainControl::Setting, MainControl::StartupCheck}));
}

TEST(MainLayout, TheOptionsLieUnderTheTriggerFieldAndBesideTheExpansion) {
  const LayoutRect trigger = PlaceOf(MainControl::Trigger).rect;
  const LayoutRect expansion = ExpansionFrame;
  int above = TriggerFrame.bottom;
  for (MainControl box :
       {MainControl::When, MainControl::Where, MainControl::Case, MainControl::Group}) {
    const LayoutRect rect = PlaceOf(box).rect;
    EXPECT_TRUE(IsDropDown(box));
    EXPECT_GE(rect.top, above) << static_cast<int>(box);
    EXPECT_LE(rect.right, expansion.left);
    EXPECT_GE(rect.right, trigger.right);
    // Tall enough for a line of the controls' text and its frame.
    EXPECT_GE(rect.Height(), 22);
    above = rect.bottom;
  }
  // The group filter sits above the list, with the chosen group's settings beside it.
  const LayoutRect list = PlaceOf(MainControl::List).rect;
  for (MainControl control : {MainControl::GroupFilter, MainControl::GroupOnCheck,
                              MainControl::OnlyIn, MainControl::NotIn}) {
    EXPECT_LE(PlaceOf(control).rect.bottom, list.top) << static_cast<int>(control);
    EXPECT_GE(PlaceOf(control).rect.top, SearchFrame.bottom) << static_cast<int>(control);
  }
}

TEST(MainLayout, APaintedFrameRunsUnderNoControlButItsOwnField) {
  const std::pair<LayoutRect, MainControl> frames[] = {{SearchFrame, MainControl::Search},
                                                       {OnlyInFrame, MainControl::OnlyIn},
                                                       {NotInFrame, MainControl::NotIn},
                                                       {TriggerFrame, MainControl::Trigger},
                                                       {ExpansionFrame, MainControl::Expansion}};
  ASSERT_EQ(std::size(frames), FieldFrames.size());
  for (const auto& [frame, field] : frames) {
    for (const ControlPlace& place : MainControlPlaces()) {
      if (place.control == field) continue;
      EXPECT_FALSE(Overlap(frame, place.rect))
          << static_cast<int>(field) << " and " << static_cast<int>(place.control);
    }
  }
}

TEST(MainLayout, EveryPlaceIsListedOnceUnderItsOwnName) {
  for (std::size_t i = 0; i < MainControlCount; ++i) {
    EXPECT_EQ(static_cast<std::size_t>(MainControlPlaces()[i].control), i);
    EXPECT_EQ(&PlaceOf(static_cast<MainControl>(i)), &MainControlPlaces()[i]);
  }
}

TEST(MainLayout, CaptionsComeRightBeforeTheirFieldsSoScreenReadersNameThem) {
  const auto& places = MainControlPlaces();
  for (auto [caption, field] : {std::pair{MainControl::SearchCaption, MainControl::Search},
                                std::pair{MainControl::FilterCaption, MainControl::GroupFilter},
                                std::pair{MainControl::OnlyInCaption, MainControl::OnlyIn},
                                std::pair{MainControl::NotInCaption, MainControl::NotIn},
                                std::pair{MainControl::TriggerCaption, MainControl::Trigger},
                                std::pair{MainControl::ExpansionCaption, MainControl::Expansion},
                                std::pair{MainControl::WhenCaption, MainControl::When},
                                std::pair{MainControl::WhereCaption, MainControl::Where},
                                std::pair{MainControl::CaseCaption, MainControl::Case},
                                std::pair{MainControl::GroupCaption, MainControl::Group}}) {
    const auto at = static_cast<std::size_t>(field);
    ASSERT_GT(at, 0u);
    EXPECT_EQ(places[at - 1].control, caption);
    EXPECT_TRUE(IsCaption(caption));
    EXPECT_FALSE(places[at - 1].tabStop);
  }
  std::size_t captions = 0;
  for (const ControlPlace& place : places) captions += IsCaption(place.control) ? 1 : 0;
  EXPECT_EQ(captions, 10u);
}

TEST(MainLayout, NoTwoControlsOverlapAndAllLieInTheBodyAtEveryScale) {
  for (int dpi : {96, 120, 144, 168, 192, 288}) {
    const LayoutRect window{0, 0, ScaleToDpi(LayoutWidth, dpi), ScaleToDpi(LayoutHeight, dpi)};
    const int header = ScaleToDpi(HeaderBand.bottom, dpi);
    const auto& places = MainControlPlaces();
    for (std::size_t i = 0; i < places.size(); ++i) {
      const LayoutRect a = ScaleToDpi(places[i].rect, dpi);
      EXPECT_GT(a.Width(), 0);
      EXPECT_GT(a.Height(), 0);
      EXPECT_GE(a.top, header) << i << " at " << dpi;
      EXPECT_LE(a.right, window.right) << i << " at " << dpi;
      EXPECT_LE(a.bottom, window.bottom) << i << " at " << dpi;
      for (std::size_t j = i + 1; j < places.size(); ++j) {
        EXPECT_FALSE(Overlap(a, ScaleToDpi(places[j].rect, dpi)))
            << i << " and " << j << " at " << dpi;
      }
    }
  }
}

TEST(MainLayout, EachFieldLiesInsideItsPaintedFrame) {
  for (auto [field, frame] :
       {std::pair{MainControl::Search, SearchFrame}, std::pair{MainControl::OnlyIn, OnlyInFrame},
        std::pair{MainControl::NotIn, NotInFrame}, std::pair{MainControl::Trigger, TriggerFrame},
        std::pair{MainControl::Expansion, ExpansionFrame}}) {
    const LayoutRect rect = PlaceOf(field).rect;
    EXPECT_GE(rect.left, frame.left);
    EXPECT_GE(rect.top, frame.top);
    EXPECT_LE(rect.right, frame.right);
    EXPECT_LE(rect.bottom, frame.bottom);
  }
}

TEST(ScaleToDpi, RoundsHalfAwayFromZeroAsMulDivDoes) {
  EXPECT_EQ(ScaleToDpi(800, 96), 800);
  EXPECT_EQ(ScaleToDpi(800, 144), 1200);
  EXPECT_EQ(ScaleToDpi(15, 120), 19);  // 18.75
  EXPECT_EQ(ScaleToDpi(2, 120), 3);    // 2.5
  EXPECT_EQ(ScaleToDpi(-2, 120), -3);
  EXPECT_EQ(ScaleToDpi(1, 144), 2);  // 1.5
  EXPECT_EQ(ScaleToDpi(LayoutRect{30, 136, 770, 300}, 192), (LayoutRect{60, 272, 1540, 600}));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
