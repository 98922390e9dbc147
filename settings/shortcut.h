#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarquel {

// Modifier bits, equal to RegisterHotKey's MOD_ALT, MOD_CONTROL, MOD_SHIFT and MOD_WIN, so a
// `Shortcut` goes to the system unchanged.
inline constexpr std::uint32_t ModifierAlt = 1;
inline constexpr std::uint32_t ModifierCtrl = 2;
inline constexpr std::uint32_t ModifierShift = 4;
inline constexpr std::uint32_t ModifierWin = 8;

struct Shortcut {
  std::uint32_t modifiers = 0;
  std::uint32_t key = 0;  // Windows virtual-key code

  friend bool operator==(const Shortcut&, const Shortcut&) = default;
};

// A function key types no character on any layout, and Ctrl with Shift is no AltGr (Ctrl+Alt+E,
// the first default, is AltGr+E: the euro sign on most European layouts).
inline constexpr Shortcut DefaultShortcut{ModifierCtrl | ModifierShift, 0x7B};
inline constexpr std::string_view DefaultShortcutText = "Ctrl+Shift+F12";

// Lenient on purpose: modifier words are found anywhere in any case, and a text that names no
// letter, digit or F1 to F12 after its last '+' gives the numbers of `DefaultShortcut`.
Shortcut ParseShortcut(std::string_view text);

// The one canonical text: "Ctrl+", "Alt+", "Shift+", "Win+" as set, then the key; a key the
// notation does not know adds nothing.
std::string FormatShortcut(std::uint32_t modifiers, std::uint32_t key);

}  // namespace tarquel
