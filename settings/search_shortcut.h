#pragma once

#include <string>
#include <string_view>

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

}  // namespace tarquel
