#include "settings/status_overlay_win.h"

#include <windows.h>

#include "util/dpi.h"
#include "util/dpi_win.h"
#include "util/gdi_win.h"

namespace tarquel {
namespace {

constexpr UINT_PTR OverlayTimerId = 1;
constexpr UINT OverlayLifetimeMs = 1500;
constexpr BYTE OverlayAlpha = 220;
constexpr int OverlayCornerDiameter = 20;
constexpr COLORREF OverlayEnabledColor = RGB(20, 120, 60);
constexpr COLORREF OverlayDisabledColor = RGB(120, 30, 30);
constexpr COLORREF OverlayTextColor = RGB(255, 255, 255);
constexpr int OverlayFontHeight = 36;

// Shared by every overlay: two toggles in quick succession leave two overlays on screen, and
// both then show the latest state (at the DPI of the monitor the latest one opened on).
bool OverlayShowsEnabled = true;
int OverlayDpi = BaseDpi;
bool OverlayClassRegistered = false;

void PaintOverlay(HWND window) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  {
    UniqueBrush brush = MakeBrush(OverlayShowsEnabled ? OverlayEnabledColor : OverlayDisabledColor);
    FillRect(dc, &client, brush.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, OverlayTextColor);
    UniqueFont font =
        MakeFont(ScaleToDpi(OverlayFontHeight, OverlayDpi), FW_BOLD, CLEARTYPE_QUALITY);
    SelectedObject selectedFont(dc, font.get());
    DrawTextW(dc, OverlayShowsEnabled ? L"ENABLED" : L"DISABLED", -1, &client,
              DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK OverlayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      OverlayShowsEnabled = create->lpCreateParams != nullptr;
      SetTimer(window, OverlayTimerId, OverlayLifetimeMs, nullptr);
      return 0;
    }
    case WM_TIMER:
      DestroyWindow(window);
      return 0;
    case WM_PAINT:
      PaintOverlay(window);
      return 0;
    case WM_DESTROY:
      KillTimer(window, OverlayTimerId);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

void ShowStatusOverlay(bool enabled) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  if (!OverlayClassRegistered) {
    WNDCLASSW overlayClass{};
    overlayClass.lpfnWndProc = OverlayWindowProc;
    overlayClass.hInstance = module;
    // The panel paints every pixel itself; the system erases nothing.
    overlayClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    overlayClass.lpszClassName = OverlayClassName;
    OverlayClassRegistered = RegisterClassW(&overlayClass) != 0;
  }

  // The DPI of the monitor the overlay opens on: the one at the middle of the primary screen.
  OverlayDpi = DpiOfPrimaryScreenCentre();
  const int width = ScaleToDpi(OverlayWidth, OverlayDpi);
  const int height = ScaleToDpi(OverlayHeight, OverlayDpi);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 4;
  void* state = reinterpret_cast<void*>(static_cast<INT_PTR>(enabled ? 1 : 0));
  // Shown without activation, and never activated by a click: a window created visible
  // takes the focus from the program the user is typing into, and the keys typed while the
  // overlay is up would be lost.
  HWND overlay = CreateWindowExW(
      WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, OverlayClassName,
      nullptr, WS_POPUP, x, y, width, height, nullptr, nullptr, module, state);
  if (overlay == nullptr) return;
  SetLayeredWindowAttributes(overlay, 0, OverlayAlpha, LWA_ALPHA);
  SetRoundedRegion(overlay, width, height, OverlayCornerDiameter, OverlayDpi);
  ShowWindow(overlay, SW_SHOWNOACTIVATE);
}

}  // namespace tarquel
