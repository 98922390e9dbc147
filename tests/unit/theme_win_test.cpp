// The main window's painting and the button drawing, into memory bitmaps under Wine. Windows
// only: the drawing is GDI.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/theme_win.h"

namespace tarquel {
namespace {

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

void PaintWindow(const Canvas& canvas, bool enabled, std::string_view hint = "Ctrl+Alt+E") {
  RECT client{0, 0, 800, 500};
  PaintMainWindowInto(canvas.dc(), client, enabled, hint);
}

void DrawButton(const Canvas& canvas, bool pressed) {
  DRAWITEMSTRUCT item{};
  item.CtlType = ODT_BUTTON;
  item.CtlID = 104;
  item.itemState = pressed ? ODS_SELECTED : 0;
  item.hDC = canvas.dc();
  item.rcItem = RECT{0, 0, 80, 40};
  DrawOwnerButton(item, L"ADD");
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

TEST_F(ThemeDrawing, PaintsBodyHeaderAndFieldFramesInThePalette) {
  Canvas canvas(800, 500, RGB(0, 0, 0));
  PaintWindow(canvas, true);
  EXPECT_EQ(canvas.At(400, 10), HeaderColor);
  EXPECT_EQ(canvas.At(400, 59), HeaderColor);
  EXPECT_EQ(canvas.At(400, 60), BackgroundColor);
  EXPECT_EQ(canvas.At(10, 490), BackgroundColor);
  EXPECT_EQ(canvas.At(130, 425), FieldColor);
  EXPECT_EQ(canvas.At(400, 425), FieldColor);
  // Between the two frames.
  EXPECT_EQ(canvas.At(240, 425), BackgroundColor);
}

TEST_F(ThemeDrawing, StatusDotIsGreenWhenOnAndRedWhenOff) {
  Canvas on(800, 500, RGB(0, 0, 0));
  PaintWindow(on, true);
  EXPECT_EQ(on.At(150, 30), EnabledColor);

  Canvas off(800, 500, RGB(0, 0, 0));
  PaintWindow(off, false);
  EXPECT_EQ(off.At(150, 30), DisabledColor);
}

bool HasColorIn(const Canvas& canvas, COLORREF color, RECT area) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (canvas.At(x, y) == color) return true;
    }
  }
  return false;
}

TEST_F(ThemeDrawing, StateWordTakesTheStateColourAndTheCloseMarkItsOwn) {
  Canvas on(800, 500, RGB(0, 0, 0));
  PaintWindow(on, true);
  EXPECT_TRUE(HasColorIn(on, EnabledColor, RECT{165, 24, 195, 40}));
  EXPECT_FALSE(HasColorIn(on, DisabledColor, RECT{165, 24, 195, 40}));
  EXPECT_TRUE(HasColorIn(on, CloseMarkColor, RECT{765, 18, 790, 36}));

  Canvas off(800, 500, RGB(0, 0, 0));
  PaintWindow(off, false);
  EXPECT_TRUE(HasColorIn(off, DisabledColor, RECT{165, 24, 195, 40}));
  EXPECT_FALSE(HasColorIn(off, EnabledColor, RECT{165, 24, 195, 40}));
}

TEST_F(ThemeDrawing, VeryLongHintRunsToTheWindowsEdge) {
  Canvas canvas(800, 500, RGB(0, 0, 0));
  PaintWindow(canvas, true, std::string(1024 * 1024, 'W'));
  EXPECT_TRUE(HasColorIn(canvas, SecondaryTextColor, RECT{770, 24, 800, 40}));
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

}  // namespace
}  // namespace tarquel

#endif  // _WIN32
