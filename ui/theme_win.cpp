#include "ui/theme_win.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "ui/main_layout.h"
#include "update/program_version.h"
#include "util/wide_text_win.h"

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
constexpr std::string_view TitleText = "Tarquel";
constexpr std::string_view CloseMarkText = "X";
constexpr std::string_view ElevatedText = "Administrator";

// The header's fonts at one DPI; made for each paint, like the rest of its objects.
struct HeaderFonts {
  explicit HeaderFonts(int dpi)
      : title(MakeFont(ScaleToDpi(TitleFontHeight, dpi), FW_BOLD)),
        version(MakeFont(ScaleToDpi(VersionFontHeight, dpi), FW_NORMAL)),
        state(MakeFont(ScaleToDpi(StateFontHeight, dpi), FW_BOLD)),
        hint(MakeFont(ScaleToDpi(HintFontHeight, dpi), FW_NORMAL)),
        mark(MakeFont(ScaleToDpi(CloseMarkFontHeight, dpi), FW_BOLD)) {}
  UniqueFont title;
  UniqueFont version;
  UniqueFont state;
  UniqueFont hint;
  UniqueFont mark;
};

// The texts the header shows, as painted.
struct HeaderTexts {
  HeaderTexts(bool enabled, std::string_view shortcutText, std::string_view searchShortcutText,
              bool elevated = false)
      : version(L"v" + Wide(ProgramVersion)),
        state(enabled ? L"ON" : L"OFF"),
        hint(L"(" + Wide(shortcutText.substr(0, PaintedHintLimit)) + L")"),
        searchHint(searchShortcutText.empty()
                       ? std::wstring()
                       : L"Search popup: " + Wide(searchShortcutText.substr(0, PaintedHintLimit))),
        elevated(elevated ? Wide(ElevatedText) : std::wstring()) {}
  std::wstring title = Wide(TitleText);
  std::wstring version;
  std::wstring state;
  std::wstring hint;
  std::wstring searchHint;
  std::wstring elevated;
  std::wstring mark = Wide(CloseMarkText);
};

TextExtent Measure(HDC dc, const std::wstring& text, HFONT font) {
  SelectedObject selected(dc, font);
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size)) return {};
  return {static_cast<int>(size.cx), static_cast<int>(size.cy)};
}

HeaderPlaces PlaceMeasured(HDC dc, int clientWidth, int dpi, const HeaderFonts& fonts,
                           const HeaderTexts& texts) {
  const HeaderExtents extents{Measure(dc, texts.title, fonts.title.get()),
                              Measure(dc, texts.version, fonts.version.get()),
                              Measure(dc, texts.state, fonts.state.get()),
                              Measure(dc, texts.hint, fonts.hint.get()),
                              Measure(dc, texts.mark, fonts.mark.get()),
                              Measure(dc, texts.searchHint, fonts.hint.get()),
                              Measure(dc, texts.elevated, fonts.state.get())};
  return PlaceHeader(extents, clientWidth, dpi);
}

RECT ToRect(const LayoutRect& rect) {
  return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

// Clipped to `place`: the hint may have been cut short there.
void TextIn(HDC dc, const LayoutRect& place, const std::wstring& text, COLORREF color, HFONT font) {
  if (place.Width() <= 0) return;
  SelectedObject selected(dc, font);
  SetTextColor(dc, color);
  const RECT clip = ToRect(place);
  ExtTextOutW(dc, place.left, place.top, ETO_CLIPPED, &clip, text.c_str(),
              static_cast<UINT>(text.size()), nullptr);
}

void RoundFrame(HDC dc, const LayoutRect& frame, int dpi) {
  const LayoutRect scaled = ScaleToDpi(frame, dpi);
  const int corner = ScaleToDpi(FrameCorner, dpi);
  RoundRect(dc, scaled.left, scaled.top, scaled.right, scaled.bottom, corner, corner);
}

}  // namespace

void CreateSharedBrushes() {
  BackgroundBrush = MakeBrush(BackgroundColor);
  HeaderBrush = MakeBrush(HeaderColor);
  FieldBrush = MakeBrush(FieldColor);
}

void MakeControlFonts(int dpi, std::span<const HWND> controls) {
  UniqueFont regular = MakeFont(ScaleToDpi(ControlFontHeight, dpi), FW_NORMAL);
  UniqueFont bold = MakeFont(ScaleToDpi(ControlFontHeight, dpi), FW_BOLD);
  for (HWND control : controls) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font == nullptr) continue;
    HFONT replacement = font == RegularFont.get() ? regular.get()
                        : font == BoldFont.get()  ? bold.get()
                                                  : nullptr;
    if (replacement != nullptr) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(replacement), TRUE);
    }
  }
  RegularFont = std::move(regular);
  BoldFont = std::move(bold);
}

