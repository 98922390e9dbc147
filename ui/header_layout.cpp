#include "ui/header_layout.h"

#include <algorithm>

namespace tarquel {

namespace {

// At 96 DPI. The tops are the texts' own (their cells), as painted since 1.0.
constexpr int TitleLeft = 24;
constexpr int TitleTop = 18;
constexpr int SmallTextTop = 24;
constexpr int TitleGap = 10;
constexpr int VersionGap = 12;
constexpr int DotTop = 20;
constexpr int DotDiameter = 20;
constexpr int DotGap = 6;
constexpr int StateGap = 8;
// The close mark's left edge and its reacting corner, counted from the window's right edge.
constexpr int CloseMarkFromRight = 35;
constexpr int CloseMarkTop = 18;
constexpr int CloseAreaFromRight = 50;
constexpr int CloseAreaBottom = 40;
// Between the hint's end and the close mark's corner.
constexpr int HintEndGap = 8;
constexpr int SearchHintGap = 16;

LayoutRect At(int left, int top, TextExtent extent) {
  return {left, top, left + extent.width, top + extent.height};
}

}  // namespace

HeaderPlaces PlaceHeader(const HeaderExtents& extents, int clientWidth, int dpi) {
  auto s = [dpi](int length) { return ScaleToDpi(length, dpi); };
  HeaderPlaces places;
  places.title = At(s(TitleLeft), s(TitleTop), extents.title);
  places.version = At(places.title.right + s(TitleGap), s(SmallTextTop), extents.version);
  const int dotLeft = places.version.right + s(VersionGap);
  places.dot = {dotLeft, s(DotTop), dotLeft + s(DotDiameter), s(DotTop) + s(DotDiameter)};
  places.state = At(places.dot.right + s(DotGap), s(SmallTextTop), extents.state);
  places.hint = At(places.state.right + s(StateGap), s(SmallTextTop), extents.hint);
  int hintLimit = clientWidth - s(CloseAreaFromRight) - s(HintEndGap);
  if (extents.elevated.width > 0) {
    // Kept whole at the right: it tells more than the end of a long shortcut would.
    places.elevated = At(hintLimit - extents.elevated.width, s(SmallTextTop), extents.elevated);
    hintLimit = places.elevated.left - s(HintEndGap);
  }
  places.hint.right = std::max(places.hint.left, std::min(places.hint.right, hintLimit));
  places.searchHint = At(places.hint.right + s(SearchHintGap), s(SmallTextTop), extents.searchHint);
  // No room left after a long toggle hint: empty, and still short of the close corner.
  places.searchHint.left = std::min(places.searchHint.left, hintLimit);
  places.searchHint.right =
      std::max(places.searchHint.left, std::min(places.searchHint.right, hintLimit));
  places.closeMark = At(clientWidth - s(CloseMarkFromRight), s(CloseMarkTop), extents.closeMark);
  return places;
}

HeaderHitAreas HitAreasAt(int clientWidth, int dpi) {
  return {ScaleToDpi(HeaderBand.bottom, dpi), clientWidth - ScaleToDpi(CloseAreaFromRight, dpi),
          ScaleToDpi(CloseAreaBottom, dpi)};
}

WindowOrigin CentredOrigin(int width, int height, int screenLeft, int screenTop, int screenWidth,
                           int screenHeight) {
  return {screenLeft + std::max(0, (screenWidth - width) / 2),
          screenTop + std::max(0, (screenHeight - height) / 2)};
}

}  // namespace tarquel
