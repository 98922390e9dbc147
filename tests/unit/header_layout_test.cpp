// The header's places from measured text sizes, the mouse's corners and the controls' places,
// at the scales Windows offers: 100 %, 125 %, 150 % and 200 %.
#include "ui/header_layout.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

constexpr int Scales[] = {96, 120, 144, 192};

bool Overlap(const LayoutRect& a, const LayoutRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const LayoutRect& inner, const LayoutRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Describe(const LayoutRect& r) {
  std::ostringstream text;
  text << '{' << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << '}';
  return text.str();
}

// Text sizes near what Segoe UI gives at 96 DPI (Wine's stand-in is a little wider), grown
// with the scale and by `extra` per mille, as a font's hinting does at other sizes.
HeaderExtents ExtentsAt(int dpi, int extra = 0, int hintWidth = 90) {
  auto s = [&](int length) { return ScaleToDpi(length, dpi) * (1000 + extra) / 1000; };
  return {{s(84), s(29)},        {s(38), s(19)}, {s(20), s(17)},
          {s(hintWidth), s(15)}, {s(10), s(19)}, {s(150), s(15)}};
}

std::vector<std::pair<const char*, LayoutRect>> Parts(const HeaderPlaces& p) {
  return {{"title", p.title},           {"version", p.version}, {"dot", p.dot},
          {"state", p.state},           {"hint", p.hint},       {"close mark", p.closeMark},
          {"search hint", p.searchHint}};
}

TEST(PlaceHeader, NoTwoPartsOverlapAndAllLieInTheBandAtEveryScale) {
  for (int dpi : Scales) {
    for (int extra : {0, 150, 400}) {
      const int width = MainWidthAt(dpi);
      const HeaderPlaces places = PlaceHeader(ExtentsAt(dpi, extra), width, dpi);
      const LayoutRect band = ScaleToDpi(HeaderBand, dpi);
      const auto parts = Parts(places);
      for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_TRUE(Inside(parts[i].second, band))
            << parts[i].first << " " << Describe(parts[i].second) << " at " << dpi;
        for (std::size_t j = i + 1; j < parts.size(); ++j) {
          EXPECT_FALSE(Overlap(parts[i].second, parts[j].second))
              << parts[i].first << " and " << parts[j].first << " at " << dpi << " dpi, +" << extra;
        }
      }
    }
  }
}

TEST(PlaceHeader, PartsFollowEachOtherLeftToRightWithGaps) {
  for (int dpi : Scales) {
    const HeaderPlaces p = PlaceHeader(ExtentsAt(dpi), MainWidthAt(dpi), dpi);
    EXPECT_EQ(p.title.left, ScaleToDpi(24, dpi));
    EXPECT_GT(p.version.left, p.title.right);
    EXPECT_GT(p.dot.left, p.version.right);
    EXPECT_GT(p.state.left, p.dot.right);
    EXPECT_GT(p.hint.left, p.state.right);
    EXPECT_GT(p.closeMark.left, p.hint.right);
    // The whole hint fits at every scale.
    EXPECT_EQ(p.hint.Width(), ExtentsAt(dpi).hint.width);
  }
}

TEST(PlaceHeader, AWiderTitlePushesTheRestRight) {
  HeaderExtents narrow = ExtentsAt(96);
  HeaderExtents wide = narrow;
  wide.title.width += 40;
  const HeaderPlaces a = PlaceHeader(narrow, 800, 96);
  const HeaderPlaces b = PlaceHeader(wide, 800, 96);
  EXPECT_EQ(b.version.left - a.version.left, 40);
  EXPECT_EQ(b.state.left - a.state.left, 40);
  EXPECT_EQ(b.hint.left - a.hint.left, 40);
  EXPECT_EQ(b.closeMark, a.closeMark);
}

TEST(PlaceHeader, CloseMarkStaysAtTheRightEdgeAtEveryScale) {
  for (int dpi : Scales) {
    const int width = MainWidthAt(dpi);
    const HeaderPlaces p = PlaceHeader(ExtentsAt(dpi), width, dpi);
    EXPECT_EQ(p.closeMark.left, width - ScaleToDpi(35, dpi));
    EXPECT_LE(p.closeMark.right, width);
  }
  EXPECT_EQ(PlaceHeader(ExtentsAt(96), 800, 96).closeMark.left, 765);
}

