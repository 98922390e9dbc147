#include "engine/output/key_events.h"

#include <array>
#include <utility>

namespace tarquel {

namespace {

constexpr char32_t Replacement = 0xFFFD;

// The next code point of UTF-8 text from `at`; an ill-formed byte gives U+FFFD and moves one.
char32_t DecodeNext(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t code = 0;
  char32_t least = 0;
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, least = 0x10000;
  } else {
    ++at;
    return Replacement;
  }
  if (at + length > text.size()) {
    ++at;
    return Replacement;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      ++at;
      return Replacement;
    }
    code = (code << 6) | (next & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
    ++at;
    return Replacement;
  }
  at += length;
  return code;
}

struct ModifierKey {
  bool ModifierState::*held;
  std::uint16_t key;
  bool extended;
  bool masked;  // Alt or Win: its lone release would open a menu
};

constexpr std::array<ModifierKey, 8> ModifierKeys{{
    {&ModifierState::leftShift, vk::LeftShift, false, false},
    {&ModifierState::rightShift, vk::RightShift, false, false},
    {&ModifierState::leftCtrl, vk::LeftControl, false, false},
    {&ModifierState::rightCtrl, vk::RightControl, true, false},
    {&ModifierState::leftAlt, vk::LeftMenu, false, true},
    {&ModifierState::rightAlt, vk::RightMenu, true, true},
    {&ModifierState::leftWin, vk::LeftWin, true, true},
    {&ModifierState::rightWin, vk::RightWin, true, true},
}};

void Press(std::vector<KeyEvent>& events, std::uint32_t key, bool extended = false) {
  events.push_back({static_cast<std::uint16_t>(key), false, 0, extended});
  events.push_back({static_cast<std::uint16_t>(key), true, 0, extended});
}

void TypeUnit(std::vector<KeyEvent>& events, char16_t unit) {
  events.push_back({0, false, unit, false});
  events.push_back({0, true, unit, false});
}

// The text's characters go through `type`, which adds the events of one character and says
// whether it could.
template <typename TypeCharacter>
bool Build(std::vector<KeyEvent>& events, std::size_t backspaces, bool settleDeadKey,
           std::string_view text, const ModifierState& held, const std::vector<KeyEvent>& trailing,
           TypeCharacter type) {
  events.reserve(backspaces * 2 + text.size() * 2 + 24);

  AppendModifiersLetGo(events, held);

  if (settleDeadKey) Press(events, vk::Space);
  for (std::size_t i = 0; i < backspaces; ++i) Press(events, vk::Back);

  std::size_t at = 0;
  while (at < text.size()) {
    const char32_t code = DecodeNext(text, at);
    if (code == U'\r' || code == U'\n') {
      if (code == U'\r' && at < text.size() && text[at] == '\n') ++at;
      Press(events, vk::Return);
    } else if (code == U'\t') {
      Press(events, vk::Tab);
    } else if (code < 0x20 || code == 0x7F) {
      continue;
    } else if (!type(events, code)) {
      return false;
    }
  }

  events.insert(events.end(), trailing.begin(), trailing.end());
  AppendModifiersPressedAgain(events, held);
  return true;
}

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// `text` upper-cased without its blanks, so that "Page Up", "pageup" and "PAGEUP" are one name.
// Empty when it is too long to be any name here.
std::string_view Squeezed(std::string_view text, std::array<char, 16>& buffer) {
  std::size_t size = 0;
  for (char c : text) {
    if (c == ' ' || c == '\t') continue;
    if (size == buffer.size()) return {};
    buffer[size++] = AsciiUpper(c);
  }
  return {buffer.data(), size};
}

struct NamedKey {
  std::string_view name;  // upper case, no blanks
  std::uint16_t virtualKey;
  bool extended;
  std::uint16_t scanCode;
};

// Scan codes of set 1, which Windows uses on every layout for these keys; the navigation keys
// are the extended ones (without the flag a program may take the numeric keypad's).
constexpr std::array<NamedKey, 21> NamedKeys{{
    {"ENTER", 0x0D, false, 0x1C},  {"RETURN", 0x0D, false, 0x1C}, {"TAB", 0x09, false, 0x0F},
    {"ESCAPE", 0x1B, false, 0x01}, {"ESC", 0x1B, false, 0x01},    {"BACKSPACE", 0x08, false, 0x0E},
    {"DELETE", 0x2E, true, 0x53},  {"DEL", 0x2E, true, 0x53},     {"INSERT", 0x2D, true, 0x52},
    {"INS", 0x2D, true, 0x52},     {"HOME", 0x24, true, 0x47},    {"END", 0x23, true, 0x4F},
    {"PAGEUP", 0x21, true, 0x49},  {"PGUP", 0x21, true, 0x49},    {"PAGEDOWN", 0x22, true, 0x51},
    {"PGDN", 0x22, true, 0x51},    {"UP", 0x26, true, 0x48},      {"DOWN", 0x28, true, 0x50},
    {"LEFT", 0x25, true, 0x4B},    {"RIGHT", 0x27, true, 0x4D},   {"SPACE", 0x20, false, 0x39},
}};

// F1 to F24: virtual keys 0x70 to 0x87; scan codes 0x3B to 0x44, 0x57, 0x58, then 0x64 to
// 0x6E and 0x76 for F24.
std::optional<KeyChord> FunctionKey(std::string_view upper) {
  if (upper.size() < 2 || upper.size() > 3 || upper[0] != 'F') return std::nullopt;
  unsigned number = 0;
  for (char c : upper.substr(1)) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (upper[1] == '0' || number < 1 || number > 24) return std::nullopt;
  KeyChord chord;
  chord.virtualKey = static_cast<std::uint16_t>(0x6F + number);
  if (number <= 10) {
    chord.scanCode = static_cast<std::uint16_t>(0x3A + number);
  } else if (number <= 12) {
    chord.scanCode = static_cast<std::uint16_t>(0x57 + number - 11);
  } else if (number <= 23) {
    chord.scanCode = static_cast<std::uint16_t>(0x64 + number - 13);
  } else {
    chord.scanCode = 0x76;
  }
  return chord;
}

std::optional<KeyChord> NamedKeyChord(std::string_view text) {
  std::array<char, 16> buffer{};
  const std::string_view upper = Squeezed(text, buffer);
  if (upper.empty()) return std::nullopt;
  if (upper.size() == 1 &&
      ((upper[0] >= 'A' && upper[0] <= 'Z') || (upper[0] >= '0' && upper[0] <= '9'))) {
    KeyChord chord;
    chord.virtualKey = static_cast<std::uint16_t>(upper[0]);
    return chord;
  }
  for (const NamedKey& key : NamedKeys) {
    if (key.name == upper) {
      KeyChord chord;
      chord.virtualKey = key.virtualKey;
      chord.extended = key.extended;
      chord.scanCode = key.scanCode;
      return chord;
    }
  }
  return FunctionKey(upper);
}

// Sets the modifier `word` names; false when it names none.
bool SetModifier(KeyChord& chord, std::string_view word) {
  std::array<char, 16> buffer{};
  const std::string_view upper = Squeezed(word, buffer);
  if (upper == "CTRL" || upper == "CONTROL") {
    chord.ctrl = true;
  } else if (upper == "ALT") {
    chord.alt = true;
  } else if (upper == "SHIFT") {
    chord.shift = true;
  } else if (upper == "WIN") {
    chord.win = true;
  } else {
    return false;
  }
  return true;
}

struct ChordModifier {
  bool KeyChord::*set;
  std::uint16_t key;
  bool extended;
  std::uint16_t scanCode;
};

// Ctrl, Alt, Shift, Win: pressed in this order, let go in the opposite one.
constexpr std::array<ChordModifier, 4> ChordModifiers{{
    {&KeyChord::ctrl, static_cast<std::uint16_t>(vk::LeftControl), false, 0x1D},
    {&KeyChord::alt, static_cast<std::uint16_t>(vk::LeftMenu), false, 0x38},
    {&KeyChord::shift, static_cast<std::uint16_t>(vk::LeftShift), false, 0x2A},
    {&KeyChord::win, static_cast<std::uint16_t>(vk::LeftWin), true, 0x5B},
}};

}  // namespace

