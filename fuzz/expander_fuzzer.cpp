// A stream of key presses, table edits and pauses through the Expander, checked step by step
// against the plain walk over the table: swallowed or not, which trigger, how many Backspaces,
// and the buffer afterwards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/match/expander.h"
#include "tests/support/fake_layouts.h"
#include "tests/support/reference_expander.h"

namespace {

class Recorder final : public tarquel::ExpanderOutput {
 public:
  void SendExpansion(const tarquel::ExpansionRequest& request) override {
    lastBackspaces = request.backspaces;
    lastExpansion = request.expansion;
    ++sent;
  }
  void WriteDiagnostic(std::string_view line) override { lastLine = line; }

  std::size_t sent = 0;
  std::size_t lastBackspaces = 0;
  std::string lastExpansion;
  std::string lastLine;
};

// Characters a US keyboard types, and two bytes it cannot (0x01, 0xE9: no character alone),
// so some triggers are unreachable on purpose.
constexpr char TriggerAlphabet[] = "ab:@1Z ,\x01\xE9";

// Keys: the letters a, b, z, 1, 2, the comma, ';' (':' with Shift), Backspace, F24 (no
// character) and Left (the buffer forgets).
constexpr std::uint32_t Keys[] = {'A', 'B', 'Z', '1', '2', 0xBC, 0xBA, 0x08, 0x87, 0x25};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  auto next = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };

  tarquel::TriggerTable table;
  std::vector<std::string> pool;
  std::size_t count = next() % 16;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t length = 1 + next() % 60;  // some longer than the 50-character buffer
    std::string trigger;
    for (std::size_t j = 0; j < length; ++j) {
      trigger += TriggerAlphabet[next() % (sizeof(TriggerAlphabet) - 1)];
    }
    pool.push_back(trigger);
    table.Set(trigger, "x" + std::to_string(i));
  }

  Recorder output;
  tarquel::testing::FakeLayout us = tarquel::testing::UsLayout();
  tarquel::Expander expander(table, output, us);
  tarquel::testing::Keyboard keyboard(expander);
  tarquel::testing::ReferenceExpander reference(table);

  while (at < size) {
    std::uint8_t op = next();
    if (op >= 240 && !pool.empty()) {
      // Edits between keys: the index must follow every insert, replace and erase.
      const std::string& trigger = pool[next() % pool.size()];
      if (op & 1) {
        table.Erase(trigger);
      } else {
        table.Set(trigger, "edited");
      }
      continue;
    }
    if (op >= 236) {
      bool enabled = (op & 1) != 0;
      expander.SetEnabled(enabled);
      reference.SetEnabled(enabled);
      continue;
    }
    std::uint32_t key = Keys[op % (sizeof(Keys) / sizeof(Keys[0]))];
    bool shift = (op / 16) % 2 == 1;
    std::size_t sentBefore = output.sent;
    bool swallowed = keyboard.PressWith(key, shift, false);
    tarquel::testing::KeyOutcome expected;
    if (key == 0x08) {
      reference.Erase();
    } else if (key == 0x25) {
      reference.Forget();
    } else if (key != 0x87) {
      static const char* const Plain[] = {"a", "b", "z", "1", "2", ",", ";"};
      static const char* const Shifted[] = {"A", "B", "Z", "!", "@", "<", ":"};
      std::size_t index = op % (sizeof(Keys) / sizeof(Keys[0]));
      expected = reference.Typed(shift ? Shifted[index] : Plain[index]);
    }
    if (swallowed != expected.swallowed) std::abort();
    if (swallowed) {
      if (output.sent != sentBefore + 1) std::abort();
      if (output.lastBackspaces != expected.match->first.size() - 1) std::abort();
      if (output.lastExpansion != expected.match->second) std::abort();
      if (output.lastLine != "Expander Triggered by: '" + expected.match->first + "'\n") {
        std::abort();
      }
    } else if (output.sent != sentBefore) {
      std::abort();
    }
    if (expander.TypedBuffer() != reference.TypedBuffer()) std::abort();
  }
  return 0;
}