TEST(PlaceHeader, LongHintIsCutBeforeTheCloseMarksCorner) {
  for (int dpi : Scales) {
    const int width = MainWidthAt(dpi);
    const HeaderPlaces p = PlaceHeader(ExtentsAt(dpi, 0, 5000), width, dpi);
    const HeaderHitAreas areas = HitAreasAt(width, dpi);
    EXPECT_LT(p.hint.right, areas.closeLeft) << dpi;
    EXPECT_GT(p.hint.Width(), 0) << dpi;
    EXPECT_FALSE(Overlap(p.hint, p.closeMark));
  }
}

TEST(PlaceHeader, HintWithNoRoomLeftIsEmptyNotReversed) {
  HeaderExtents extents = ExtentsAt(96);
  extents.title.width = 2000;
  const HeaderPlaces p = PlaceHeader(extents, 800, 96);
  EXPECT_EQ(p.hint.Width(), 0);
  EXPECT_EQ(p.hint.right, p.hint.left);
}

TEST(PlaceHeader, SearchHintFollowsTheToggleHintAndStopsBeforeTheCloseCorner) {
  for (int dpi : Scales) {
    const int width = MainWidthAt(dpi);
    const HeaderPlaces places = PlaceHeader(ExtentsAt(dpi), width, dpi);
    EXPECT_GT(places.searchHint.left, places.hint.right) << dpi;
    EXPECT_EQ(places.searchHint.Width(), ScaleToDpi(150, dpi)) << dpi;
    // A toggle hint that takes the room leaves none to the search hint, which is then empty.
    const HeaderPlaces crowded = PlaceHeader(ExtentsAt(dpi, 0, 700), width, dpi);
    EXPECT_LT(crowded.searchHint.right, HitAreasAt(width, dpi).closeLeft) << dpi;
    EXPECT_GE(crowded.searchHint.Width(), 0) << dpi;
  }
  HeaderExtents none = ExtentsAt(96);
  none.searchHint = {};
  EXPECT_EQ(PlaceHeader(none, 800, 96).searchHint.Width(), 0);
}

TEST(PlaceHeader, TheAdministratorMarkStandsWholeBeforeTheCloseCornerAndTheHintsYieldToIt) {
  for (int dpi : Scales) {
    const int width = MainWidthAt(dpi);
    HeaderExtents extents = ExtentsAt(dpi, 0, 5000);
    extents.elevated = {ScaleToDpi(95, dpi), ScaleToDpi(17, dpi)};
    const HeaderPlaces p = PlaceHeader(extents, width, dpi);
    EXPECT_EQ(p.elevated.Width(), extents.elevated.width) << dpi;
    EXPECT_LT(p.elevated.right, HitAreasAt(width, dpi).closeLeft) << dpi;
    EXPECT_TRUE(Inside(p.elevated, ScaleToDpi(HeaderBand, dpi))) << dpi;
    for (const auto& [name, place] : Parts(p)) {
      EXPECT_FALSE(Overlap(place, p.elevated)) << name << " at " << dpi;
    }
    EXPECT_LT(p.hint.right, p.elevated.left) << dpi;
    EXPECT_LE(p.searchHint.right, p.elevated.left) << dpi;
  }
  // Without it the hints reach as far as before.
  const HeaderPlaces plain = PlaceHeader(ExtentsAt(96, 0, 5000), 800, 96);
  EXPECT_EQ(plain.elevated.Width(), 0);
  EXPECT_GT(plain.hint.right, PlaceHeader(
                                  [] {
                                    HeaderExtents e = ExtentsAt(96, 0, 5000);
                                    e.elevated = {95, 17};
                                    return e;
                                  }(),
                                  800, 96)
                                  .hint.right);
}

