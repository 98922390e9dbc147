#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/input/key_input.h"

namespace tarquel {

// One synthesised key event. A non-zero `unicode` makes it a character event (no virtual key):
// the window gets that UTF-16 unit as it stands, whatever the layout, Caps Lock or Shift.
struct KeyEvent {
  std::uint16_t virtualKey = 0;
  bool release = false;
  char16_t unicode = 0;
  bool extended = false;
  // The key's scan code in the target's layout; 0: the sender finds it.
  std::uint16_t scanCode = 0;

  friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// An unassigned virtual key, pressed before Alt or Win are let go so that their release does
// not open a menu bar or the Start menu.
inline constexpr std::uint16_t MaskKey = 0xE8;

// Everything that puts the text in place of the trigger, in order:
// - the modifiers `held` let go, so that no key of the expansion becomes a shortcut
//   (Ctrl+Backspace, AltGr+Backspace, Shift+Tab);
// - a space when `settleDeadKey`, which turns an accent the window holds into a character;
// - `backspaces` Backspaces;
// - the text: line breaks (CR LF, CR or LF) as Enter, tabs as Tab, every other character as a
//   Unicode event (two for a character beyond the Basic Multilingual Plane), other control
//   characters left out;
// - `trailing` as they stand ({{cursor}}'s Left presses, a paste's Ctrl+V), so that they too
//   go out with no modifier of the user's held;
// - the modifiers pressed again, as the user still holds them.
std::vector<KeyEvent> BuildKeyEvents(std::size_t backspaces, bool settleDeadKey,
                                     std::string_view text, const ModifierState& held = {},
                                     const std::vector<KeyEvent>& trailing = {});

// The key of the target's keyboard layout that types one character, and the modifiers it takes.
struct LayoutKey {
  std::uint16_t virtualKey = 0;
  bool shift = false;
  bool altGr = false;  // Ctrl+Alt, as AltGr is on the layouts that have it
  std::uint16_t scanCode = 0;
};
using LayoutKeyLookup = std::function<std::optional<LayoutKey>(char32_t)>;

// As BuildKeyEvents, but every character pressed as the key of the target's layout that types
// it, with Shift or AltGr around it: remote desktop, Citrix and virtual machine clients pass on
// key presses and drop Unicode events. Nothing when a character has no key of its own there
// (the caller pastes the text instead).
std::optional<std::vector<KeyEvent>> BuildKeyPresses(std::size_t backspaces, bool settleDeadKey,
                                                     std::string_view text,
                                                     const LayoutKeyLookup& keyFor,
                                                     const ModifierState& held = {},
                                                     const std::vector<KeyEvent>& trailing = {});

}  // namespace tarquel
