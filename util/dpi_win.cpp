#include "util/dpi_win.h"

#include "util/dpi.h"

namespace tarquel {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
// MONITOR_DPI_TYPE is an enum; MDT_EFFECTIVE_DPI, the one that follows the user's scale, is 0.
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int EffectiveDpi = 0;

// Through a void* : GetProcAddress's FARPROC cannot be cast to another function type without
// -Wcast-function-type complaining, and both lookups are done once.
template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  void* address = reinterpret_cast<void*>(GetProcAddress(module, name));
  return reinterpret_cast<Function>(address);
}

GetDpiForWindowFunction WindowDpiFunction() {
  static const GetDpiForWindowFunction function =
      Lookup<GetDpiForWindowFunction>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  return function;
}

GetDpiForMonitorFunction MonitorDpiFunction() {
  // From System32 only: a shcore.dll beside the program must not be loaded in its place.
  static const GetDpiForMonitorFunction function = Lookup<GetDpiForMonitorFunction>(
      LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor");
  return function;
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : BaseDpi;
}

}  // namespace

int DpiForWindow(HWND window) {
  if (const auto function = WindowDpiFunction(); function != nullptr && window != nullptr) {
    const UINT dpi = function(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  return SystemDpi();
}

int DpiAtPoint(POINT point) {
  if (const auto function = MonitorDpiFunction(); function != nullptr) {
    HMONITOR monitor = MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
    UINT x = 0;
    UINT y = 0;
    if (monitor != nullptr && SUCCEEDED(function(monitor, EffectiveDpi, &x, &y)) && x != 0) {
      return static_cast<int>(x);
    }
  }
  return SystemDpi();
}

int DpiOfPrimaryScreenCentre() {
  return DpiAtPoint(POINT{GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2});
}

}  // namespace tarquel