TEST(HitAreasAt, CloseCornerHoldsTheCloseMarkAndNotTheHint) {
  for (int dpi : Scales) {
    const int width = MainWidthAt(dpi);
    const HeaderPlaces p = PlaceHeader(ExtentsAt(dpi), width, dpi);
    const HeaderHitAreas areas = HitAreasAt(width, dpi);
    EXPECT_LT(areas.closeLeft, p.closeMark.left);
    EXPECT_GE(areas.closeBottom, p.closeMark.bottom);
    EXPECT_LT(p.hint.right, areas.closeLeft);
    EXPECT_EQ(areas.bandBottom, ScaleToDpi(60, dpi));
  }
  const HeaderHitAreas at96 = HitAreasAt(800, 96);
  EXPECT_EQ(at96.closeLeft, 750);
  EXPECT_EQ(at96.closeBottom, 40);
}

TEST(MainWindowSize, IsEightHundredByFiveHundredScaled) {
  EXPECT_EQ(MainWidthAt(96), 800);
  EXPECT_EQ(MainHeightAt(96), 500);
  EXPECT_EQ(MainWidthAt(120), 1000);
  EXPECT_EQ(MainHeightAt(120), 625);
  EXPECT_EQ(MainWidthAt(144), 1200);
  EXPECT_EQ(MainHeightAt(144), 750);
  EXPECT_EQ(MainWidthAt(192), 1600);
  EXPECT_EQ(MainHeightAt(192), 1000);
}

TEST(CentredOrigin, CentresAWindowThatFits) {
  const WindowOrigin origin = CentredOrigin(800, 500, 0, 0, 1280, 1024);
  EXPECT_EQ(origin.x, 240);
  EXPECT_EQ(origin.y, 262);
  const WindowOrigin onSecond = CentredOrigin(800, 500, 1920, -200, 1280, 1024);
  EXPECT_EQ(onSecond.x, 1920 + 240);
  EXPECT_EQ(onSecond.y, -200 + 262);
}

TEST(CentredOrigin, KeepsTheTopLeftOfAWindowLargerThanTheScreenOnIt) {
  const WindowOrigin origin = CentredOrigin(1600, 1000, 0, 0, 1280, 1024);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 12);
  const WindowOrigin both = CentredOrigin(1600, 1000, 100, 50, 800, 600);
  EXPECT_EQ(both.x, 100);
  EXPECT_EQ(both.y, 50);
}

TEST(ControlPlacesScaled, NoTwoControlsOverlapAtEveryScale) {
  for (int dpi : Scales) {
    const auto& places = MainControlPlaces();
    for (std::size_t i = 0; i < places.size(); ++i) {
      for (std::size_t j = i + 1; j < places.size(); ++j) {
        const LayoutRect a = ScaleToDpi(places[i].rect, dpi);
        const LayoutRect b = ScaleToDpi(places[j].rect, dpi);
        EXPECT_FALSE(Overlap(a, b)) << "controls " << i << " and " << j << " at " << dpi << ": "
                                    << Describe(a) << " " << Describe(b);
      }
    }
  }
}

TEST(ControlPlacesScaled, EveryControlLiesInTheBodyBelowTheHeader) {
  for (int dpi : Scales) {
    const LayoutRect body{0, ScaleToDpi(HeaderBand.bottom, dpi), MainWidthAt(dpi),
                          MainHeightAt(dpi)};
    for (const ControlPlace& place : MainControlPlaces()) {
      const LayoutRect rect = ScaleToDpi(place.rect, dpi);
      EXPECT_TRUE(Inside(rect, body)) << Describe(rect) << " at " << dpi;
      EXPECT_GT(rect.Width(), 0);
      EXPECT_GT(rect.Height(), 0);
    }
  }
}

TEST(ControlPlacesScaled, FieldsStayInsideTheirPaintedFrames) {
  for (int dpi : Scales) {
    EXPECT_TRUE(
        Inside(ScaleToDpi(PlaceOf(MainControl::Trigger).rect, dpi), ScaleToDpi(TriggerFrame, dpi)));
    EXPECT_TRUE(Inside(ScaleToDpi(PlaceOf(MainControl::Expansion).rect, dpi),
                       ScaleToDpi(ExpansionFrame, dpi)));
    EXPECT_TRUE(
        Inside(ScaleToDpi(PlaceOf(MainControl::Search).rect, dpi), ScaleToDpi(SearchFrame, dpi)));
  }
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
