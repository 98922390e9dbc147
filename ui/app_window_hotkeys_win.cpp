#include "settings/status_overlay_win.h"
#include "ui/app_window_win.h"

namespace tarquel {

void AppWindow::RegisterToggleHotkey(HWND window) {
  // The modifier bits are RegisterHotKey's own. A held shortcut toggles once, not on and off
  // with every repeat.
  if (!RegisterHotKey(window, ToggleHotkeyId, settings.shortcut.modifiers | MOD_NOREPEAT,
                      settings.shortcut.key)) {
    OutputDebugStringA("Warning: Failed to register toggle hotkey\n");
    // Without a hotkey the combination is an ordinary key press again.
    expander.SetIgnoredShortcut(0, 0);
    return;
  }
  expander.SetIgnoredShortcut(settings.shortcut.modifiers, settings.shortcut.key);
}

void AppWindow::UnregisterToggleHotkey(HWND window) {
  UnregisterHotKey(window, ToggleHotkeyId);
  expander.SetIgnoredShortcut(0, 0);
}

void AppWindow::ToggleExpansion() {
  const bool enabled = !expander.IsEnabled();
  // The typed buffer stays as it is: a trigger begun before a pause completes after it.
  expander.SetEnabled(enabled);
  SetTrayTip(enabled ? "Tarquel Active" : "Tarquel Paused");
  if (trayWanted) Shell_NotifyIconW(NIM_MODIFY, &trayIcon);
  ShowStatusOverlay(enabled);
  if (HWND window = MainWindow()) InvalidateRect(window, nullptr, TRUE);
  OutputDebugStringA(enabled ? "Expander: ON\n" : "Expander: OFF\n");
}

}  // namespace tarquel
