#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/match/expander.h"
#include "engine/match/trigger_table.h"
#include "ui/elevation_notice_win.h"
#include "ui/group_panel_win.h"
#include "ui/main_layout.h"
#include "ui/saved_settings.h"
#include "ui/savings_counter_win.h"
#include "ui/settings_window_win.h"
#include "ui/shortcut_settings_win.h"
#include "ui/tray_icon_win.h"
#include "ui/trigger_editor_win.h"
#include "ui/trigger_file_sync_win.h"
#include "ui/trigger_import_win.h"
#include "ui/trigger_list_view_win.h"
#include "ui/update_notice_win.h"
#include "util/gdi_win.h"
#include "util/save_queue.h"
#include "util/snapshot.h"
#include "util/window_win.h"

namespace tarquel {

inline constexpr const wchar_t* MainWindowClassName = L"TarquelApp";
inline constexpr const wchar_t* MainWindowTitle = L"Tarquel";
inline constexpr WORD ApplicationIconId = 101;
// How long WM_ENDSESSION waits for queued saves: Windows ends a program that holds a logoff up
// some 5 s after this message.
inline constexpr std::chrono::milliseconds EndSessionSaveBound{4000};
// settings.txt that could not be read at start is looked at again this often until it is.
inline constexpr UINT_PTR SettingsRetryTimerId = 4;
inline constexpr UINT SettingsRetryMs = 2000;

// Child controls; the tray menu's commands (tray_icon_win.h) come above them, and one
// WM_COMMAND dispatch serves both.
inline constexpr WORD ListBoxId = 101;
inline constexpr WORD TriggerEditId = 102;
inline constexpr WORD ExpansionEditId = 103;
inline constexpr WORD AddButtonId = 104;
inline constexpr WORD DeleteButtonId = 105;
inline constexpr WORD StartupCheckId = 108;
inline constexpr WORD StartupLabelId = 109;
inline constexpr WORD SettingButtonId = 110;
inline constexpr WORD SearchEditId = 111;
inline constexpr WORD StatusTextId = 112;
inline constexpr WORD SearchCaptionId = 113;
inline constexpr WORD TriggerCaptionId = 114;
inline constexpr WORD ExpansionCaptionId = 115;
inline constexpr WORD FilterCaptionId = 117;
inline constexpr WORD GroupFilterId = 118;
inline constexpr WORD GroupOnCheckId = 119;
inline constexpr WORD GroupOnLabelId = 120;
inline constexpr WORD OnlyInCaptionId = 121;
inline constexpr WORD OnlyInEditId = 122;
inline constexpr WORD NotInCaptionId = 123;
inline constexpr WORD NotInEditId = 124;
inline constexpr WORD WhenCaptionId = 125;
inline constexpr WORD WhenBoxId = 126;
inline constexpr WORD WhereCaptionId = 127;
inline constexpr WORD WhereBoxId = 128;
inline constexpr WORD CaseCaptionId = 129;
inline constexpr WORD CaseBoxId = 130;
inline constexpr WORD GroupCaptionId = 131;
inline constexpr WORD GroupBoxId = 132;
inline constexpr WORD SavingsTextId = 133;

// Posted by the save worker: a save failed.
inline constexpr UINT SaveFailedMessage = WM_APP + 0x16;
// Registered by name: a second start posts it to bring this instance's window up.
inline constexpr const wchar_t* ShowWindowMessageName = L"TarquelShowWindow";

// How the main window starts.
struct AppWindowOptions {
  // config.txt is looked for here (settings.txt's data_folder=, else programFolder).
  std::filesystem::path dataFolder;
  // settings.txt and stats.txt, what belongs to this PC: beside the program.
  std::filesystem::path programFolder;
  // Started from the Run value at logon: the window stays hidden until asked for.
  bool startHidden = false;
  // Tells when the program in front runs as administrator; may be null.
  FocusWatch* focus = nullptr;
  // `--import FILE`: imported, after a preview, once config.txt is read.
  std::optional<std::filesystem::path> importPath;
};

// The main window and the parts it is made of: the trigger list, the editor, config.txt kept
// in step, the shortcuts, the tray icon, the update notice and settings.txt. The window places
// the controls, dispatches the messages to the parts, and runs the message loop.
class AppWindow : public BaseWindow<AppWindow> {
 public:
  // `table` is the window's own, which it edits and which the first read of config.txt fills;
  // `tables` is what the keyboard hook matches against, a copy of it published after every
  // change. `saves` writes config.txt and settings.txt.
  AppWindow(TriggerTable& table, Snapshot<TriggerTable>& tables, Expander& expander,
            BackgroundSaves& saves, const AppWindowOptions& options);
  ~AppWindow();

