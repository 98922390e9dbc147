#include <algorithm>

#include "store/trigger_file_watch_win.h"
#include "ui/app_window_win.h"
#include "util/gdi_win.h"
#include "util/window_text.h"

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
  const std::u16string fitted = FitUtf16(tip, std::size(trayIcon.szTip));
  std::copy(fitted.begin(), fitted.end(), trayIcon.szTip);
  trayIcon.szTip[fitted.size()] = L'\0';
}

void AppWindow::AddTrayIcon(HWND window) {
  trayIcon = NOTIFYICONDATAW{};
  trayIcon.cbSize = sizeof trayIcon;
  trayIcon.hWnd = window;
  trayIcon.uID = 0;
  trayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  trayIcon.uCallbackMessage = TrayCallbackMessage;
  trayIcon.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ApplicationIconId));
  SetTrayTip("Tarquel Active");
  trayWanted = true;
  OnTaskbarCreated();
}

void AppWindow::OnTaskbarCreated() {
  if (!trayWanted) return;
  if (Shell_NotifyIconW(NIM_ADD, &trayIcon)) return;
  // Without the icon a hidden window could never be shown again: try a few more times.
  trayAddAttemptsLeft = TrayAddAttempts;
  SetTimer(MainWindow(), TrayRetryTimerId, TrayRetryMilliseconds, nullptr);
}

void AppWindow::OnTrayRetryTimer() {
  // NIM_ADD may have failed by timing out after the shell took the icon after all.
  bool shown = !trayWanted || Shell_NotifyIconW(NIM_MODIFY, &trayIcon) ||
               Shell_NotifyIconW(NIM_ADD, &trayIcon);
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
      AppendMenuW(menu.get(), MF_STRING, TrayRestoreCommand, L"Restore");
      AppendMenuW(menu.get(), MF_STRING, TrayQuitCommand, L"Quit");
      // The menu only closes on a click elsewhere when its owner is in the foreground.
      SetForegroundWindow(window);
      TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, window, nullptr);
      // The documented remedy for a tray menu that otherwise opens and closes erratically.
      PostMessageW(window, WM_NULL, 0, 0);
      return;
    }
    case WM_LBUTTONDBLCLK:
      ShowAndRaise(window);
      ShowPendingUpdatePrompt();
      return;
    case NIN_BALLOONUSERCLICK:
      // The prompt belongs to the window: bring it up first, as "Restore" does.
      ShowAndRaise(window);
      ShowPendingUpdatePrompt();
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
      ShowPendingUpdatePrompt();
      return;
    default:
      return;
  }
}

void AppWindow::RemoveTrayIcon() {
  trayWanted = false;
  KillTimer(MainWindow(), TrayRetryTimerId);
  Shell_NotifyIconW(NIM_DELETE, &trayIcon);
}

void AppWindow::ShowFromSecondStart() {
  HWND window = MainWindow();
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window);
  ShowPendingUpdatePrompt();
}

void AppWindow::OnMainWindowDestroyed(HWND window) {
  // Nothing is posted to the window once it is gone.
  triggerFileWatch.reset();
  KillTimer(window, TriggerReloadTimerId);
  UnregisterToggleHotkey(window);
  RemoveTrayIcon();
  PostQuitMessage(0);
}

}  // namespace tarquel
