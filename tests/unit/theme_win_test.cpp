// The main window's painting and the button drawing, into memory bitmaps under Wine. Windows
// only: the drawing is GDI.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/theme_win.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

// An 800 x 500 (or any size) 32-bit top-down bitmap selected into a memory device context,
// filled with one colour, whose pixels the test reads directly.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill) : width_(width) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    UniqueBrush brush = MakeBrush(fill);
    FillRect(dc_, &all, brush.get());
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  // As a COLORREF (0x00BBGGRR); the bitmap stores 0x00RRGGBB.
  COLORREF At(int x, int y) const {
    GdiFlush();
    std::uint32_t p = pixels_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int width_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* pixels_ = nullptr;
};

constexpr int Scales[] = {96, 120, 144, 192};

void PaintWindow(const Canvas& canvas, bool enabled, std::string_view hint = "Ctrl+Alt+E",
                 int dpi = 96) {
  RECT client{0, 0, MainWidthAt(dpi), MainHeightAt(dpi)};
  PaintMainWindowInto(canvas.dc(), client, dpi, enabled, hint);
}

HeaderPlaces Header(const Canvas& canvas, bool enabled, std::string_view hint = "Ctrl+Alt+E",
                    int dpi = 96) {
  return MeasureHeader(canvas.dc(), MainWidthAt(dpi), dpi, enabled, hint);
}

void DrawButton(const Canvas& canvas, bool pressed, int dpi = 96) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = 104;
  item.itemState = pressed ? ODS_SELECTED : 0;
  item.hDC = canvas.dc();
  item.rcItem = RECT{0, 0, ScaleToDpi(80, dpi), ScaleToDpi(40, dpi)};
  DrawOwnerButton(item, L"ADD", dpi);
}

// How many more GDI objects this process may create right now. The system has no count of a
// process's objects that Wine implements, but the handle table is finite: fill it, count, and
// give everything back.
std::size_t GdiHeadroom() {
  std::vector<HBRUSH> brushes;
  for (;;) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (brush == nullptr || brushes.size() >= 200000) break;
    brushes.push_back(brush);
  }
  for (HBRUSH brush : brushes) DeleteObject(brush);
  return brushes.size();
}

class ThemeDrawing : public ::testing::Test {
 protected:
  ThemeDrawing() { CreateSharedBrushes(); }
};

TEST_F(ThemeDrawing, LeavesNoGdiObjectBehind) {
  Canvas window(800, 500, RGB(0, 0, 0));
  Canvas button(80, 40, RGB(0, 0, 0));
  // Once before counting, so that anything GDI sets up on first use is not counted.
  PaintWindow(window, true);
  DrawButton(button, false);

  std::size_t before = GdiHeadroom();
  for (int i = 0; i < 10; ++i) {
    PaintWindow(window, i % 2 == 0);
    DrawButton(button, i % 2 == 0);
  }
  EXPECT_EQ(GdiHeadroom(), before);
}

TEST_F(ThemeDrawing, SelectsBackWhatTheDeviceContextHeld) {
  Canvas canvas(800, 500, RGB(0, 0, 0));
  HDC dc = canvas.dc();
  HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
  HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);

  PaintWindow(canvas, true);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);

  DrawButton(canvas, true);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
}

RECT ToRect(const LayoutRect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}

int MiddleX(const LayoutRect& r) {
  return (r.left + r.right) / 2;
}
int MiddleY(const LayoutRect& r) {
  return (r.top + r.bottom) / 2;
}

TEST_F(ThemeDrawing, PaintsBodyHeaderAndFieldFramesInThePaletteAtEveryScale) {
  for (int dpi : Scales) {
    auto s = [dpi](int length) { return ScaleToDpi(length, dpi); };
    Canvas canvas(MainWidthAt(dpi), MainHeightAt(dpi), RGB(0, 0, 0));
    PaintWindow(canvas, true, "Ctrl+Alt+E", dpi);
    EXPECT_EQ(canvas.At(s(400), s(10)), HeaderColor) << dpi;
    EXPECT_EQ(canvas.At(s(400), s(60) - 1), HeaderColor) << dpi;
    EXPECT_EQ(canvas.At(s(400), s(60)), BackgroundColor) << dpi;
    EXPECT_EQ(canvas.At(s(10), s(490)), BackgroundColor) << dpi;
    const LayoutRect trigger = ScaleToDpi(TriggerFrame, dpi);
    const LayoutRect expansion = ScaleToDpi(ExpansionFrame, dpi);
    EXPECT_EQ(canvas.At(MiddleX(trigger), MiddleY(trigger)), FieldColor) << dpi;
    EXPECT_EQ(canvas.At(MiddleX(expansion), MiddleY(expansion)), FieldColor) << dpi;
    // Between the two frames.
    EXPECT_EQ(canvas.At((trigger.right + expansion.left) / 2, MiddleY(trigger)), BackgroundColor)
        << dpi;
  }
}