  // Creates the window, the tray icon and the controls, then serves messages until WM_QUIT.
  void Run();

 private:
  friend class BaseWindow<AppWindow>;

  // The window's one dispatcher: every message of the main window comes here.
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls(HWND window);
  // Places every control for `dpi_` and gives it its font.
  void LayoutControls();
  // WM_DPICHANGED: the window moved to a monitor of another scale, or the scale changed.
  // `suggested` is the system's rectangle for the window at the new DPI.
  void OnDpiChanged(HWND window, int newDpi, const RECT& suggested);
  void OnCommand(HWND window, WORD id, WORD code);
  // Keys of the whole window, looked at before the focused control gets them: Ctrl+F, Ctrl+,
  // (the Settings window), and in the list Delete and Ctrl+Z. True when the key was used.
  bool OnWindowKey(const MSG& message);
  void OnActivate(WPARAM state);
  void OnTrayEvent(LPARAM event);
  // Shows the window in front, and the update prompt if one waits.
  void ShowAndRaise();
  void ShowFromSecondStart();
  void ToggleExpansion();
  // The tray's tip: the program in front out of reach, or whether expansion is on.
  void ShowTip();
  void OnSaveFailed();
  // The user may have dragged a column's edge: new widths are kept in settings.txt.
  void OnListColumnsChanged();
  int TypingSpeed() const;
  void OnDestroyed(HWND window);
  // The values of settings.txt that the engine follows, put in force again.
  void ApplySettings();
  // A change made in the Settings window: in force at once, the header shows it.
  void SettingsChanged();
  void OpenDataFolder(HWND window);
  // The Settings window's CHANGE: config.txt kept in `chosen` from now on, then a restart.
  void ChangeDataFolder(const std::filesystem::path& chosen);
  void OnSettingsRetryTimer(HWND window);
  // WM_QUERYENDSESSION and WM_ENDSESSION: at logoff or restart the process may end as soon as
  // WM_ENDSESSION returns, before the message loop ends.
  LRESULT OnQueryEndSession(HWND window);
  void OnEndSession(HWND window, bool ending);

  Expander& expander_;
  BackgroundSaves& saves_;
  bool startHidden_;
  std::optional<std::filesystem::path> importPath_;
  SavedSettings settings_;
  TrayIcon tray_;
  TriggerListView list_;
  TriggerFileSync file_;
  TriggerEditor editor_;
  TriggerImport import_;
  GroupPanel groups_;
  ShortcutSettings shortcuts_;
  UpdateNotice update_;
  SettingsWindow settingsWindow_;
  ElevationNotice elevation_;
  std::filesystem::path dataFolder_;
  std::filesystem::path programFolder_;
  SavingsCounter savings_;
  // While a program run as administrator is in front, the tray says so instead of the state.
  std::string elevationTip_;

  // The main window's DPI: its monitor's, from its creation on.
  int dpi_ = BaseDpi;
  HWND startupCheck_ = nullptr;
  UniqueFont captionFont_;
  UniqueFont savingsFont_;
  // The list's column widths at 96 DPI, as last put on it or saved.
  ColumnWidths columnWidths_{};
  // The control that had the focus when the window was last deactivated.
  HWND focusBeforeDeactivation_ = nullptr;
  // The row selected while a read of config.txt replaces the table.
  std::optional<std::string> selectedBeforeReload_;
  bool saveWarningOpen_ = false;
  // Explorer broadcasts this when it (re)starts; the icon must then be added again.
  UINT taskbarCreatedMessage_ = 0;
  UINT showWindowMessage_ = 0;
};

}  // namespace tarquel
