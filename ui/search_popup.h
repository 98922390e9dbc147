#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/trigger_table.h"
#include "settings/settings_file.h"
#include "settings/shortcut.h"

namespace tarquel {

// The search popup's shortcut in settings.txt, and its default: a function key types no
// character on any layout, and it sits beside the toggle's Ctrl+Shift+F12.
inline constexpr std::string_view SearchShortcutKey = "search_shortcut";
inline constexpr Shortcut DefaultSearchShortcut{ModifierCtrl | ModifierShift, 0x7A};
inline constexpr std::string_view DefaultSearchShortcutText = "Ctrl+Shift+F11";

// The shortcut in force: settings.txt's when it names a key other than the toggle's, else the
// default (ParseShortcut gives the toggle's numbers for a text it cannot read).
Shortcut SearchShortcut(const Settings& settings);
// The text of that shortcut, as the window shows it.
std::string SearchShortcutText(const Settings& settings);

struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Where a popup of `width` x `height` goes: just below `anchor` (the caret, or the mouse
// pointer as an empty rectangle), above it when the work area has no room below, and always
// wholly inside `workArea` (the work area of the monitor that holds the anchor).
ScreenRect PlaceSearchPopup(const ScreenRect& anchor, int width, int height,
                            const ScreenRect& workArea);

// The entries whose trigger or expansion contains `query`, ignoring case as the main window's
// search does (FoldCase), in table order, at most `limit`. An empty query lists the first
// `limit` entries.
std::vector<const TriggerTable::Entry*> FilterTriggers(const TriggerTable& table,
                                                       std::string_view query, std::size_t limit);

}  // namespace tarquel