HeaderPlaces MeasureHeader(HDC dc, int clientWidth, int dpi, bool enabled,
                           std::string_view shortcutText, bool elevated) {
  const HeaderFonts fonts(dpi);
  return PlaceMeasured(dc, clientWidth, dpi, fonts,
                       HeaderTexts(enabled, shortcutText, {}, elevated));
}

void PaintMainWindowInto(HDC dc, const RECT& client, int dpi, bool enabled,
                         std::string_view shortcutText, std::string_view searchShortcutText,
                         bool elevated) {
  const COLORREF stateColor = enabled ? EnabledColor : DisabledColor;
  // Owners first: every SelectedObject below ends before the object it selected is deleted.
  const HeaderFonts fonts(dpi);
  UniqueFont captionFont = MakeFont(ScaleToDpi(CaptionFontHeight, dpi), FW_BOLD);
  UniqueBrush stateBrush = MakeBrush(stateColor);
  UniqueBrush frameBrush = MakeBrush(FieldColor);
  const HeaderTexts texts(enabled, shortcutText, searchShortcutText, elevated);
  const int clientWidth = static_cast<int>(client.right - client.left);
  const HeaderPlaces places = PlaceMeasured(dc, clientWidth, dpi, fonts, texts);

  FillRect(dc, &client, BackgroundBrush.get());
  const RECT header{0, 0, client.right, ScaleToDpi(HeaderBand.bottom, dpi)};
  FillRect(dc, &header, HeaderBrush.get());

  SetBkMode(dc, TRANSPARENT);
  TextIn(dc, places.title, texts.title, PrimaryTextColor, fonts.title.get());
  TextIn(dc, places.version, texts.version, SecondaryTextColor, fonts.version.get());
  {
    // The default black pen stays: the dot gets a thin dark outline.
    SelectedObject brush(dc, stateBrush.get());
    Ellipse(dc, places.dot.left, places.dot.top, places.dot.right, places.dot.bottom);
  }
  TextIn(dc, places.state, texts.state, stateColor, fonts.state.get());
  TextIn(dc, places.hint, texts.hint, SecondaryTextColor, fonts.hint.get());
  if (!texts.searchHint.empty()) {
    TextIn(dc, places.searchHint, texts.searchHint, SecondaryTextColor, fonts.hint.get());
  }
  if (!texts.elevated.empty()) {
    TextIn(dc, places.elevated, texts.elevated, CloseMarkColor, fonts.state.get());
  }
  TextIn(dc, places.closeMark, texts.mark, CloseMarkColor, fonts.mark.get());

  // The fields' captions are controls of their own, which screen readers read as the names.
  SelectedObject brush(dc, frameBrush.get());
  SelectedObject pen(dc, GetStockObject(NULL_PEN));
  for (const LayoutRect& frame : FieldFrames) {
    RoundFrame(dc, frame, dpi);
  }
}

LRESULT PaintMainWindow(HWND window, int dpi, bool enabled, std::string_view shortcutText,
                        std::string_view searchShortcutText, bool elevated) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  PaintMainWindowInto(dc, client, dpi, enabled, shortcutText, searchShortcutText, elevated);
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

void DrawOwnerButton(const DRAWITEMSTRUCT& item, const wchar_t* label, int dpi) {
  HDC dc = item.hDC;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  UniqueBrush face = MakeBrush(pressed ? AccentPressedColor : AccentColor);
  UniqueFont font = MakeFont(ScaleToDpi(ButtonFontHeight, dpi), FW_BOLD);

  const RECT& bounds = item.rcItem;
  // The corners outside the rounded face show the window's background, not the system's
  // button colour (white under Wine).
  FillRect(dc, &bounds, BackgroundBrush.get());
  SelectedObject brush(dc, face.get());
  SelectedObject pen(dc, GetStockObject(NULL_PEN));
  const int corner = ScaleToDpi(ButtonCorner, dpi);
  RoundRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom, corner, corner);

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