TEST_F(ThemeDrawing, StatusDotIsGreenWhenOnAndRedWhenOff) {
  for (int dpi : Scales) {
    Canvas on(MainWidthAt(dpi), MainHeightAt(dpi), RGB(0, 0, 0));
    PaintWindow(on, true, "Ctrl+Alt+E", dpi);
    const LayoutRect dot = Header(on, true, "Ctrl+Alt+E", dpi).dot;
    EXPECT_EQ(on.At(MiddleX(dot), MiddleY(dot)), EnabledColor) << dpi;

    Canvas off(MainWidthAt(dpi), MainHeightAt(dpi), RGB(0, 0, 0));
    PaintWindow(off, false, "Ctrl+Alt+E", dpi);
    const LayoutRect offDot = Header(off, false, "Ctrl+Alt+E", dpi).dot;
    EXPECT_EQ(off.At(MiddleX(offDot), MiddleY(offDot)), DisabledColor) << dpi;
  }
}

bool HasColorIn(const Canvas& canvas, COLORREF color, RECT area) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (canvas.At(x, y) == color) return true;
    }
  }
  return false;
}

// The pixels of `color` in the header band, outside `allowed`.
int StrayPixels(const Canvas& canvas, int dpi, COLORREF color,
                std::initializer_list<LayoutRect> allowed) {
  int stray = 0;
  for (int y = 0; y < ScaleToDpi(60, dpi); ++y) {
    for (int x = 0; x < MainWidthAt(dpi); ++x) {
      if (canvas.At(x, y) != color) continue;
      bool inside = false;
      for (const LayoutRect& r : allowed) {
        inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
      }
      if (!inside) ++stray;
    }
  }
  return stray;
}

TEST_F(ThemeDrawing, HeaderTextsAsMeasuredDoNotOverlapAtEveryScale) {
  for (int dpi : Scales) {
    Canvas canvas(MainWidthAt(dpi), MainHeightAt(dpi), RGB(0, 0, 0));
    const HeaderPlaces p = Header(canvas, true, "Ctrl+Shift+F12", dpi);
    // Measured in real fonts: each text has a size that grows with the scale.
    EXPECT_GT(p.title.Width(), ScaleToDpi(40, dpi)) << dpi;
    EXPECT_GT(p.version.Width(), ScaleToDpi(15, dpi)) << dpi;
    const LayoutRect order[] = {p.title, p.version, p.dot, p.state, p.hint, p.closeMark};
    for (std::size_t i = 1; i < std::size(order); ++i) {
      EXPECT_LT(order[i - 1].right, order[i].left) << "part " << i << " at " << dpi;
    }
    EXPECT_LE(p.closeMark.right, MainWidthAt(dpi));
    // The old fixed places had the version at x 100, inside the title.
    EXPECT_GT(p.version.left, p.title.right);
  }
}

TEST_F(ThemeDrawing, EachHeaderTextIsPaintedOnlyWhereItWasPlaced) {
  for (int dpi : Scales) {
    Canvas canvas(MainWidthAt(dpi), MainHeightAt(dpi), RGB(0, 0, 0));
    PaintWindow(canvas, true, "Ctrl+Shift+F12", dpi);
    const HeaderPlaces p = Header(canvas, true, "Ctrl+Shift+F12", dpi);
    EXPECT_TRUE(HasColorIn(canvas, PrimaryTextColor, ToRect(p.title))) << dpi;
    EXPECT_EQ(StrayPixels(canvas, dpi, PrimaryTextColor, {p.title}), 0) << dpi;
    EXPECT_TRUE(HasColorIn(canvas, SecondaryTextColor, ToRect(p.version))) << dpi;
    EXPECT_TRUE(HasColorIn(canvas, SecondaryTextColor, ToRect(p.hint))) << dpi;
    EXPECT_EQ(StrayPixels(canvas, dpi, SecondaryTextColor, {p.version, p.hint}), 0) << dpi;
    EXPECT_EQ(StrayPixels(canvas, dpi, CloseMarkColor, {p.closeMark}), 0) << dpi;
    EXPECT_TRUE(HasColorIn(canvas, CloseMarkColor, ToRect(p.closeMark))) << dpi;
  }
}

TEST_F(ThemeDrawing, StateWordTakesTheStateColourAndTheCloseMarkItsOwn) {
  Canvas on(800, 500, RGB(0, 0, 0));
  PaintWindow(on, true);
  const HeaderPlaces p = Header(on, true);
  EXPECT_TRUE(HasColorIn(on, EnabledColor, ToRect(p.state)));
  EXPECT_FALSE(HasColorIn(on, DisabledColor, ToRect(p.state)));
  EXPECT_TRUE(HasColorIn(on, CloseMarkColor, RECT{765, 18, 790, 36}));

  Canvas off(800, 500, RGB(0, 0, 0));
  PaintWindow(off, false);
  const HeaderPlaces q = Header(off, false);
  EXPECT_TRUE(HasColorIn(off, DisabledColor, ToRect(q.state)));
  EXPECT_FALSE(HasColorIn(off, EnabledColor, ToRect(q.state)));
}

