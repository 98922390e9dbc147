#include "settings/search_shortcut.h"

#include <optional>

namespace tarquel {

Shortcut SearchShortcut(const Settings& settings) {
  std::optional<std::string> text = SettingsValue(settings, SearchShortcutKey);
  if (!text) return DefaultSearchShortcut;
  Shortcut shortcut = ParseShortcut(*text);
  if (shortcut == settings.shortcut || shortcut == DefaultShortcut) return DefaultSearchShortcut;
  return shortcut;
}

std::string SearchShortcutText(const Settings& settings) {
  const Shortcut shortcut = SearchShortcut(settings);
  return FormatShortcut(shortcut.modifiers, shortcut.key);
}

}  // namespace tarquel
