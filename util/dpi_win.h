#pragma once

#include <windows.h>

namespace tarquel {

// The DPI a window is shown at: its monitor's under per-monitor awareness, else the system's.
// GetDpiForWindow (Windows 10 1607) is looked up at run time; before it, the screen's
// LOGPIXELSX.
int DpiForWindow(HWND window);

// The DPI of the monitor nearest `point` (screen coordinates): GetDpiForMonitor from
// shcore.dll (Windows 8.1) where there is one, else the system's DPI.
int DpiAtPoint(POINT point);

// The DPI of the monitor nearest the middle of the primary screen, where the program's windows
// open.
int DpiOfPrimaryScreenCentre();

}  // namespace tarquel
