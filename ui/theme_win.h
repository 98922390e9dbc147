#pragma once

#include <windows.h>

#include <string_view>

#include "ui/gdi_win.h"
#include "ui/theme.h"

namespace tarquel {

// Shared by the main window's painting and control colours for the life of the process.
extern UniqueBrush BackgroundBrush;
extern UniqueBrush HeaderBrush;
extern UniqueBrush FieldBrush;
// The controls' own text; made on the first SetControlFont.
extern UniqueFont RegularFont;
extern UniqueFont BoldFont;

void CreateSharedBrushes();

// The whole of WM_PAINT: body, header with title, version, state dot and word, shortcut hint
// and close mark, and the frames and captions of the two fields. Returns the message result.
LRESULT PaintMainWindow(HWND window, bool enabled, std::string_view shortcutText);
// Everything PaintMainWindow draws, into any device context; leaves its objects as it found
// them and deletes every object it made.
void PaintMainWindowInto(HDC dc, const RECT& client, bool enabled, std::string_view shortcutText);

void SetFieldColors(HDC dc);
void SetStaticColors(HDC dc);
void DrawOwnerButton(const DRAWITEMSTRUCT& item, const wchar_t* label);

}  // namespace tarquel
