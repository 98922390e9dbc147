#include "engine/key_events.h"

#include "engine/expander.h"

namespace tarquel {

std::vector<KeyEvent> BuildKeyEvents(std::uint64_t backspaces, std::string_view text,
                                     const LayoutLookup& layout) {
  constexpr auto Back = static_cast<std::uint16_t>(VirtualKeyBack);
  constexpr auto Shift = static_cast<std::uint16_t>(VirtualKeyShift);

  std::vector<KeyEvent> events;
  events.reserve(static_cast<std::size_t>(backspaces) * 2 + text.size() * 4);
  for (std::uint64_t i = 0; i < backspaces; ++i) {
    events.push_back({Back, false, 0});
    events.push_back({Back, true, 0});
  }
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    std::optional<LayoutKey> key = layout.Lookup(byte);
    if (key && !key->ctrlOrAlt && !key->deadKey) {
      if (key->shift) events.push_back({Shift, false, 0});
      events.push_back({key->virtualKey, false, 0});
      events.push_back({key->virtualKey, true, 0});
      if (key->shift) events.push_back({Shift, true, 0});
      continue;
    }
    char16_t unicode = layout.ToUnicode(byte);
    if (unicode == 0) continue;
    events.push_back({0, false, unicode});
    events.push_back({0, true, unicode});
  }
  return events;
}

}  // namespace tarquel
