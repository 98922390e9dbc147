#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/match/expander.h"
#include "engine/match/trigger_table.h"
#include "settings/settings_file.h"
#include "store/trigger_file_history.h"
#include "store/trigger_file_sync.h"
#include "ui/main_layout.h"
#include "ui/search_popup_win.h"
#include "ui/trigger_filter.h"
#include "util/gdi_win.h"
#include "util/save_queue.h"
#include "util/snapshot.h"

namespace tarquel {

inline constexpr const wchar_t* MainWindowClassName = L"TarquelApp";
inline constexpr const wchar_t* MainWindowTitle = L"Tarquel";
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
inline constexpr WORD SearchEditId = 111;
inline constexpr WORD StatusTextId = 112;
inline constexpr WORD SearchCaptionId = 113;
inline constexpr WORD TriggerCaptionId = 114;
inline constexpr WORD ExpansionCaptionId = 115;
inline constexpr WORD SearchKeyButtonId = 116;
inline constexpr WORD TrayQuitCommand = 2001;
inline constexpr WORD TrayRestoreCommand = 2002;

inline constexpr UINT TrayCallbackMessage = WM_USER + 1;
inline constexpr int ToggleHotkeyId = 1;
inline constexpr UINT_PTR TrayRetryTimerId = 1;
// Posted by the workers: the update check has an answer; a save failed.
inline constexpr UINT UpdateCheckDoneMessage = WM_APP + 0x15;
inline constexpr UINT SaveFailedMessage = WM_APP + 0x16;
// Something in the data folder changed; a save of config.txt by this run is done.
inline constexpr UINT TriggerFileChangedMessage = WM_APP + 0x17;
inline constexpr UINT TriggerFileSavedMessage = WM_APP + 0x18;
// Another editor's save comes as a burst of changes (and some write the file in several
// steps): config.txt is read this long after the first change of a burst.
inline constexpr UINT_PTR TriggerReloadTimerId = 2;
inline constexpr UINT TriggerReloadQuietMs = 250;
// Registered by name: a second start posts it to bring this instance's window up.
inline constexpr const wchar_t* ShowWindowMessageName = L"TarquelShowWindow";

class UpdateCheckWorker;
class TriggerFileWatch;

// A published version worth telling the user about.
struct UpdateOffer {
  std::string version;
  std::string link;
};

class AppWindow;
// The window procedure gets no user data; it finds the application object through this.
extern AppWindow* ActiveAppWindow;

// The application object behind the main window. Its operations live beside the part of the
// window they serve: the window and its dispatch (app_window_win.cpp), the list
// (trigger_list_win.cpp), the editor (trigger_editor_win.cpp), the tray (tray_win.cpp), the
// hotkeys (app_window_hotkeys_win.cpp), the shortcut buttons (app_window_shortcuts_win.cpp),
// the update check (app_window_update_win.cpp) and another program's change of config.txt
// (app_window_reload_win.cpp).
class AppWindow {
 public:
  // config.txt and settings.txt are looked for in `dataFolder`; `saves` writes them.
  // `table` is the window's own, which it edits; `tables` is what the keyboard hook matches
  // against, a copy of it published after every change.
  AppWindow(TriggerTable& table, Snapshot<TriggerTable>& tables, Expander& expander,
            const std::filesystem::path& dataFolder, BackgroundSaves& saves);
  ~AppWindow();
  AppWindow(const AppWindow&) = delete;
  AppWindow& operator=(const AppWindow&) = delete;

  // Creates the window, the tray icon and the controls, then serves messages until WM_QUIT.
  void Run();
  void CreateControls(HWND window);
  // Places every control for `dpi` and gives it its font.
  void LayoutControls();
  void SetControlFont(HWND control, bool bold);
  // WM_DPICHANGED: the window moved to a monitor of another scale, or the scale changed.
  // `suggested` is the system's rectangle for the window at the new DPI.
  void OnDpiChanged(HWND window, int newDpi, const RECT& suggested);
  void OnCommand(HWND window, WORD id, WORD code);
  // Keys of the whole window, looked at before the focused control gets them: Ctrl+F, and in
  // the list Delete and Ctrl+Z. True when the key was used.
  bool OnWindowKey(const MSG& message);
  void OnActivate(WPARAM state);

  // Shows the rows of the table that the search field lets through; a selection stays on its
  // entry while that entry is shown.
  void FillTriggerList();
  LRESULT OnListNotify(NMHDR& header);
  // The selected row, if any.
  std::optional<std::size_t> SelectedRow() const;
  // Shows the list again after `trigger`'s entry changed, with that entry's row selected and
  // scrolled into view; the search is emptied when it would hide it.
  void ShowChangedEntry(const std::string& trigger);
  // Selects and shows `row` without filling the fields from it.
  void SelectRow(std::optional<std::size_t> row);
  void FillFieldsFromRow(std::size_t row);
  void SetStatus(std::string_view text);
  void AddTrigger();
  void DeleteSelectedTrigger();
  // Brings back the entry the last DELETE took away, until the next change.
  void UndoDelete();
  // Gives the keyboard hook a copy of the table as it now is.
  void PublishTable();
  // Hands the table to the save worker; asks first when config.txt was too large to load.
  void SaveTriggers();
  void OnSaveFailed();
  // Hands the whole `settings` record, as it is now, to the save worker: every change of
  // settings.txt goes this way, so the file never gets an older record after a newer one. On
  // failure the user is told `whatFailed` and the reason; nothing when it is empty.
  void SaveSettingsInBackground(std::string whatFailed);
  void WarnTriggerFileTooLarge();

