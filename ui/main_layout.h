#pragma once

#include <array>
#include <cstdint>

#include "util/dpi.h"

namespace tarquel {

// A rectangle in the main window's client area, left/top inclusive, right/bottom exclusive.
struct LayoutRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// Scales a rectangle given at 96 DPI to `dpi`, each side as ScaleToDpi scales a length.
LayoutRect ScaleToDpi(const LayoutRect& rect, int dpi);

// The main window's size at 96 DPI.
inline constexpr int LayoutWidth = 800;
inline constexpr int LayoutHeight = 500;

// The child controls, in their Tab order: the order they are created in.
// A caption comes right before its field, so that screen readers take it as the field's name.
enum class MainControl : std::uint8_t {
  SearchCaption,
  Search,
  List,
  TriggerCaption,
  Trigger,
  ExpansionCaption,
  Expansion,
  Add,
  Delete,
  Setting,
  SearchKey,
  StartupCheck,
  StartupLabel,
  Status,
};
inline constexpr std::size_t MainControlCount = 14;

struct ControlPlace {
  MainControl control;
  // A Tab key stops there.
  bool tabStop;
  LayoutRect rect;
};

// Every child control with its place at 96 DPI, in Tab order.
const std::array<ControlPlace, MainControlCount>& MainControlPlaces();
const ControlPlace& PlaceOf(MainControl control);

// Painted parts of the body (the header's texts are measured when painted).
inline constexpr LayoutRect HeaderBand{0, 0, 800, 60};
inline constexpr LayoutRect SearchFrame{460, 66, 770, 94};
inline constexpr LayoutRect TriggerFrame{30, 368, 230, 408};
inline constexpr LayoutRect ExpansionFrame{250, 368, 550, 480};
inline constexpr int FrameCorner = 10;
inline constexpr int WindowCorner = 16;

}  // namespace tarquel
