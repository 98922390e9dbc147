// The shortcuts' buttons: the capture dialog records the keys, the main window checks them
// against each other, registers them and saves them.
#include <optional>
#include <string>

#include "settings/search_shortcut.h"
#include "settings/shortcut.h"
#include "settings/shortcut_capture_win.h"
#include "ui/app_window_win.h"
#include "ui/search_popup_win.h"
#include "util/wide_text_win.h"

namespace tarquel {
namespace {

constexpr const wchar_t* ToggleCaptureTitle = L"Set Toggle Shortcut";
constexpr const wchar_t* SearchCaptureTitle = L"Set Search Popup Shortcut";

}  // namespace

std::optional<Shortcut> AppWindow::CaptureShortcut(const wchar_t* title) {
  return CaptureShortcutDialog(MainWindow(), title);
}

void AppWindow::RunShortcutCapture() {
  const std::optional<Shortcut> captured = CaptureShortcut(ToggleCaptureTitle);
  if (!captured) return;
  HWND window = MainWindow();
  if (*captured == SearchShortcut(settings)) {
    // Both would be registered for the same keys, and only one could have them.
    ShowMessageBox(window,
                   FormatShortcut(captured->modifiers, captured->key) +
                       " already opens the search popup. The toggle shortcut stays " +
                       settings.shortcutText + ".",
                   "Tarquel", MB_OK | MB_ICONWARNING);
    return;
  }

  UnregisterToggleHotkey(window);
  settings.shortcut = *captured;
  settings.shortcutText = FormatShortcut(captured->modifiers, captured->key);
  // Written by the save worker, like every file: this thread answers the keyboard hook.
  SaveSettingsInBackground("The new shortcut " + settings.shortcutText +
                           " works until Tarquel ends, but it could not be saved for the next "
                           "start.");
  RegisterToggleHotkey(window);
  InvalidateRect(window, nullptr, TRUE);
  OutputDebugStringA(("New shortcut: " + settings.shortcutText + "\n").c_str());
}

void AppWindow::RunSearchShortcutCapture() {
  const std::optional<Shortcut> captured = CaptureShortcut(SearchCaptureTitle);
  if (!captured) return;
  HWND window = MainWindow();
  const std::string text = FormatShortcut(captured->modifiers, captured->key);
  if (*captured == settings.shortcut) {
    ShowMessageBox(window,
                   text +
                       " already switches expansion on and off. The search popup's shortcut "
                       "stays " +
                       SearchShortcutText(settings) + ".",
                   "Tarquel", MB_OK | MB_ICONWARNING);
    return;
  }
  SetSettingsValue(settings, SearchShortcutKey, text);
  if (!searchPopup->RegisterShortcut(*captured)) {
    ShowMessageBox(window,
                   text +
                       " is taken by another program, so it cannot open the search popup "
                       "until that program lets it go. It is kept for the next start.",
                   "Tarquel", MB_OK | MB_ICONWARNING);
  }
  SaveSettingsInBackground("The new search popup shortcut " + text +
                           " works until Tarquel ends, but it could not be saved for the next "
                           "start.");
  InvalidateRect(window, nullptr, TRUE);
  OutputDebugStringA(("New search shortcut: " + text + "\n").c_str());
}

}  // namespace tarquel
