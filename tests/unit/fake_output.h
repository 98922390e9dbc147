#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/expander.h"

namespace tarquel::testing {

// Records what the engine asked for, in order.
class RecordingOutput final : public ExpanderOutput {
 public:
  struct Expansion {
    std::size_t backspaces;
    std::string text;
    friend bool operator==(const Expansion&, const Expansion&) = default;
  };

  void SendExpansion(std::size_t backspaces, std::string_view expansion) override {
    expansions.push_back({backspaces, std::string(expansion)});
  }
  void WriteDiagnostic(std::string_view line) override { diagnostics.emplace_back(line); }
  FocusedProgram ProgramWithFocus() override {
    ++focusQueries;
    return focused;
  }

  std::vector<Expansion> expansions;
  std::vector<std::string> diagnostics;
  FocusedProgram focused;
  int focusQueries = 0;
};

// The key a US keyboard uses for a character of KeyToChar's set, and whether Shift is held.
inline std::pair<std::uint32_t, bool> KeyFor(char c) {
  if (c >= 'a' && c <= 'z') return {static_cast<std::uint32_t>(c - 'a' + 'A'), false};
  if (c >= 'A' && c <= 'Z') return {static_cast<std::uint32_t>(c), true};
  if (c >= '0' && c <= '9') return {static_cast<std::uint32_t>(c), false};
  switch (c) {
    case '@':
      return {'2', true};
    case ' ':
      return {0x20, false};
    case ';':
      return {0xBA, false};
    case ':':
      return {0xBA, true};
    case '-':
      return {0xBD, false};
    case '_':
      return {0xBD, true};
    case '.':
      return {0xBE, false};
    case '/':
      return {0xBF, false};
    case '?':
      return {0xBF, true};
    default:
      return {0x87, false};  // F24: a key without a character
  }
}

// Types `text` key by key; returns which keys (by index) were swallowed.
inline std::vector<std::size_t> Type(Expander& expander, std::string_view text) {
  std::vector<std::size_t> swallowed;
  for (std::size_t i = 0; i < text.size(); ++i) {
    auto [key, shift] = KeyFor(text[i]);
    if (expander.OnKeyDown(key, shift)) swallowed.push_back(i);
  }
  return swallowed;
}

}  // namespace tarquel::testing
