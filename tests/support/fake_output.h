#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/match/expander.h"
#include "tests/support/fake_layouts.h"

namespace tarquel::testing {

// Records what the engine asked for, in order.
class RecordingOutput final : public ExpanderOutput {
 public:
  struct Expansion {
    std::size_t backspaces;
    std::string text;
    friend bool operator==(const Expansion&, const Expansion&) = default;
  };

  // A request as handed over, with copies of its texts: the table's may change later.
  struct Request {
    std::size_t backspaces;
    bool settleDeadKey;
    std::string trigger;
    std::string expansion;
    friend bool operator==(const Request& kept, const ExpansionRequest& request) {
      return kept.backspaces == request.backspaces && kept.settleDeadKey == request.settleDeadKey &&
             kept.trigger == request.trigger && kept.expansion == request.expansion;
    }
  };

  // A request with its own copies of the texts; its views point into `full` strings.
  struct FullRequest {
    std::size_t backspaces;
    std::string trigger;
    std::string expansion;
    std::string ending;
    CaseShape caseShape;
  };

  void SendExpansion(const ExpansionRequest& request) override {
    full.push_back({request.backspaces, std::string(request.trigger),
                    std::string(request.expansion), std::string(request.ending),
                    request.caseShape});
    expansions.push_back({request.backspaces, std::string(request.expansion)});
    requests.push_back({request.backspaces, request.settleDeadKey, std::string(request.trigger),
                        std::string(request.expansion)});
  }
  void WriteDiagnostic(std::string_view line) override { diagnostics.emplace_back(line); }
  FocusedProgram ProgramWithFocus() override {
    ++focusQueries;
    return focused;
  }

  std::vector<Expansion> expansions;
  std::vector<Request> requests;
  std::vector<FullRequest> full;
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