namespace {

LRESULT CALLBACK DarkDropDownProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
  if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
    // The box repaints its text at once then, rim included, outside WM_PAINT.
    const LRESULT result = DefSubclassProc(box, message, wParam, lParam);
    InvalidateRect(box, nullptr, FALSE);
    return result;
  }
  if (message != WM_PAINT) return DefSubclassProc(box, message, wParam, lParam);
  const LRESULT result = DefSubclassProc(box, message, wParam, lParam);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (!GetComboBoxInfo(box, &info)) return result;
  HDC dc = GetDC(box);
  RECT client{};
  GetClientRect(box, &client);
  // The sunken edge: the field's colour up to the text and the arrow.
  const int edge = static_cast<int>(info.rcItem.left - client.left);
  for (int inset = 0; inset < edge; ++inset) {
    RECT ring{client.left + inset, client.top + inset, client.right - inset, client.bottom - inset};
    FrameRect(dc, &ring, FieldBrush.get());
  }
  if (info.rcItem.top > client.top) {
    RECT above{client.left, client.top, client.right, info.rcItem.top};
    RECT below{client.left, info.rcItem.bottom, client.right, client.bottom};
    FillRect(dc, &above, FieldBrush.get());
    FillRect(dc, &below, FieldBrush.get());
  }
  // The rim the system leaves around the text, and the line between text and arrow.
  RECT rim = info.rcItem;
  rim.right = info.rcButton.left;
  FrameRect(dc, &rim, FieldBrush.get());
  // The arrow: a small chevron in the quieter text colour on the field.
  const RECT& button = info.rcButton;
  FillRect(dc, &button, FieldBrush.get());
  const int middleX = static_cast<int>(button.left + button.right) / 2;
  const int middleY = static_cast<int>(button.top + button.bottom) / 2;
  const int half = std::max(3, static_cast<int>(button.right - button.left) / 5);
  UniqueHandle<HPEN, GdiObjectDeleter> pen(
      CreatePen(PS_SOLID, std::max(1, half / 2), SecondaryTextColor));
  SelectedObject chevronPen(dc, pen.get());
  const POINT chevron[] = {{middleX - half, middleY - half / 2},
                           {middleX, middleY + half / 2},
                           {middleX + half, middleY - half / 2}};
  Polyline(dc, chevron, 3);
  ReleaseDC(box, dc);
  return result;
}

}  // namespace

void DarkenDropDown(HWND box) {
  SetWindowSubclass(box, DarkDropDownProc, 1, 0);
}

void DrawDropDownItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const bool face = (item.itemState & ODS_COMBOBOXEDIT) != 0;
  // In the open list the item under the mouse or the arrows; on the closed box, the keyboard's
  // place.
  const bool marked =
      face ? (item.itemState & ODS_FOCUS) != 0 : (item.itemState & ODS_SELECTED) != 0;
  const UniqueBrush back = MakeBrush(marked ? AccentColor : FieldColor);
  FillRect(dc, &item.rcItem, back.get());
  if (item.itemID == static_cast<UINT>(-1)) return;
  const auto length = SendMessageW(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0);
  if (length <= 0) return;
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, marked ? ButtonTextColor : PrimaryTextColor);
  RECT bounds = item.rcItem;
  bounds.left += 4;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

void PaintListHeader(HWND header, HDC dc, int sortedColumn, bool descending) {
  RECT client{};
  GetClientRect(header, &client);
  const UniqueBrush back = MakeBrush(HeaderColor);
  const UniqueBrush line = MakeBrush(BackgroundColor);
  const UniqueBrush mark = MakeBrush(SecondaryTextColor);
  FillRect(dc, &client, back.get());
  SelectedObject font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(header, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  // The sort mark and the space around the words follow the font, and so the DPI.
  const int arrow = std::max(3, static_cast<int>(metrics.tmHeight) / 4);
  const int padding = std::max(4, static_cast<int>(metrics.tmAveCharWidth));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, PrimaryTextColor);
  const int count = Header_GetItemCount(header);
  for (int i = 0; i < count; ++i) {
    RECT item{};
    if (!Header_GetItemRect(header, i, &item)) continue;
    wchar_t title[64] = {};
    HDITEMW info{};
    info.mask = HDI_TEXT;
    info.pszText = title;
    info.cchTextMax = 64;
    Header_GetItem(header, i, &info);
    const bool sorted = sortedColumn == i;
    RECT words{item.left + padding, item.top, item.right - padding - (sorted ? 3 * arrow : 0),
               item.bottom};
    DrawTextW(dc, title, -1, &words,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (sorted) {
      // Up: a triangle pointing up; down: pointing down.
      const int x = item.right - padding - arrow;
      const int y = (item.top + item.bottom) / 2;
      const int tip = descending ? arrow / 2 + 1 : -arrow / 2 - 1;
      const POINT corners[3] = {{x - arrow, y - tip}, {x + arrow, y - tip}, {x, y + tip}};
      SelectedObject brush(dc, mark.get());
      SelectedObject pen(dc, GetStockObject(NULL_PEN));
      Polygon(dc, corners, 3);
    }
    // The edge between two columns, where a drag sizes them.
    RECT edge{item.right - 1, item.top + 3, item.right, item.bottom - 3};
    FillRect(dc, &edge, line.get());
  }
  RECT bottom{client.left, client.bottom - 1, client.right, client.bottom};
  FillRect(dc, &bottom, line.get());
}

LRESULT DrawListRow(HWND list, NMHDR& header) {
  auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
  if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
  if (ListView_GetItemState(list, row, LVIS_SELECTED) != 0) {
    draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
    draw.clrText = ButtonTextColor;
    draw.clrTextBk = AccentColor;
  } else {
    draw.clrText = PrimaryTextColor;
    draw.clrTextBk = FieldColor;
  }
  return CDRF_NEWFONT;
}

}  // namespace tarquel
