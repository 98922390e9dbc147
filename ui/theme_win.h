#pragma once

#include <windows.h>

#include <span>
#include <string_view>

#include "ui/header_layout.h"
#include "ui/theme.h"
#include "util/gdi_win.h"

namespace tarquel {

// Shared by the main window's painting and control colours for the life of the process.
extern UniqueBrush BackgroundBrush;
extern UniqueBrush HeaderBrush;
extern UniqueBrush FieldBrush;
// The controls' own text at the main window's DPI; made by MakeControlFonts.
extern UniqueFont RegularFont;
extern UniqueFont BoldFont;

void CreateSharedBrushes();

// Makes RegularFont and BoldFont for `dpi`. Each of `controls` that used the old ones is
// switched to the new ones before the old ones are deleted; the others keep their fonts.
void MakeControlFonts(int dpi, std::span<const HWND> controls = {});

// The header's parts measured in their fonts at `dpi` in `dc`, and placed for a client area
// `clientWidth` wide.
HeaderPlaces MeasureHeader(HDC dc, int clientWidth, int dpi, bool enabled,
                           std::string_view shortcutText, bool elevated = false);

// The whole of WM_PAINT: body, header with title, version, state dot and word, shortcut hint
// and close mark, and the frames and captions of the two fields. Returns the message result.
// `searchShortcutText` follows the toggle's as "Search popup: ..." unless it is empty;
// `elevated` (the program runs as administrator) shows "Administrator" at the right.
LRESULT PaintMainWindow(HWND window, int dpi, bool enabled, std::string_view shortcutText,
                        std::string_view searchShortcutText = {}, bool elevated = false);
// Everything PaintMainWindow draws, into any device context, at `dpi`; leaves its objects as it
// found them and deletes every object it made.
void PaintMainWindowInto(HDC dc, const RECT& client, int dpi, bool enabled,
                         std::string_view shortcutText, std::string_view searchShortcutText = {},
                         bool elevated = false);

void SetFieldColors(HDC dc);
void SetStaticColors(HDC dc);
void DrawOwnerButton(const DRAWITEMSTRUCT& item, const wchar_t* label, int dpi);

// Drop-downs in the window's colours. The system draws a drop-down's frame and arrow in its own
// light colours: DarkenDropDown paints them over in the field's colours after each paint. A list
// drop-down made with CBS_OWNERDRAWFIXED | CBS_HASSTRINGS gets its items from DrawDropDownItem
// (the chosen one in the accent colour), the closed box's text too.
void DarkenDropDown(HWND box);
void DrawDropDownItem(const DRAWITEMSTRUCT& item);

// A list view's header in the window's colours: the columns' titles, the edges between them
// and, over `sortedColumn` (-1: none), the sort mark pointing up, or down when `descending`.
void PaintListHeader(HWND header, HDC dc, int sortedColumn, bool descending);

// A list view's NM_CUSTOMDRAW (`draw` is its NMLVCUSTOMDRAW) in the window's colours: the
// selected rows in its violet, focused or not, where the system's are light grey on a dark list
// without the focus. Returns the answer to the notification.
LRESULT DrawListRow(HWND list, NMHDR& draw);

}  // namespace tarquel
