#pragma once

#include <windows.h>

#include "util/dpi.h"
#include "util/unique_handle.h"

namespace tarquel {

struct GdiObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct MenuDeleter {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};

using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectDeleter>;
using UniqueFont = UniqueHandle<HFONT, GdiObjectDeleter>;
using UniqueRegion = UniqueHandle<HRGN, GdiObjectDeleter>;
using UniqueMenu = UniqueHandle<HMENU, MenuDeleter>;

// Selects `object` into `dc` and selects the previous one back when the scope ends. Declare it
// after the owner of `object`, so that the object is out of the device context before it is
// deleted. A null object (its creation failed) leaves the device context as it was.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object != nullptr ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// "Segoe UI" at a cell height in pixels, default precision and quality, Swiss family. Any
// character set, not ANSI_CHARSET: the system's font links for Segoe UI then supply the
// glyphs it lacks (CJK, emoji), where an ANSI font would show boxes.
inline UniqueFont MakeFont(int height, int weight, DWORD quality = DEFAULT_QUALITY) {
  return UniqueFont(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality,
                                DEFAULT_PITCH | FF_SWISS, L"Segoe UI"));
}

inline UniqueBrush MakeBrush(COLORREF color) {
  return UniqueBrush(CreateSolidBrush(color));
}

// A rounded region for a window `width` x `height`, its corners' diameter `corner` at 96 DPI
// scaled to `dpi`, set on `window`, which owns it from then on. False if it could not be made
// or set.
inline bool SetRoundedRegion(HWND window, int width, int height, int corner, int dpi) {
  const int diameter = ScaleToDpi(corner, dpi);
  HRGN region = CreateRoundRectRgn(0, 0, width, height, diameter, diameter);
  if (region == nullptr) return false;
  // On success the window owns the region; otherwise it is still ours to free.
  if (SetWindowRgn(window, region, TRUE) == 0) {
    DeleteObject(region);
    return false;
  }
  return true;
}

}  // namespace tarquel
