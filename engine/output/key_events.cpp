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

  bool masked = false;
  for (const ModifierKey& modifier : ModifierKeys) {
    if (!(held.*modifier.held)) continue;
    if (modifier.masked && !masked) {
      Press(events, MaskKey);
      masked = true;
    }
    events.push_back({modifier.key, true, 0, modifier.extended});
  }

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
  for (auto modifier = ModifierKeys.rbegin(); modifier != ModifierKeys.rend(); ++modifier) {
    if (held.*(modifier->held)) events.push_back({modifier->key, false, 0, modifier->extended});
  }
  return true;
}

}  // namespace

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
