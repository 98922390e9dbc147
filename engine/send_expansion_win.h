#pragma once

#include <cstddef>
#include <string_view>

#include "engine/key_events.h"

namespace tarquel {

// The current keyboard layout through VkKeyScanA, and the ANSI code page for the Unicode
// fallback.
class WindowsLayoutLookup final : public LayoutLookup {
 public:
  std::optional<LayoutKey> Lookup(unsigned char byte) const override;
  char16_t ToUnicode(unsigned char byte) const override;
};

// Erases `backspaces` characters and types `expansion`, all in one SendInput call so that no
// key the user presses meanwhile lands in the middle.
void SendExpansion(std::size_t backspaces, std::string_view expansion);

}  // namespace tarquel
