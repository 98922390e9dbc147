#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/input/key_input.h"
#include "engine/match/expander.h"

namespace tarquel::testing {

// What one key types at one shift level; a dead key's text is its accent.
struct Level {
  std::string text;
  bool dead = false;
};

struct FakeKey {
  Level plain;
  Level shifted;
  Level altGr;
  bool letter = false;  // Caps Lock swaps its plain and shifted levels
};

// A keyboard layout as a table of keys, read the way Windows layouts are: Ctrl with Alt is
// AltGr, Caps Lock affects letters only, Ctrl or Alt alone types nothing.
class FakeLayout final : public KeyboardLayout {
 public:
  explicit FakeLayout(std::map<std::uint32_t, FakeKey> keys) : keys_(std::move(keys)) {}

  KeyText Translate(const KeyStroke& stroke) override {
    ++translations;
    auto it = keys_.find(stroke.virtualKey);
    if (it == keys_.end()) return {};
    const FakeKey& key = it->second;
    const ModifierState& m = stroke.modifiers;
    const Level* level = nullptr;
    if (m.Ctrl() && m.Alt()) {
      level = &key.altGr;
    } else if (m.Ctrl() || m.Alt()) {
      return {};
    } else {
      bool shift = m.Shift();
      if (key.letter && m.capsLock) shift = !shift;
      level = shift ? &key.shifted : &key.plain;
    }
    if (level->text.empty()) return {};
    return {level->dead ? KeyText::Kind::DeadKey : KeyText::Kind::Characters, level->text};
  }

  // The key and level that type `character` directly, if any.
  struct Place {
    std::uint32_t key;
    bool shift;
    bool altGr;
  };
  std::optional<Place> Find(std::string_view character) const {
    for (const auto& [vk, key] : keys_) {
      if (!key.plain.dead && key.plain.text == character) return Place{vk, false, false};
      if (!key.shifted.dead && key.shifted.text == character) return Place{vk, true, false};
      if (!key.altGr.dead && key.altGr.text == character) return Place{vk, false, true};
    }
    return std::nullopt;
  }

  int translations = 0;

