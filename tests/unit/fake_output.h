#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/expander.h"
#include "tests/unit/fake_layouts.h"

namespace tarquel::testing {

// Records what the engine asked for, in order.
class RecordingOutput final : public ExpanderOutput {
 public:
  struct Expansion {
    std::size_t backspaces;
    std::string text;
    friend bool operator==(const Expansion&, const Expansion&) = default;
  };

  void SendExpansion(const ExpansionRequest& request) override {
    expansions.push_back({request.backspaces, request.expansion});
    requests.push_back(request);
  }
  void WriteDiagnostic(std::string_view line) override { diagnostics.emplace_back(line); }
  FocusedProgram ProgramWithFocus() override {
    ++focusQueries;
    return focused;
  }

  std::vector<Expansion> expansions;
  std::vector<ExpansionRequest> requests;
  std::vector<std::string> diagnostics;
  FocusedProgram focused;
  int focusQueries = 0;
};

// Types `text` on a US keyboard; returns which characters' keys (by index) were swallowed.
inline std::vector<std::size_t> Type(Expander& expander, std::string_view text) {
  static const FakeLayout us = UsLayout();
  return Keyboard(expander).Type(us, text);
}

}  // namespace tarquel::testing
