#include "engine/match/typed_trigger.h"

#include <string>

#include "util/text_case.h"

namespace tarquel {

namespace {

class EveryProgram final : public GroupFilter {
 public:
  bool Allows(const TriggerGroup&) override { return true; }
};

bool IsOneOf(char32_t c, std::string_view characters) {
  for (std::size_t pos = 0; pos < characters.size();) {
    if (NextCodePoint(characters, pos) == c) return true;
  }
  return false;
}

}  // namespace

bool FiresWhenTyped(const TriggerTable& table, std::string_view trigger,
                    std::string_view endingCharacters) {
  if (!table.Find(trigger)) return false;
  const bool waits = table.OptionsOf(trigger).when != FireWhen::AtOnce;
  std::string typed(trigger);
  if (waits) {
    // The first stands for all: the matcher asks whether the key typed one, not which.
    if (endingCharacters.empty()) return false;
    std::size_t pos = 0;
    NextCodePoint(endingCharacters, pos);
    typed += endingCharacters.substr(0, pos);
  }
  EveryProgram filter;
  std::size_t end = 0;
  while (end < typed.size()) {
    const std::size_t start = end;
    const char32_t c = NextCodePoint(typed, end);
    const std::string_view text = std::string_view(typed).substr(0, end);
    const std::string folded = FoldText(text);
    const std::size_t endingBytes =
        table.HasEndingTriggers() && IsOneOf(c, endingCharacters) ? end - start : 0;
    const std::optional<TriggerTable::KeyMatch> fired =
        table.MatchKey({text, folded, true}, endingBytes, filter);
    // Before the last key, anything that fires takes the text away from the trigger.
    if (end < typed.size() && fired) return false;
    if (end == typed.size()) return fired && fired->match.entry->first == trigger;
  }
  return false;
}

}  // namespace tarquel
