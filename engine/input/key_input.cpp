#include "engine/input/key_input.h"

#include <array>
#include <cstring>

namespace tarquel {

namespace {

// Each accent as layouts report their dead keys (US-International gives the plain ASCII marks),
// with the letters it composes, written in pairs: base letter, composed letter.
struct Accent {
  std::array<std::string_view, 3> marks;
  std::string_view pairs;
};

constexpr Accent Accents[] = {
    {{"`", "\u02CB"}, "a\u00E0e\u00E8i\u00ECo\u00F2u\u00F9A\u00C0E\u00C8I\u00CCO\u00D2U\u00D9"},
    {{"\u00B4", "'", "\u02CA"},
     "a\u00E1e\u00E9i\u00EDo\u00F3u\u00FAy\u00FDA\u00C1E\u00C9I\u00CDO\u00D3U\u00DAY\u00DD"
     "n\u0144N\u0143s\u015BS\u015Az\u017AZ\u0179"},
    {{"^", "\u02C6"}, "a\u00E2e\u00EAi\u00EEo\u00F4u\u00FBA\u00C2E\u00CAI\u00CEO\u00D4U\u00DB"},
    {{"~", "\u02DC"}, "a\u00E3n\u00F1o\u00F5A\u00C3N\u00D1O\u00D5"},
    {{"\u00A8", "\""},
     "a\u00E4e\u00EBi\u00EFo\u00F6u\u00FCy\u00FFA\u00C4E\u00CBI\u00CFO\u00D6U\u00DCY\u0178"},
    {{"\u00B8"}, "c\u00E7C\u00C7s\u015FS\u015E"},
    {{"\u00B0", "\u02DA"}, "a\u00E5A\u00C5u\u016FU\u016E"},
    {{"\u02C7"},
     "c\u010DC\u010Cd\u010FD\u010Ee\u011BE\u011An\u0148N\u0147r\u0159R\u0158s\u0161S\u0160"
     "t\u0165T\u0164z\u017EZ\u017D"},
    {{"\u02DB"}, "a\u0105A\u0104e\u0119E\u0118i\u012FI\u012Eu\u0173U\u0172"},
    {{"\u02DD"}, "o\u0151O\u0150u\u0171U\u0170"},
    {{"\u02D8"}, "a\u0103A\u0102g\u011FG\u011E"},
    {{"\u02D9"}, "z\u017CZ\u017Be\u0117E\u0116"},
};

// The next character of UTF-8 text from `at`, moving `at` past it.
std::string_view TakeCharacter(std::string_view text, std::size_t& at) {
  std::size_t start = at++;
  while (at < text.size() && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) ++at;
  return text.substr(start, at - start);
}

}  // namespace

KeyText::KeyText(Kind kind, std::string_view text) : kind_(kind) {
  std::size_t size = text.size();
  if (size > Capacity) {
    size = Capacity;
    while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
  }
  std::memcpy(bytes_, text.data(), size);
  size_ = static_cast<std::uint8_t>(size);
}

std::uint32_t ModifierState::HotkeyBits() const {
  return (Alt() ? 1u : 0u) | (Ctrl() ? 2u : 0u) | (Shift() ? 4u : 0u) | (Win() ? 8u : 0u);
}

bool TrackModifier(ModifierState& state, std::uint32_t key, bool release) {
  const bool down = !release;
  switch (key) {
    case vk::Shift:
    case vk::LeftShift:
      state.leftShift = down;
      return true;
    case vk::RightShift:
      state.rightShift = down;
      return true;
    case vk::Control:
    case vk::LeftControl:
      state.leftCtrl = down;
      return true;
    case vk::RightControl:
      state.rightCtrl = down;
      return true;
    case vk::Menu:
    case vk::LeftMenu:
      state.leftAlt = down;
      return true;
    case vk::RightMenu:
      state.rightAlt = down;
      return true;
    case vk::LeftWin:
      state.leftWin = down;
      return true;
    case vk::RightWin:
      state.rightWin = down;
      return true;
    case vk::Capital:
      // The lock turns over on the press; a held key's repeats would turn it every time, but
      // Caps Lock does not repeat on Windows.
      if (down) state.capsLock = !state.capsLock;
      return true;
    case vk::NumLock:
      if (down) state.numLock = !state.numLock;
      return true;
    case vk::ScrollLock:
      return true;
    default:
      return false;
  }
}

namespace {

// What each virtual key is with no modifier held; this runs for every key-down.
constexpr std::array<KeyRole, 256> PlainRoles = [] {
  std::array<KeyRole, 256> roles{};
  roles.fill(KeyRole::Type);
  for (std::uint32_t key : {vk::Shift, vk::LeftShift, vk::RightShift, vk::Control, vk::LeftControl,
                            vk::RightControl, vk::Menu, vk::LeftMenu, vk::RightMenu, vk::LeftWin,
                            vk::RightWin, vk::Capital, vk::NumLock, vk::ScrollLock}) {
    roles[key] = KeyRole::Modifier;
  }
  for (std::uint32_t key :
       {vk::Tab, vk::Return, vk::Escape, vk::Prior, vk::Next, vk::End, vk::Home, vk::Left, vk::Up,
        vk::Right, vk::Down, vk::Insert, vk::Delete, vk::Apps}) {
    roles[key] = KeyRole::Forget;
  }
  roles[vk::Back] = KeyRole::Erase;
  return roles;
}();

}  // namespace

KeyRole RoleOfKey(std::uint32_t virtualKey, const ModifierState& modifiers) {
  const KeyRole plain = PlainRoles[virtualKey & 0xFF];
  if (plain == KeyRole::Modifier || virtualKey > 0xFF) return plain;
  const bool ctrl = modifiers.Ctrl();
  const bool alt = modifiers.Alt();
  if (!ctrl && !alt && !modifiers.Win()) return plain;
  // Ctrl with Alt is AltGr; with it only typing keys stay typing.
  if (modifiers.Win() || ctrl != alt || plain != KeyRole::Type) return KeyRole::Forget;
  return KeyRole::Type;
}

std::string ComposeDeadKey(std::string_view accent, std::string_view next) {
  if (next == " ") return std::string(accent);
  // US-International puts the cedilla on its apostrophe key.
  if (accent == "'" && (next == "c" || next == "C")) return next == "c" ? "\u00E7" : "\u00C7";
  for (const Accent& candidate : Accents) {
    bool marked = false;
    for (std::string_view mark : candidate.marks)
      marked = marked || (!mark.empty() && mark == accent);
    if (!marked) continue;
    std::size_t at = 0;
    while (at < candidate.pairs.size()) {
      std::string_view base = TakeCharacter(candidate.pairs, at);
      std::string_view composed = TakeCharacter(candidate.pairs, at);
      if (base == next) return std::string(composed);
    }
    return {};
  }
  return {};
}

std::size_t CountCharacters(std::string_view utf8) {
  std::size_t count = 0;
  for (char c : utf8) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
  return count;
}

std::size_t LastCharacterSize(std::string_view utf8) {
  std::size_t size = 1;
  while (size < utf8.size() &&
         (static_cast<unsigned char>(utf8[utf8.size() - size]) & 0xC0) == 0x80) {
    ++size;
  }
  return size;
}

}  // namespace tarquel
