#include "ui/tray_icon_win.h"

#include <algorithm>
#include <string>

#include "util/gdi_win.h"
#include "util/window_text.h"

namespace tarquel {
namespace {

// A shell that is still starting (logon, Explorer restarting) refuses icons for a moment.
constexpr int TrayAddAttempts = 5;
constexpr UINT TrayRetryMilliseconds = 2000;

// The shell reads cbSize to tell the record's layout; this is the full Vista-and-later one.
static_assert(sizeof(NOTIFYICONDATAW) == 976 || sizeof(void*) != 8);

// UTF-8 into a fixed UTF-16 field of the record, cut at a character boundary.
template <std::size_t Size>
void CopyText(wchar_t (&field)[Size], std::string_view text) {
  const std::u16string fitted = FitUtf16(text, Size);
  std::copy(fitted.begin(), fitted.end(), field);
  field[fitted.size()] = L'\0';
}

}  // namespace

void TrayIcon::Add(HWND window, WORD iconId) {
  record_ = NOTIFYICONDATAW{};
  record_.cbSize = sizeof record_;
  record_.hWnd = window;
  record_.uID = 0;
  record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record_.uCallbackMessage = TrayCallbackMessage;
  programIcon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId));
  record_.hIcon = programIcon_;
  CopyText(record_.szTip, "Tarquel Active");
  wanted_ = true;
  OnTaskbarCreated();
}

void TrayIcon::SetTip(std::string_view tip) {
  CopyText(record_.szTip, tip);
  if (wanted_) Shell_NotifyIconW(NIM_MODIFY, &record_);
}

void TrayIcon::ShowShield(bool shield) {
  HICON icon = shield ? LoadIconW(nullptr, IDI_SHIELD) : programIcon_;
  if (icon == nullptr || icon == record_.hIcon) return;
  record_.hIcon = icon;
  if (wanted_) Shell_NotifyIconW(NIM_MODIFY, &record_);
}

void TrayIcon::Notify(std::string_view title, std::string_view text) {
  if (!wanted_) return;
  NOTIFYICONDATAW balloon = record_;
  balloon.uFlags = NIF_INFO;
  balloon.dwInfoFlags = NIIF_INFO;
  CopyText(balloon.szInfoTitle, title);
  CopyText(balloon.szInfo, text);
  Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

void TrayIcon::OnTaskbarCreated() {
  if (!wanted_) return;
  if (Shell_NotifyIconW(NIM_ADD, &record_)) return;
  // Without the icon a hidden window could never be shown again: try a few more times.
  addAttemptsLeft_ = TrayAddAttempts;
  SetTimer(record_.hWnd, TrayRetryTimerId, TrayRetryMilliseconds, nullptr);
}

void TrayIcon::OnRetryTimer() {
  // NIM_ADD may have failed by timing out after the shell took the icon after all.
  bool shown =
      !wanted_ || Shell_NotifyIconW(NIM_MODIFY, &record_) || Shell_NotifyIconW(NIM_ADD, &record_);
  if (shown || --addAttemptsLeft_ <= 0) KillTimer(record_.hWnd, TrayRetryTimerId);
}

void TrayIcon::ShowMenu(bool expansionEnabled, bool offerRestartElevated) {
  HWND window = record_.hWnd;
  POINT cursor{};
  GetCursorPos(&cursor);
  UniqueMenu menu(CreatePopupMenu());
  if (!menu) return;
  AppendMenuW(menu.get(), MF_STRING, TrayRestoreCommand, L"Restore");
  AppendMenuW(menu.get(), MF_STRING, TrayToggleCommand,
              expansionEnabled ? L"Pause expansion" : L"Resume expansion");
  AppendMenuW(menu.get(), MF_STRING, TraySettingsCommand, L"Settings");
  AppendMenuW(menu.get(), MF_STRING, TrayImportCommand, L"Import\u2026");
  AppendMenuW(menu.get(), MF_STRING, TrayExportCommand, L"Export\u2026");
  AppendMenuW(menu.get(), MF_STRING, TrayOpenFolderCommand, L"Open data folder");
  if (offerRestartElevated) {
    AppendMenuW(menu.get(), MF_STRING, TrayRestartElevatedCommand, L"Restart as administrator");
  }
  AppendMenuW(menu.get(), MF_STRING, TrayQuitCommand, L"Quit");
  // The menu only closes on a click elsewhere when its owner is in the foreground.
  SetForegroundWindow(window);
  TrackPopupMenu(menu.get(), TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, window, nullptr);
  // The documented remedy for a tray menu that otherwise opens and closes erratically.
  PostMessageW(window, WM_NULL, 0, 0);
}

void TrayIcon::Remove() {
  wanted_ = false;
  if (record_.hWnd == nullptr) return;
  KillTimer(record_.hWnd, TrayRetryTimerId);
  Shell_NotifyIconW(NIM_DELETE, &record_);
}

}  // namespace tarquel
