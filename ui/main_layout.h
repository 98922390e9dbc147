#pragma once

#include <array>
#include <cstdint>
#include <string_view>

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
// Above the list, the group filter and the chosen group's switch and programs; under it the
// fields, then the entry's options (When, Where, Case, Group), then the buttons.
enum class MainControl : std::uint8_t {
  SearchCaption,
  Search,
  FilterCaption,
  GroupFilter,
  GroupOnCheck,
  GroupOnLabel,
  OnlyInCaption,
  OnlyIn,
  NotInCaption,
  NotIn,
  List,
  TriggerCaption,
  Trigger,
  ExpansionCaption,
  Expansion,
  WhenCaption,
  When,
  WhereCaption,
  Where,
  CaseCaption,
  Case,
  GroupCaption,
  Group,
  Add,
  Delete,
  Setting,
  StartupCheck,
  StartupLabel,
  Status,
  // What Tarquel saved the user, on a line under the list.
  Savings,
};
inline constexpr std::size_t MainControlCount = 30;

// Drop-downs: their place is the closed box; the list they open hangs below it, this tall.
inline constexpr int DropDownListHeight = 160;
// A line of an open drop-down's list.
inline constexpr int DropDownItemHeight = 22;
bool IsDropDown(MainControl control);
// Captions are drawn in the caption font and the window's quieter text colour.
bool IsCaption(MainControl control);
// The words of a caption or of a label beside a box; empty for other controls.
std::string_view ControlWords(MainControl control);

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
inline constexpr LayoutRect OnlyInFrame{376, 101, 562, 129};
inline constexpr LayoutRect NotInFrame{634, 101, 770, 129};
inline constexpr LayoutRect TriggerFrame{30, 330, 230, 370};
inline constexpr LayoutRect ExpansionFrame{250, 330, 550, 482};
inline constexpr std::array<LayoutRect, 5> FieldFrames{SearchFrame, OnlyInFrame, NotInFrame,
                                                       TriggerFrame, ExpansionFrame};
inline constexpr int FrameCorner = 10;
inline constexpr int WindowCorner = 16;

}  // namespace tarquel
