#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <filesystem>
#include <string_view>

#include "engine/expander.h"
#include "engine/trigger_table.h"
#include "settings/settings_file.h"
#include "ui/trigger_file_history.h"

namespace tarquel {

inline constexpr const wchar_t* MainWindowClassName = L"TarquelApp";
inline constexpr const wchar_t* MainWindowTitle = L"Tarquel";
inline constexpr int MainWindowWidth = 800;
inline constexpr int MainWindowHeight = 500;
inline constexpr WORD ApplicationIconId = 101;

// Child controls, and the tray menu's commands above them: one WM_COMMAND dispatch serves both.
inline constexpr WORD ListBoxId = 101;
inline constexpr WORD TriggerEditId = 102;
inline constexpr WORD ExpansionEditId = 103;
inline constexpr WORD AddButtonId = 104;
inline constexpr WORD DeleteButtonId = 105;
inline constexpr WORD StartupCheckId = 108;
inline constexpr WORD StartupLabelId = 109;
inline constexpr WORD SettingButtonId = 110;
inline constexpr WORD TrayQuitCommand = 2001;
inline constexpr WORD TrayRestoreCommand = 2002;

inline constexpr UINT TrayCallbackMessage = WM_USER + 1;
inline constexpr int ToggleHotkeyId = 1;
inline constexpr UINT_PTR TrayRetryTimerId = 1;

class AppWindow;
// The window procedure gets no user data; it finds the application object through this.
extern AppWindow* ActiveAppWindow;

// The application object behind the main window. Its operations live beside the part of the
// window they serve: the window and its dispatch (app_window_win.cpp), the list
// (trigger_list_win.cpp), the tray (tray_win.cpp), the toggle hotkey
// (settings/toggle_hotkey_win.cpp).
class AppWindow {
 public:
  // config.txt and settings.txt are looked for in `dataFolder`.
  AppWindow(TriggerTable& table, Expander& expander, const std::filesystem::path& dataFolder);
  AppWindow(const AppWindow&) = delete;
  AppWindow& operator=(const AppWindow&) = delete;

  // Creates the window, the tray icon and the controls, then serves messages until WM_QUIT.
  void Run();
  void CreateControls(HWND window);
  void SetControlFont(HWND control, bool bold);
  void OnCommand(HWND window, WORD id, WORD code);

  void FillTriggerList();
  void AddTrigger();
  void DeleteSelectedTrigger();

  void AddTrayIcon(HWND window);
  void SetTrayTip(std::string_view tip);
  void OnTrayCallback(LPARAM event);
  void OnTrayCommand(WORD command);
  void RemoveTrayIcon();
  void OnMainWindowDestroyed(HWND window);
  void OnTaskbarCreated();
  void OnTrayRetryTimer();

  void RegisterToggleHotkey(HWND window);
  void UnregisterToggleHotkey(HWND window);
  void ToggleExpansion();
  void RunShortcutCapture();

  // The main window keeps no field of its own: the tray record names it.
  HWND MainWindow() const { return trayIcon.hWnd; }

  TriggerTable& table;
  NOTIFYICONDATAW trayIcon{};
  HWND listBox = nullptr;
  HWND triggerEdit = nullptr;
  HWND expansionEdit = nullptr;
  HWND addButton = nullptr;
  HWND deleteButton = nullptr;
  HWND settingButton = nullptr;
  Settings settings;
  Expander& expander;
  HWND startupCheck = nullptr;

  // Beside the executable, not in the working directory: started from the Run key, the
  // program's working directory is a system folder it can neither read its files from nor
  // write them to.
  std::filesystem::path triggerFile;
  std::filesystem::path settingsFile;
  // What config.txt held when loaded, so that the first save can keep what it would drop.
  TriggerFileHistory triggerFileHistory;

  // Explorer broadcasts this when it (re)starts; the icon must then be added again.
  UINT taskbarCreatedMessage = 0;
  // The icon should be shown: true from AddTrayIcon until RemoveTrayIcon.
  bool trayWanted = false;
  int trayAddAttemptsLeft = 0;
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tarquel
