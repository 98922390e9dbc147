#pragma once

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "ui/saved_settings.h"
#include "ui/settings_model.h"
#include "ui/shortcut_settings_win.h"
#include "util/gdi_win.h"
#include "util/window_win.h"

namespace tarquel {

inline constexpr const wchar_t* SettingsWindowClassName = L"TarquelSettings";
inline constexpr const wchar_t* SettingsWindowTitle = L"Tarquel Settings";

// What the Settings window asks of the rest of the program.
struct SettingsWindowActions {
  // settings.txt's values changed: the engine takes them up at once.
  std::function<void()> apply;
  // Start on Startup was switched here: the main window's box follows.
  std::function<void()> startupChanged;
  // "Check now".
  std::function<void()> checkForUpdate;
  // A folder was chosen for config.txt.
  std::function<void(const std::filesystem::path&)> changeDataFolder;
};

// Every setting in one window, each with a line saying what it does. A change is in force and
// handed to the save worker as soon as it is made: a box ticked, a program added or removed, a
// field left or Enter pressed in it. Modeless: it is served by the main loop (OnDialogMessage),
// and made anew each time it opens.
class SettingsWindow : public BaseWindow<SettingsWindow> {
 public:
  SettingsWindow(SavedSettings& settings, ShortcutSettings& shortcuts,
                 std::filesystem::path dataFolder, SettingsWindowActions actions);
  ~SettingsWindow();

  // Opens the window in front, or brings it there; `mainWindow` keeps the toggle's hotkey.
  void Show(HWND mainWindow);
  // Tab, Enter and Escape as in a dialog, for a message to this window or its controls; true
  // when the message was used.
  bool OnDialogMessage(MSG& message);
  // Start on Startup changed elsewhere: the box shows the registry again.
  void ShowStartup();
  // settings.txt was read late (it was held at start): the window shows what it holds.
  void ShowValues();

 private:
  friend class BaseWindow<SettingsWindow>;

  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls(HWND window);
  void Layout();
  void MakeFonts();
  void Paint(HWND window);
  void OnCommand(WORD id, WORD code);
  // Enter: the focused field is taken, the focused button pressed.
  void OnEnter();
  void ShowPrograms(ProgramList list);
  void FillChoices(ProgramList list);
  void AddProgramFrom(ProgramList list);
  void RemoveSelected(ProgramList list);
  void RemoveSelectedPace();
  void ApplyThreshold();
  void ApplyEndingCharacters();
  void OnCheckBox(WORD id);
  void OpenDataFolder();
  std::optional<std::filesystem::path> ChooseFolder();
  // The line at the bottom: a refusal, or what was done.
  void Tell(std::string_view text);
  // The change is in force and goes to the save worker.
  void Changed(std::string_view what);

  SavedSettings& settings_;
  ShortcutSettings& shortcuts_;
  std::filesystem::path dataFolder_;
  SettingsWindowActions actions_;
  HWND mainWindow_ = nullptr;
  int dpi_ = 96;
  UniqueFont captionFont_;
  UniqueFont explanationFont_;
  UniqueFont controlFont_;
  HWND focusBeforeDeactivation_ = nullptr;
};

}  // namespace tarquel
