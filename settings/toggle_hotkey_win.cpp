#include "ui/app_window_win.h"

namespace tarquel {

void AppWindow::RegisterToggleHotkey(HWND window) {
  // The modifier bits are RegisterHotKey's own; MOD_NOREPEAT is left out on purpose.
  if (!RegisterHotKey(window, ToggleHotkeyId, settings.shortcut.modifiers, settings.shortcut.key)) {
    OutputDebugStringA("Warning: Failed to register toggle hotkey\n");
  }
}

void AppWindow::UnregisterToggleHotkey(HWND window) {
  UnregisterHotKey(window, ToggleHotkeyId);
}

}  // namespace tarquel