std::optional<KeyChord> ParseKeyChord(std::string_view name) {
  KeyChord chord;
  std::size_t plus = name.find('+');
  while (plus != std::string_view::npos) {
    if (!SetModifier(chord, name.substr(0, plus))) return std::nullopt;
    name.remove_prefix(plus + 1);
    plus = name.find('+');
  }
  const std::optional<KeyChord> key = NamedKeyChord(name);
  if (!key) return std::nullopt;
  chord.virtualKey = key->virtualKey;
  chord.extended = key->extended;
  chord.scanCode = key->scanCode;
  return chord;
}

void AppendChord(std::vector<KeyEvent>& events, const KeyChord& chord, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    for (const ChordModifier& modifier : ChordModifiers) {
      if (chord.*modifier.set) {
        events.push_back({modifier.key, false, 0, modifier.extended, modifier.scanCode});
      }
    }
    events.push_back({chord.virtualKey, false, 0, chord.extended, chord.scanCode});
    events.push_back({chord.virtualKey, true, 0, chord.extended, chord.scanCode});
    for (auto modifier = ChordModifiers.rbegin(); modifier != ChordModifiers.rend(); ++modifier) {
      if (chord.*(modifier->set)) {
        events.push_back({modifier->key, true, 0, modifier->extended, modifier->scanCode});
      }
    }
  }
}

