#pragma once

#include <windows.h>

#include <memory>

#include "engine/match/expander.h"
#include "engine/match/trigger_table.h"
#include "ui/saved_settings.h"
#include "ui/search_popup_win.h"

namespace tarquel {

inline constexpr int ToggleHotkeyId = 1;

// The two global shortcuts, the toggle's and the search popup's: registered with the system,
// recorded anew by the capture dialog, checked against each other and saved.
class ShortcutSettings {
 public:
  // The search popup lists `table`'s entries; its shortcut is registered at once.
  ShortcutSettings(SavedSettings& settings, Expander& expander, const TriggerTable& table);
  ShortcutSettings(const ShortcutSettings&) = delete;
  ShortcutSettings& operator=(const ShortcutSettings&) = delete;

  // The toggle's hotkey, on `window` (WM_HOTKEY with ToggleHotkeyId).
  void RegisterToggle(HWND window);
  void UnregisterToggle(HWND window);
  // The capture dialog over `owner`, then the new shortcut, registered on `window` (the main
  // window, which gets WM_HOTKEY). True when a new shortcut was taken.
  bool CaptureToggle(HWND window, HWND owner);
  bool CaptureSearch(HWND window, HWND owner);
  // The table's entries were replaced: the popup's rows point to none of them any more.
  void TableChanged() { searchPopup_->TableChanged(); }

 private:
  SavedSettings& settings_;
  Expander& expander_;
  // Opened by its own global shortcut (search_shortcut= in settings.txt).
  std::unique_ptr<SearchPopup> searchPopup_;
};

}  // namespace tarquel
