#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <string_view>

namespace tarquel {

inline constexpr UINT TrayCallbackMessage = WM_USER + 1;
inline constexpr UINT_PTR TrayRetryTimerId = 1;
// The menu's commands, sent to the main window as WM_COMMAND.
inline constexpr WORD TrayQuitCommand = 2001;
inline constexpr WORD TrayRestoreCommand = 2002;
inline constexpr WORD TrayRestartElevatedCommand = 2003;
inline constexpr WORD TrayImportCommand = 2004;
inline constexpr WORD TrayExportCommand = 2005;
inline constexpr WORD TrayToggleCommand = 2006;
inline constexpr WORD TraySettingsCommand = 2007;
inline constexpr WORD TrayOpenFolderCommand = 2008;

// The notification-area icon of the main window: its tip, its notifications, its menu, and
// adding it again whenever the shell (re)starts.
class TrayIcon {
 public:
  // Adds the icon for `window`, with the tip "Tarquel Active" and TrayCallbackMessage.
  void Add(HWND window, WORD iconId);
  void SetTip(std::string_view tip);
  // The shield in place of the program's icon: the program in front runs as administrator,
  // out of this one's reach.
  void ShowShield(bool shield);
  // A notification balloon that takes no focus; NIN_BALLOONUSERCLICK comes when it is clicked.
  void Notify(std::string_view title, std::string_view text);
  // Explorer (re)started: the icon must be added again.
  void OnTaskbarCreated();
  void OnRetryTimer();
  // "Restore", "Pause expansion" (or "Resume expansion" while `expansionEnabled` is false),
  // "Settings", "Import...", "Export...", "Open data folder" and "Quit" at the cursor, owned by
  // the main window; "Restart as administrator" before "Quit" when `offerRestartElevated`.
  void ShowMenu(bool expansionEnabled, bool offerRestartElevated = false);
  void Remove();

 private:
  NOTIFYICONDATAW record_{};
  HICON programIcon_ = nullptr;
  // The icon should be shown: true from Add until Remove.
  bool wanted_ = false;
  int addAttemptsLeft_ = 0;
};

}  // namespace tarquel