TEST_F(ThemeDrawing, VeryLongHintRunsUpToTheCloseMarkButNotIntoIt) {
  for (int dpi : {96, 192}) {
    Canvas canvas(MainWidthAt(dpi), MainHeightAt(dpi), RGB(0, 0, 0));
    PaintWindow(canvas, true, std::string(1024 * 1024, 'W'), dpi);
    const HeaderHitAreas areas = HitAreasAt(MainWidthAt(dpi), dpi);
    const int band = ScaleToDpi(60, dpi);
    EXPECT_TRUE(HasColorIn(canvas, SecondaryTextColor,
                           RECT{areas.closeLeft - ScaleToDpi(30, dpi), 0, areas.closeLeft, band}))
        << dpi;
    EXPECT_FALSE(
        HasColorIn(canvas, SecondaryTextColor, RECT{areas.closeLeft, 0, MainWidthAt(dpi), band}))
        << dpi;
  }
}

TEST_F(ThemeDrawing, ButtonFaceLightensOnlyWhilePressed) {
  Canvas rest(80, 40, RGB(1, 2, 3));
  DrawButton(rest, false);
  EXPECT_EQ(rest.At(8, 20), AccentColor);
  // The corners outside the rounded shape show the window's background, whatever was there.
  EXPECT_EQ(rest.At(0, 0), BackgroundColor);
  EXPECT_EQ(rest.At(79, 39), BackgroundColor);
  EXPECT_TRUE(HasColorIn(rest, ButtonTextColor, RECT{20, 10, 60, 30}));

  Canvas pressed(80, 40, RGB(1, 2, 3));
  DrawButton(pressed, true);
  EXPECT_EQ(pressed.At(8, 20), AccentPressedColor);
}

TEST_F(ThemeDrawing, ButtonCornersAndLabelScaleWithTheDpi) {
  Canvas big(160, 80, RGB(1, 2, 3));
  DrawButton(big, false, 192);
  EXPECT_EQ(big.At(16, 40), AccentColor);
  EXPECT_EQ(big.At(1, 1), BackgroundColor);
  EXPECT_EQ(big.At(158, 78), BackgroundColor);
  // The label's strokes reach well beyond where a 96-DPI label ends.
  EXPECT_TRUE(HasColorIn(big, ButtonTextColor, RECT{40, 20, 60, 60}));
  EXPECT_TRUE(HasColorIn(big, ButtonTextColor, RECT{100, 20, 120, 60}));
}

LONG FontHeight(HFONT font) {
  LOGFONTW description{};
  if (GetObjectW(font, sizeof description, &description) == 0) return 0;
  return description.lfHeight;
}

// Message-only windows: the unit tests run under Wine without a display.
HWND MessageOnlyStatic() {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 50, 20, HWND_MESSAGE, nullptr, nullptr,
                         nullptr);
}

TEST(ControlFonts, AreMadeForTheDpiAndSwitchedInEveryControlThatUsedThem) {
  HWND regular = MessageOnlyStatic();
  HWND bold = MessageOnlyStatic();
  HWND own = MessageOnlyStatic();
  ASSERT_NE(regular, nullptr);
  ASSERT_NE(bold, nullptr);
  ASSERT_NE(own, nullptr);
  UniqueFont ownFont = MakeFont(11, FW_NORMAL);

  MakeControlFonts(96);
  EXPECT_EQ(FontHeight(RegularFont.get()), 18);
  SendMessageW(regular, WM_SETFONT, reinterpret_cast<WPARAM>(RegularFont.get()), FALSE);
  SendMessageW(bold, WM_SETFONT, reinterpret_cast<WPARAM>(BoldFont.get()), FALSE);
  SendMessageW(own, WM_SETFONT, reinterpret_cast<WPARAM>(ownFont.get()), FALSE);

  const HWND controls[] = {regular, bold, own};
  MakeControlFonts(192, controls);
  auto fontOf = [](HWND control) {
    return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  };
  EXPECT_EQ(fontOf(regular), RegularFont.get());
  EXPECT_EQ(fontOf(bold), BoldFont.get());
  EXPECT_EQ(fontOf(own), ownFont.get());
  EXPECT_EQ(FontHeight(RegularFont.get()), 36);
  EXPECT_EQ(FontHeight(BoldFont.get()), 36);
  LOGFONTW boldDescription{};
  GetObjectW(BoldFont.get(), sizeof boldDescription, &boldDescription);
  EXPECT_EQ(boldDescription.lfWeight, FW_BOLD);

  for (HWND control : controls) DestroyWindow(control);
  RegularFont.reset();
  BoldFont.reset();
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

#endif  // _WIN32