void AppendModifiersLetGo(std::vector<KeyEvent>& events, const ModifierState& held) {
  bool masked = false;
  for (const ModifierKey& modifier : ModifierKeys) {
    if (!(held.*modifier.held)) continue;
    if (modifier.masked && !masked) {
      Press(events, MaskKey);
      masked = true;
    }
    events.push_back({modifier.key, true, 0, modifier.extended});
  }
}

void AppendModifiersPressedAgain(std::vector<KeyEvent>& events, const ModifierState& held) {
  for (auto modifier = ModifierKeys.rbegin(); modifier != ModifierKeys.rend(); ++modifier) {
    if (held.*(modifier->held)) events.push_back({modifier->key, false, 0, modifier->extended});
  }
}

std::vector<KeyEvent> BuildKeyEvents(std::size_t backspaces, bool settleDeadKey,
                                     std::string_view text, const ModifierState& held,
                                     const std::vector<KeyEvent>& trailing) {
  std::vector<KeyEvent> events;
  Build(events, backspaces, settleDeadKey, text, held, trailing,
        [](std::vector<KeyEvent>& out, char32_t code) {
          if (code >= 0x10000) {
            const char32_t offset = code - 0x10000;
            TypeUnit(out, static_cast<char16_t>(0xD800 + (offset >> 10)));
            TypeUnit(out, static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
          } else {
            TypeUnit(out, static_cast<char16_t>(code));
          }
          return true;
        });
  return events;
}

std::optional<std::vector<KeyEvent>> BuildKeyPresses(std::size_t backspaces, bool settleDeadKey,
                                                     std::string_view text,
                                                     const LayoutKeyLookup& keyFor,
                                                     const ModifierState& held,
                                                     const std::vector<KeyEvent>& trailing) {
  std::vector<KeyEvent> events;
  const bool whole = Build(events, backspaces, settleDeadKey, text, held, trailing,
                           [&keyFor](std::vector<KeyEvent>& out, char32_t code) {
                             const std::optional<LayoutKey> key = keyFor(code);
                             if (!key || key->virtualKey == 0) return false;
                             // AltGr as the two keys Windows makes of it: left Ctrl, right Alt.
                             if (key->altGr) {
                               out.push_back({vk::LeftControl, false, 0, false});
                               out.push_back({vk::RightMenu, false, 0, true});
                             }
                             if (key->shift) out.push_back({vk::LeftShift, false, 0, false});
                             out.push_back({key->virtualKey, false, 0, false, key->scanCode});
                             out.push_back({key->virtualKey, true, 0, false, key->scanCode});
                             if (key->shift) out.push_back({vk::LeftShift, true, 0, false});
                             if (key->altGr) {
                               out.push_back({vk::RightMenu, true, 0, true});
                               out.push_back({vk::LeftControl, true, 0, false});
                             }
                             return true;
                           });
  if (!whole) return std::nullopt;
  return events;
}

}  // namespace tarquel
