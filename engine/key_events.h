#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tarquel {

// One synthesised key event. A non-zero `unicode` makes it a character event (no virtual key)
// for text the keyboard layout cannot type with a plain key press.
struct KeyEvent {
  std::uint16_t virtualKey = 0;
  bool release = false;
  char16_t unicode = 0;

  friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// What the keyboard layout says about typing one byte of text.
struct LayoutKey {
  std::uint8_t virtualKey = 0;
  bool shift = false;
  bool ctrlOrAlt = false;  // needs Ctrl, Alt or AltGr as well
  bool deadKey = false;    // the key only prepares an accent for the next key
};

class LayoutLookup {
 public:
  virtual ~LayoutLookup() = default;
  // The key for `byte` in the current layout, or nothing when the layout has none.
  virtual std::optional<LayoutKey> Lookup(unsigned char byte) const = 0;
  // `byte` read in the ANSI code page; 0 when the code page leaves it undefined.
  virtual char16_t ToUnicode(unsigned char byte) const = 0;
};

// Backspaces first, then the text. A byte the layout types as one plain key (with or without
// Shift) becomes that key; any other byte becomes a Unicode character event, because sending
// the bare key of an AltGr or dead-key character would type a different character.
std::vector<KeyEvent> BuildKeyEvents(std::uint64_t backspaces, std::string_view text,
                                     const LayoutLookup& layout);

}  // namespace tarquel
