#include <algorithm>
#include <cstring>

#include "ui/app_window_win.h"
#include "ui/gdi_win.h"

namespace tarquel {
namespace {

// A shell that is still starting (logon, Explorer restarting) refuses icons for a moment.
constexpr int TrayAddAttempts = 5;
constexpr UINT TrayRetryMilliseconds = 2000;

void ShowAndRaise(HWND window) {
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
}

}  // namespace

void AppWindow::SetTrayTip(std::string_view tip) {
  const std::size_t length = std::min(tip.size(), sizeof trayIcon.szTip - 1);
  std::memcpy(trayIcon.szTip, tip.data(), length);
  trayIcon.szTip[length] = '\0';
}

void AppWindow::AddTrayIcon(HWND window) {
  trayIcon = NOTIFYICONDATAA{};
  trayIcon.cbSize = sizeof trayIcon;
  trayIcon.hWnd = window;
  trayIcon.uID = 0;
  trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  trayIcon.uCallbackMessage = TrayCallbackMessage;
  trayIcon.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(ApplicationIconId));
  SetTrayTip("Tarquel Active");
  trayWanted = true;
  OnTaskbarCreated();
}

void AppWindow::OnTaskbarCreated() {
  if (!trayWanted) return;
  if (Shell_NotifyIconA(NIM_ADD, &trayIcon)) return;
  // Without the icon a hidden window could never be shown again: try a few more times.
  trayAddAttemptsLeft = TrayAddAttempts;
  SetTimer(MainWindow(), TrayRetryTimerId, TrayRetryMilliseconds, nullptr);
}

void AppWindow::OnTrayRetryTimer() {
  // NIM_ADD may have failed by timing out after the shell took the icon after all.
  bool shown = !trayWanted || Shell_NotifyIconA(NIM_MODIFY, &trayIcon) ||
               Shell_NotifyIconA(NIM_ADD, &trayIcon);
  if (shown || --trayAddAttemptsLeft <= 0) KillTimer(MainWindow(), TrayRetryTimerId);
}

void AppWindow::OnTrayCallback(LPARAM event) {
  HWND window = MainWindow();
  switch (LOWORD(event)) {
    case WM_RBUTTONUP: {
      POINT cursor{};
      GetCursorPos(&cursor);
      UniqueMenu menu(CreatePopupMenu());
      if (!menu) return;
      AppendMenuA(menu.get(), MF_STRING, TrayRestoreCommand, "Restore");
      AppendMenuA(menu.get(), MF_STRING, TrayQuitCommand, "Quit");
      // The menu only closes on a click elsewhere when its owner is in the foreground.
      SetForegroundWindow(window);
      TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, window, nullptr);
      // The documented remedy for a tray menu that otherwise opens and closes erratically.
      PostMessageA(window, WM_NULL, 0, 0);
      return;
    }
    case WM_LBUTTONDBLCLK:
      ShowAndRaise(window);
      return;
    default:
      return;
  }
}

void AppWindow::OnTrayCommand(WORD command) {
  switch (command) {
    case TrayQuitCommand:
      RemoveTrayIcon();
      PostQuitMessage(0);
      return;
    case TrayRestoreCommand:
      ShowAndRaise(MainWindow());
      return;
    default:
      return;
  }
}

void AppWindow::RemoveTrayIcon() {
  trayWanted = false;
  KillTimer(MainWindow(), TrayRetryTimerId);
  Shell_NotifyIconA(NIM_DELETE, &trayIcon);
}

void AppWindow::OnMainWindowDestroyed(HWND window) {
  UnregisterToggleHotkey(window);
  RemoveTrayIcon();
  PostQuitMessage(0);
}

}  // namespace tarquel
