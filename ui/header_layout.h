#pragma once

#include "ui/main_layout.h"

namespace tarquel {

// The size a text takes in its font, as GetTextExtentPoint32W measures it at the window's DPI.
struct TextExtent {
  int width = 0;
  int height = 0;
};

// What the header shows, each measured in its own font at the DPI it is painted at.
struct HeaderExtents {
  TextExtent title;
  TextExtent version;
  TextExtent state;
  TextExtent hint;
  TextExtent closeMark;
  // The search popup's shortcut after the toggle's; nothing when not shown.
  TextExtent searchHint = {};
  // "Administrator" when the program runs as administrator; nothing otherwise.
  TextExtent elevated = {};
};

// Where the header's parts go, in client pixels at that DPI, left to right: title, version,
// state dot, state word, shortcut hint, search popup hint; at the right the mark of a program
// run as administrator, then the close mark. The hints are cut short (its rectangle narrower
// than its text, empty when nothing fits) rather than run into either.
struct HeaderPlaces {
  LayoutRect title;
  LayoutRect version;
  LayoutRect dot;
  LayoutRect state;
  LayoutRect hint;
  LayoutRect closeMark;
  LayoutRect searchHint;
  LayoutRect elevated;
};

// The header's font cell heights at 96 DPI.
inline constexpr int TitleFontHeight = 24;
inline constexpr int VersionFontHeight = 16;
inline constexpr int StateFontHeight = 14;
inline constexpr int HintFontHeight = 12;
inline constexpr int CloseMarkFontHeight = 16;
// The controls' text and the captions of the two fields.
inline constexpr int ControlFontHeight = 18;
inline constexpr int CaptionFontHeight = 16;
inline constexpr int ButtonFontHeight = 16;
inline constexpr int ButtonCorner = 20;

HeaderPlaces PlaceHeader(const HeaderExtents& extents, int clientWidth, int dpi);

// The parts of the header that react to the mouse, in client pixels at `dpi`: the band above
// `bandBottom` drags the window, except the close mark's corner (x greater than `closeLeft`, y
// less than `closeBottom`), which hides it on a click.
struct HeaderHitAreas {
  int bandBottom = 0;
  int closeLeft = 0;
  int closeBottom = 0;
};
HeaderHitAreas HitAreasAt(int clientWidth, int dpi);

// The main window's outer size at `dpi`.
inline int MainWidthAt(int dpi) {
  return ScaleToDpi(LayoutWidth, dpi);
}
inline int MainHeightAt(int dpi) {
  return ScaleToDpi(LayoutHeight, dpi);
}

// Where a window of `width` x `height` goes centred on a screen of `screenWidth` x
// `screenHeight` at `screenLeft`, `screenTop`: never above or left of the screen, so that a
// window larger than the screen (800 x 500 at 200 % on a 1280 x 1024 screen) keeps its header,
// which is how it is moved, on the screen.
struct WindowOrigin {
  int x = 0;
  int y = 0;
};
WindowOrigin CentredOrigin(int width, int height, int screenLeft, int screenTop, int screenWidth,
                           int screenHeight);

}  // namespace tarquel
