#include "ui/main_layout.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarquel {
namespace {

bool Overlap(const LayoutRect& a, const LayoutRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(MainLayout, TabGoesFromTheSearchThroughListFieldsButtonsToTheStartupBox) {
  std::vector<MainControl> stops;
  for (const ControlPlace& place : MainControlPlaces()) {
    if (place.tabStop) stops.push_back(place.control);
  }
  EXPECT_EQ(stops, (std::vector<MainControl>{
                       MainControl::Search, MainControl::List, MainControl::Trigger,
                       MainControl::Expansion, MainControl::Add, MainControl::Delete,
                       MainControl::Setting, MainControl::SearchKey, MainControl::StartupCheck}));
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
                                std::pair{MainControl::TriggerCaption, MainControl::Trigger},
                                std::pair{MainControl::ExpansionCaption, MainControl::Expansion}}) {
    const auto at = static_cast<std::size_t>(field);
    ASSERT_GT(at, 0u);
    EXPECT_EQ(places[at - 1].control, caption);
    EXPECT_FALSE(places[at - 1].tabStop);
  }
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
       {std::pair{MainControl::Search, SearchFrame}, std::pair{MainControl::Trigger, TriggerFrame},
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
  EXPECT_EQ(ScaleToDpi(LayoutRect{30, 100, 770, 336}, 192), (LayoutRect{60, 200, 1540, 672}));
}

}  // namespace
}  // namespace tarquel
