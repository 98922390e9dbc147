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

}  // namespace tarquel