  // Reads config.txt again when someone else changed it since this run last read or wrote it,
  // and shows the new table. The editor calls it before applying a change, so that the change
  // goes to what the file now holds. While a save of ours is still queued the file may be older
  // than the table: nothing is read then, and the check is made again once the save is done.
  void ReloadTriggersFromDisk();
  void OnTriggerFileChanged();
  void OnTriggerFileSaved();
  // A second start asked for the window.
  void ShowFromSecondStart();

  // The check runs on a worker once the window, the hook and the tray icon exist, at most
  // once a day; its answer comes back as UpdateCheckDoneMessage.
  void StartUpdateCheck();
  void OnUpdateCheckDone();
  // The prompt appears only when the user brings the window up (or clicks the notification):
  // a box that opened by itself would take the keys the user is typing elsewhere.
  void ShowPendingUpdatePrompt();

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
  // The capture dialog with `title`; the shortcut the user pressed, none when cancelled.
  std::optional<Shortcut> CaptureShortcut(const wchar_t* title);
  void RunShortcutCapture();
  void RunSearchShortcutCapture();

  // The main window keeps no field of its own: the tray record names it.
  HWND MainWindow() const { return trayIcon.hWnd; }

  TriggerTable& table;
  Snapshot<TriggerTable>& tables;
  NOTIFYICONDATAW trayIcon{};
  // The main window's DPI: its monitor's, from its creation on.
  int dpi = BaseDpi;
  HWND listBox = nullptr;
  HWND triggerEdit = nullptr;
  HWND expansionEdit = nullptr;
  HWND addButton = nullptr;
  HWND deleteButton = nullptr;
  HWND settingButton = nullptr;
  HWND searchKeyButton = nullptr;
  HWND searchEdit = nullptr;
  HWND statusText = nullptr;
  HWND captions[3] = {};
  Settings settings;
  // The rows the list shows; the list holds no text of its own.
  TriggerSearch search{table};
  // The trigger of the row whose entry is in the fields, while it is.
  std::optional<std::string> rowTrigger;
  // Set while the program itself changes the selection, which then leaves the fields alone.
  bool selectingFromCode = false;
  // What the last DELETE took away, until the next change.
  std::optional<std::pair<std::string, std::string>> lastDeleted;
  // The control that had the focus when the window was last deactivated.
  HWND focusBeforeDeactivation = nullptr;
  UniqueFont captionFont;
  // Opened by its own global shortcut (search_shortcut= in settings.txt).
  std::unique_ptr<SearchPopup> searchPopup;
  Expander& expander;
  HWND startupCheck = nullptr;

  // Beside the executable, not in the working directory: started from the Run key, the
  // program's working directory is a system folder it can neither read its files from nor
  // write them to.
  std::filesystem::path triggerFile;
  std::filesystem::path settingsFile;
  // What config.txt held when loaded, so that the first save can keep what it would drop.
  // Handed to the save worker, which alone touches it from then on.
  std::shared_ptr<TriggerFileHistory> triggerFileHistory = std::make_shared<TriggerFileHistory>();
  // config.txt was too large to load: it is not written over until the user agrees.
  bool triggerFileTooLarge = false;
  // Shared with the save jobs of config.txt, which report to it when done.
  std::shared_ptr<TriggerSaveTracker> triggerSaves = std::make_shared<TriggerSaveTracker>();
  std::unique_ptr<TriggerFileWatch> triggerFileWatch;
  // The folder changed while a save of ours was queued: check once the saves are done.
  bool reloadAfterSaves = false;
  bool reloadTimerSet = false;
  // The last look found config.txt unreadable (told once until it reads again).
  bool triggerFileUnreadable = false;
  // Started from the Run value at logon: the window stays hidden until asked for.
  bool startHidden = false;
  UINT showWindowMessage = 0;
  BackgroundSaves& saves;
  bool saveWarningOpen = false;

  std::unique_ptr<UpdateCheckWorker> updateCheck;
  std::optional<UpdateOffer> pendingUpdate;
  bool updatePromptOpen = false;

  // Explorer broadcasts this when it (re)starts; the icon must then be added again.
  UINT taskbarCreatedMessage = 0;
  // The icon should be shown: true from AddTrayIcon until RemoveTrayIcon.
  bool trayWanted = false;
  int trayAddAttemptsLeft = 0;
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tarquel
