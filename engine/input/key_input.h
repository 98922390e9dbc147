#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The input room of the engine: what a key press means as text, through the keyboard layout of
// the window that receives it. Nothing here knows Windows; the hook adapter fills the records.

namespace tarquel {

// Virtual-key codes the engine treats specially. Windows' numbers, written out so that the
// engine needs no Windows header.
namespace vk {
inline constexpr std::uint32_t Back = 0x08;
inline constexpr std::uint32_t Tab = 0x09;
inline constexpr std::uint32_t Return = 0x0D;
inline constexpr std::uint32_t Shift = 0x10;
inline constexpr std::uint32_t Control = 0x11;
inline constexpr std::uint32_t Menu = 0x12;  // Alt
inline constexpr std::uint32_t Pause = 0x13;
inline constexpr std::uint32_t Capital = 0x14;  // Caps Lock
inline constexpr std::uint32_t Escape = 0x1B;
inline constexpr std::uint32_t Space = 0x20;
inline constexpr std::uint32_t Prior = 0x21;  // Page Up
inline constexpr std::uint32_t Next = 0x22;   // Page Down
inline constexpr std::uint32_t End = 0x23;
inline constexpr std::uint32_t Home = 0x24;
inline constexpr std::uint32_t Left = 0x25;
inline constexpr std::uint32_t Up = 0x26;
inline constexpr std::uint32_t Right = 0x27;
inline constexpr std::uint32_t Down = 0x28;
inline constexpr std::uint32_t Insert = 0x2D;
inline constexpr std::uint32_t Delete = 0x2E;
inline constexpr std::uint32_t LeftWin = 0x5B;
inline constexpr std::uint32_t RightWin = 0x5C;
inline constexpr std::uint32_t Apps = 0x5D;
inline constexpr std::uint32_t NumLock = 0x90;
inline constexpr std::uint32_t ScrollLock = 0x91;
inline constexpr std::uint32_t LeftShift = 0xA0;
inline constexpr std::uint32_t RightShift = 0xA1;
inline constexpr std::uint32_t LeftControl = 0xA2;
inline constexpr std::uint32_t RightControl = 0xA3;
inline constexpr std::uint32_t LeftMenu = 0xA4;
inline constexpr std::uint32_t RightMenu = 0xA5;  // AltGr on layouts that have one
// Text injected by other programs (KEYEVENTF_UNICODE): the character is in the scan code.
inline constexpr std::uint32_t Packet = 0xE7;
}  // namespace vk

// The modifier keys down, and the lock keys on, as the key event stream has them.
struct ModifierState {
  bool leftShift = false;
  bool rightShift = false;
  bool leftCtrl = false;
  bool rightCtrl = false;
  bool leftAlt = false;
  bool rightAlt = false;
  bool leftWin = false;
  bool rightWin = false;
  bool capsLock = false;  // toggled on
  bool numLock = false;   // toggled on

  bool Shift() const { return leftShift || rightShift; }
  bool Ctrl() const { return leftCtrl || rightCtrl; }
  bool Alt() const { return leftAlt || rightAlt; }
  bool Win() const { return leftWin || rightWin; }
  // In the hotkey bits (Alt 1, Ctrl 2, Shift 4, Win 8).
  std::uint32_t HotkeyBits() const;

  friend bool operator==(const ModifierState&, const ModifierState&) = default;
};

// False for every key TrackModifier does not follow: a check cheap enough to make first.
inline bool MayBeModifier(std::uint32_t key) {
  return (key >= 0x10 && key <= 0x14) || key == 0x5B || key == 0x5C || key == 0x90 || key == 0x91 ||
         (key >= 0xA0 && key <= 0xA5);
}

// Follows one key event: a modifier's down or up, a lock key's down. Returns true when `key`
// is a modifier or lock key, which never types anything itself.
bool TrackModifier(ModifierState& state, std::uint32_t key, bool release);

// One key-down with the state it happened in.
struct KeyStroke {
  std::uint32_t virtualKey = 0;
  std::uint32_t scanCode = 0;
  bool extended = false;
  ModifierState modifiers;
};

// What the layout makes of a key-down. The text is kept inline: this is built for every key.
class KeyText {
 public:
  enum class Kind {
    Nothing,     // the key types no character (F5, a lone modifier, an unassigned key)
    Characters,  // `text()` is typed
    DeadKey,     // `text()` is the accent's own character; it waits for the next key
  };
  // More than any layout types with one key; longer text is cut after its last whole character.
  static constexpr std::size_t Capacity = 23;

  KeyText() = default;
  KeyText(Kind kind, std::string_view text);

  Kind kind() const { return kind_; }
  // UTF-8.
  std::string_view text() const { return {bytes_, size_}; }

 private:
  Kind kind_ = Kind::Nothing;
  std::uint8_t size_ = 0;
  char bytes_[Capacity];
};

// The keyboard layout of the window that gets the key. Translating must not change the
// layout's own state: the key still goes on to that window, which translates it again.
class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  virtual KeyText Translate(const KeyStroke& stroke) = 0;
};

// What a key-down means to the typed buffer before any layout is asked.
enum class KeyRole {
  Modifier,  // a modifier or lock key: nothing changes
  Erase,     // Backspace: the last character goes
  Forget,    // moves the caret or edits around it, or is a shortcut: the buffer is emptied
  Type,      // may type characters: the layout decides
};

// Ctrl, Alt or Win held make a key a shortcut, except Ctrl with Alt, which is how Windows
// reports AltGr (and which types AltGr's characters on every layout): the layout decides then.
KeyRole RoleOfKey(std::uint32_t virtualKey, const ModifierState& modifiers);

// The character a dead key (`accent`, its own character as the layout reports it) and the
// next key's text make together, as Windows layouts compose them ("´" + "e" = "é"), or an
// empty string when they do not combine. A space gives the accent alone.
std::string ComposeDeadKey(std::string_view accent, std::string_view next);

// Number of characters (code points) in UTF-8 text.
std::size_t CountCharacters(std::string_view utf8);
// How many bytes the last character of non-empty UTF-8 text takes.
std::size_t LastCharacterSize(std::string_view utf8);

}  // namespace tarquel
