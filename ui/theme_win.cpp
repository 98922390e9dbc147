#include "ui/theme_win.h"

#include <string>

#include "ui/main_layout.h"
#include "ui/wide_text_win.h"
#include "update/program_version.h"

namespace tarquel {

UniqueBrush BackgroundBrush;
UniqueBrush HeaderBrush;
UniqueBrush FieldBrush;
UniqueFont RegularFont;
UniqueFont BoldFont;

namespace {

// Not even 300 characters of hint fit before the window's edge cuts them off; painting
// a megabyte of a damaged settings.txt on every repaint would only cost time.
constexpr std::size_t PaintedHintLimit = 1024;

void TextAt(HDC dc, int x, int y, std::string_view text, COLORREF color, HFONT font) {
  SelectedObject selected(dc, font);
  SetTextColor(dc, color);
  const std::wstring wide = Wide(text);
  TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

}  // namespace

void CreateSharedBrushes() {
  BackgroundBrush = MakeBrush(BackgroundColor);
  HeaderBrush = MakeBrush(HeaderColor);
  FieldBrush = MakeBrush(FieldColor);
}

void PaintMainWindowInto(HDC dc, const RECT& client, bool enabled, std::string_view shortcutText) {
  const COLORREF stateColor = enabled ? EnabledColor : DisabledColor;
  // Owners first: every SelectedObject below ends before the object it selected is deleted.
  UniqueFont titleFont = MakeFont(24, FW_BOLD);
  UniqueFont versionFont = MakeFont(16, FW_NORMAL);
  UniqueFont stateFont = MakeFont(14, FW_BOLD);
  UniqueFont hintFont = MakeFont(12, FW_NORMAL);
  UniqueFont markFont = MakeFont(16, FW_BOLD);
  UniqueBrush stateBrush = MakeBrush(stateColor);
  UniqueBrush frameBrush = MakeBrush(FieldColor);

  FillRect(dc, &client, BackgroundBrush.get());
  const RECT header{0, 0, 800, HeaderHeight};
  FillRect(dc, &header, HeaderBrush.get());

  SetBkMode(dc, TRANSPARENT);
  TextAt(dc, 24, 18, "Tarquel", PrimaryTextColor, titleFont.get());
  std::string version = "v";
  version += ProgramVersion;
  TextAt(dc, 100, 24, version, SecondaryTextColor, versionFont.get());
  {
    // The default black pen stays: the dot gets a thin dark outline.
    SelectedObject brush(dc, stateBrush.get());
    Ellipse(dc, 140, 20, 160, 40);
  }
  TextAt(dc, 165, 24, enabled ? "ON" : "OFF", stateColor, stateFont.get());
  std::string hint = "(";
  hint += shortcutText.substr(0, PaintedHintLimit);
  hint += ')';
  TextAt(dc, 195, 24, hint, SecondaryTextColor, hintFont.get());
  TextAt(dc, 765, 18, "X", CloseMarkColor, markFont.get());

  // The fields' captions are controls of their own, which screen readers read as the names.
  SelectedObject brush(dc, frameBrush.get());
  SelectedObject pen(dc, GetStockObject(NULL_PEN));
  for (const LayoutRect& frame : {SearchFrame, TriggerFrame, ExpansionFrame}) {
    RoundRect(dc, frame.left, frame.top, frame.right, frame.bottom, FrameCorner, FrameCorner);
  }
}

LRESULT PaintMainWindow(HWND window, bool enabled, std::string_view shortcutText) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  PaintMainWindowInto(dc, client, enabled, shortcutText);
  EndPaint(window, &paint);
  return 0;
}

void SetFieldColors(HDC dc) {
  SetTextColor(dc, PrimaryTextColor);
  SetBkColor(dc, FieldColor);
}

void SetStaticColors(HDC dc) {
  SetTextColor(dc, PrimaryTextColor);
  SetBkMode(dc, TRANSPARENT);
}

void DrawOwnerButton(const DRAWITEMSTRUCT& item, const wchar_t* label) {
  HDC dc = item.hDC;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  UniqueBrush face = MakeBrush(pressed ? AccentPressedColor : AccentColor);
  UniqueFont font = MakeFont(16, FW_BOLD);

  const RECT& bounds = item.rcItem;
  // The corners outside the rounded face show the window's background, not the system's
  // button colour (white under Wine).
  FillRect(dc, &bounds, BackgroundBrush.get());
  SelectedObject brush(dc, face.get());
  SelectedObject pen(dc, GetStockObject(NULL_PEN));
  RoundRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom, 20, 20);

  if ((item.itemState & ODS_FOCUS) != 0) {
    // The keyboard's place: a light ring inside the face.
    UniqueHandle<HPEN, GdiObjectDeleter> ringPen(CreatePen(PS_SOLID, 2, ButtonTextColor));
    SelectedObject ring(dc, ringPen.get());
    SelectedObject hollow(dc, GetStockObject(HOLLOW_BRUSH));
    RoundRect(dc, bounds.left + 3, bounds.top + 3, bounds.right - 3, bounds.bottom - 3, 16, 16);
  }

  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ButtonTextColor);
  SelectedObject text(dc, font.get());
  RECT textBounds = bounds;
  DrawTextW(dc, label, -1, &textBounds, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

}  // namespace tarquel
