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

// A key pressed with modifiers, as an expansion's {{key:NAME}} names it: "Tab", "Shift+Tab",
// "Ctrl+End", "F13", "a". The modifiers are pressed as their left keys around the key.
struct KeyChord {
  bool ctrl = false;
  bool alt = false;
  bool shift = false;
  bool win = false;
  std::uint16_t virtualKey = 0;
  bool extended = false;
  // 0 for letters and digits, whose scan code depends on the layout: the sender finds it.
  std::uint16_t scanCode = 0;

  friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// The shortcut notation of the toggle shortcut: modifier words (Ctrl or Control, Alt, Shift,
// Win) joined to the key by "+", in any case, blanks around each word ignored. The key is a
// letter, a digit, F1 to F24, or one of Enter (Return), Tab, Escape (Esc), Backspace, Delete
// (Del), Insert (Ins), Home, End, Page Up (PageUp, PgUp), Page Down (PageDown, PgDn), Up, Down,
// Left, Right, Space. Nothing for anything else.
std::optional<KeyChord> ParseKeyChord(std::string_view name);

// `count` presses of `chord`, each with its modifiers pressed before the key and let go after
// it in the opposite order, so that no modifier is left down between presses.
void AppendChord(std::vector<KeyEvent>& events, const KeyChord& chord, std::size_t count);

// The modifiers `held` let go (with an unassigned key pressed first when one of them is Alt or
// Win), and pressed again, as BuildKeyEvents does around everything it sends.
void AppendModifiersLetGo(std::vector<KeyEvent>& events, const ModifierState& held);
void AppendModifiersPressedAgain(std::vector<KeyEvent>& events, const ModifierState& held);

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