 private:
  std::map<std::uint32_t, FakeKey> keys_;
};

inline void AddLetters(std::map<std::uint32_t, FakeKey>& keys) {
  for (char c = 'a'; c <= 'z'; ++c) {
    keys[static_cast<std::uint32_t>(c - 'a' + 'A')] = {
        {std::string(1, c)}, {std::string(1, static_cast<char>(c - 'a' + 'A'))}, {}, true};
  }
}

inline void AddRow(std::map<std::uint32_t, FakeKey>& keys, std::string_view keyCodes,
                   const std::vector<std::string>& plain, const std::vector<std::string>& shifted) {
  for (std::size_t i = 0; i < keyCodes.size(); ++i) {
    keys[static_cast<unsigned char>(keyCodes[i])] = {{plain[i]}, {shifted[i]}, {}, false};
  }
}

inline void AddNumpad(std::map<std::uint32_t, FakeKey>& keys) {
  for (std::uint32_t i = 0; i < 10; ++i) {
    keys[0x60 + i] = {{std::string(1, static_cast<char>('0' + i))}, {}, {}, false};
  }
  keys[0x6A] = {{"*"}, {}, {}, false};
  keys[0x6B] = {{"+"}, {}, {}, false};
  keys[0x6D] = {{"-"}, {}, {}, false};
}

// US English.
inline FakeLayout UsLayout() {
  std::map<std::uint32_t, FakeKey> keys;
  AddLetters(keys);
  AddRow(keys, "1234567890", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"},
         {"!", "@", "#", "$", "%", "^", "&", "*", "(", ")"});
  AddRow(keys, "\xBA\xBB\xBC\xBD\xBE\xBF\xC0\xDB\xDC\xDD\xDE",
         {";", "=", ",", "-", ".", "/", "`", "[", "\\", "]", "'"},
         {":", "+", "<", "_", ">", "?", "~", "{", "|", "}", "\""});
  keys[vk::Space] = {{" "}, {" "}, {}, false};
  AddNumpad(keys);
  return FakeLayout(keys);
}

// German (QWERTZ): ":" is Shift+".", "´" and "^" are dead keys, AltGr gives "@" and "€".
inline FakeLayout GermanLayout() {
  std::map<std::uint32_t, FakeKey> keys;
  AddLetters(keys);
  AddRow(keys, "1234567890", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"},
         {"!", "\"", "\u00A7", "$", "%", "&", "/", "(", ")", "="});
  AddRow(keys, "\xBA\xBB\xBC\xBD\xBE\xBF\xC0\xDB\xDE\xE2",
         {"\u00FC", "+", ",", "-", ".", "#", "\u00F6", "\u00DF", "\u00E4", "<"},
         {"\u00DC", "*", ";", "_", ":", "'", "\u00D6", "?", "\u00C4", ">"});
  keys[0xDD] = {{"\u00B4", true}, {"`", true}, {}, false};
  keys[0xDC] = {{"^", true}, {"\u00B0"}, {}, false};
  keys['Q'].altGr = {"@"};
  keys['E'].altGr = {"\u20AC"};
  keys['7'].altGr = {"{"};
  keys['8'].altGr = {"["};
  keys[0xDB].altGr = {"\\"};
  keys[0xBB].altGr = {"~"};
  keys[vk::Space] = {{" "}, {" "}, {}, false};
  AddNumpad(keys);
  return FakeLayout(keys);
}

// French AZERTY: the digits need Shift, ":" is the unshifted key right of ";", "^" is dead.
inline FakeLayout FrenchLayout() {
  std::map<std::uint32_t, FakeKey> keys;
  AddLetters(keys);
  AddRow(keys, "1234567890",
         {"&", "\u00E9", "\"", "'", "(", "-", "\u00E8", "_", "\u00E7", "\u00E0"},
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"});
  AddRow(keys, "\xBA\xBB\xBC\xBE\xBF\xC0\xDB\xDC\xDF\xE2",
         {"$", "=", ",", ";", ":", "\u00F9", ")", "*", "!", "<"},
         {"\u00A3", "+", "?", ".", "/", "%", "\u00B0", "\u00B5", "\u00A7", ">"});
  keys[0xDD] = {{"^", true}, {"\u00A8", true}, {}, false};
  keys['2'].altGr = {"~", true};
  keys['0'].altGr = {"@"};
  keys['E'].altGr = {"\u20AC"};
  keys[vk::Space] = {{" "}, {" "}, {}, false};
  AddNumpad(keys);
  return FakeLayout(keys);
}

// US-International: "'", "\"", "`", "~" and "^" are dead keys.
inline FakeLayout UsInternationalLayout() {
  std::map<std::uint32_t, FakeKey> keys;
  AddLetters(keys);
  AddRow(keys, "1234567890", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0"},
         {"!", "@", "#", "$", "%", "^", "&", "*", "(", ")"});
  AddRow(keys, "\xBA\xBB\xBC\xBD\xBE\xBF\xDB\xDC\xDD",
         {";", "=", ",", "-", ".", "/", "[", "\\", "]"},
         {":", "+", "<", "_", ">", "?", "{", "|", "}"});
  keys['6'].shifted = {"^", true};
  keys[0xDE] = {{"'", true}, {"\"", true}, {}, false};
  keys[0xC0] = {{"`", true}, {"~", true}, {}, false};
  keys['E'].altGr = {"\u00E9"};
  keys['5'].altGr = {"\u20AC"};
  keys['S'].altGr = {"\u00DF"};
  keys[vk::Space] = {{" "}, {" "}, {}, false};
  AddNumpad(keys);
  return FakeLayout(keys);
}

// Drives an Expander with key events the way a keyboard sends them: modifiers go down before
// and up after the key they shape, AltGr arrives as left Ctrl with right Alt.
class Keyboard {
 public:
  explicit Keyboard(Expander& expander) : expander_(expander) {}

  bool Down(std::uint32_t key) { return expander_.OnKeyEvent(key, 0, false, false); }
  bool Up(std::uint32_t key) { return expander_.OnKeyEvent(key, 0, false, true); }
  // A press and release; returns whether the press was swallowed.
  bool Press(std::uint32_t key) {
    const bool swallowed = Down(key);
    Up(key);
    return swallowed;
  }
  bool PressWith(std::uint32_t key, bool shift, bool altGr) {
    if (shift) Down(vk::LeftShift);
    if (altGr) {
      Down(vk::LeftControl);
      Down(vk::RightMenu);
    }
    const bool swallowed = Press(key);
    if (altGr) {
      Up(vk::RightMenu);
      Up(vk::LeftControl);
    }
    if (shift) Up(vk::LeftShift);
    return swallowed;
  }

  // Types `text` character by character with the keys `layout` has for them; returns the
  // indices (in characters) of the characters whose key was swallowed. A character the layout
  // has no key for is a test error and reported as swallowed at index 1000.
  std::vector<std::size_t> Type(const FakeLayout& layout, std::string_view text) {
    std::vector<std::size_t> swallowed;
    std::size_t index = 0;
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t length = LengthOfCharacterAt(text, at);
      std::optional<FakeLayout::Place> place = layout.Find(text.substr(at, length));
      if (!place) {
        swallowed.push_back(1000);
      } else if (PressWith(place->key, place->shift, place->altGr)) {
        swallowed.push_back(index);
      }
      at += length;
      ++index;
    }
    return swallowed;
  }

 private:
  static std::size_t LengthOfCharacterAt(std::string_view text, std::size_t at) {
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    return end - at;
  }

  Expander& expander_;
};

}  // namespace tarquel::testing
