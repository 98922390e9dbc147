// The shortcuts' CHANGE buttons: the capture dialog records the keys, the main window checks them
// against each other, registers them and saves them.
#include "ui/shortcut_settings_win.h"

#include <optional>
#include <string>

#include "settings/search_shortcut.h"
#include "settings/shortcut.h"
#include "settings/shortcut_capture_win.h"
#include "util/wide_text_win.h"

namespace tarquel {
namespace {

constexpr const wchar_t* ToggleCaptureTitle = L"Set Toggle Shortcut";
constexpr const wchar_t* SearchCaptureTitle = L"Set Search Popup Shortcut";

}  // namespace

ShortcutSettings::ShortcutSettings(SavedSettings& settings, Expander& expander,
                                   const TriggerTable& table)
    : settings_(settings), expander_(expander), searchPopup_(std::make_unique<SearchPopup>(table)) {
  searchPopup_->RegisterShortcut(SearchShortcut(settings_.Values()));
}

void ShortcutSettings::RegisterToggle(HWND window) {
  const Shortcut& shortcut = settings_.Values().shortcut;
  // The modifier bits are RegisterHotKey's own. A held shortcut toggles once, not on and off
  // with every repeat.
  if (!RegisterHotKey(window, ToggleHotkeyId, shortcut.modifiers | MOD_NOREPEAT, shortcut.key)) {
    OutputDebugStringA("Warning: Failed to register toggle hotkey\n");
    // Without a hotkey the combination is an ordinary key press again.
    expander_.SetIgnoredShortcut(0, 0);
    return;
  }
  expander_.SetIgnoredShortcut(shortcut.modifiers, shortcut.key);
}

void ShortcutSettings::UnregisterToggle(HWND window) {
  UnregisterHotKey(window, ToggleHotkeyId);
  expander_.SetIgnoredShortcut(0, 0);
}

bool ShortcutSettings::CaptureToggle(HWND window, HWND owner) {
  const std::optional<Shortcut> captured = CaptureShortcutDialog(owner, ToggleCaptureTitle);
  if (!captured) return false;
  Settings& settings = settings_.Values();
  if (*captured == SearchShortcut(settings)) {
    // Both would be registered for the same keys, and only one could have them.
    ShowMessageBox(owner,
                   FormatShortcut(captured->modifiers, captured->key) +
                       " already opens the search popup. The toggle shortcut stays " +
                       settings.shortcutText + ".",
                   "Tarquel", MB_OK | MB_ICONWARNING);
    return false;
  }

  UnregisterToggle(window);
  settings.shortcut = *captured;
  settings.shortcutText = FormatShortcut(captured->modifiers, captured->key);
  // Written by the save worker, like every file: this thread answers the keyboard hook.
  settings_.Save("The new shortcut " + settings.shortcutText +
                 " works until Tarquel ends, but it could not be saved for the next start.");
  RegisterToggle(window);
  InvalidateRect(window, nullptr, TRUE);
  OutputDebugStringA(("New shortcut: " + settings.shortcutText + "\n").c_str());
  return true;
}

bool ShortcutSettings::CaptureSearch(HWND window, HWND owner) {
  const std::optional<Shortcut> captured = CaptureShortcutDialog(owner, SearchCaptureTitle);
  if (!captured) return false;
  Settings& settings = settings_.Values();
  const std::string text = FormatShortcut(captured->modifiers, captured->key);
  if (*captured == settings.shortcut) {
    ShowMessageBox(owner,
                   text +
                       " already switches expansion on and off. The search popup's shortcut "
                       "stays " +
                       SearchShortcutText(settings) + ".",
                   "Tarquel", MB_OK | MB_ICONWARNING);
    return false;
  }
  SetSettingsValue(settings, SearchShortcutKey, text);
  if (!searchPopup_->RegisterShortcut(*captured)) {
    ShowMessageBox(owner,
                   text +
                       " is taken by another program, so it cannot open the search popup "
                       "until that program lets it go. It is kept for the next start.",
                   "Tarquel", MB_OK | MB_ICONWARNING);
  }
  settings_.Save("The new search popup shortcut " + text +
                 " works until Tarquel ends, but it could not be saved for the next start.");
  InvalidateRect(window, nullptr, TRUE);
  OutputDebugStringA(("New search shortcut: " + text + "\n").c_str());
  return true;
}

}  // namespace tarquel
