#include "store/option_lines.h"

#include <string>
#include <vector>

namespace tarquel {

namespace {

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameWords(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool StartsWithWords(std::string_view text, std::string_view words) {
  return text.size() >= words.size() && SameWords(text.substr(0, words.size()), words);
}

// One option word into `options`; false when it is none.
bool ReadOptionWord(std::string_view word, TriggerOptions& options) {
  struct Word {
    std::string_view text;
    void (*apply)(TriggerOptions&);
  };
  static constexpr Word words[] = {
      {"at once", [](TriggerOptions& o) { o.when = FireWhen::AtOnce; }},
      {"after ending", [](TriggerOptions& o) { o.when = FireWhen::EndingKept; }},
      {"drop ending", [](TriggerOptions& o) { o.when = FireWhen::EndingDropped; }},
      {"anywhere", [](TriggerOptions& o) { o.where = FireWhere::Anywhere; }},
      {"word start", [](TriggerOptions& o) { o.where = FireWhere::WordStart; }},
      {"exact case", [](TriggerOptions& o) { o.caseRule = CaseRule::Exact; }},
      {"any case", [](TriggerOptions& o) { o.caseRule = CaseRule::Ignore; }},
      {"conform case", [](TriggerOptions& o) { o.caseRule = CaseRule::Conform; }},
  };
  for (const Word& known : words) {
    if (SameWords(word, known.text)) {
      known.apply(options);
      return true;
    }
  }
  return false;
}

std::vector<std::string_view> SplitWords(std::string_view list) {
  std::vector<std::string_view> words;
  while (true) {
    const std::size_t comma = list.find(',');
    words.push_back(Trim(list.substr(0, comma)));
    if (comma == std::string_view::npos) return words;
    list = list.substr(comma + 1);
  }
}

}  // namespace

bool ReadOptionLine(std::string_view line, TriggerTable& table, OptionLineState& state) {
  line = Trim(line);
  if (line.size() > 2 && line.front() == '(' && line.back() == ')' &&
      StartsWithWords(line.substr(1), "options:")) {
    TriggerOptions options;
    for (std::string_view word : SplitWords(line.substr(9, line.size() - 10))) {
      if (!ReadOptionWord(word, options)) return false;
    }
    state.next = options;
    return true;
  }
  if (line.size() > 8 && line.back() == ']' && StartsWithWords(line, "[group ")) {
    std::string_view inside = line.substr(7, line.size() - 8);
    const std::size_t colon = inside.find(':');
    TriggerGroup group;
    group.name = std::string(Trim(inside.substr(0, colon)));
    if (group.name.empty()) return false;
    if (colon != std::string_view::npos) {
      for (std::string_view word : SplitWords(inside.substr(colon + 1))) {
        if (SameWords(word, "on")) {
          group.enabled = true;
        } else if (SameWords(word, "off")) {
          group.enabled = false;
        } else if (StartsWithWords(word, "only in ") && !Trim(word.substr(8)).empty()) {
          group.onlyIn.emplace_back(Trim(word.substr(8)));
        } else if (StartsWithWords(word, "not in ") && !Trim(word.substr(7)).empty()) {
          group.notIn.emplace_back(Trim(word.substr(7)));
        } else if (!ReadOptionWord(word, group.defaults)) {
          return false;
        }
      }
    }
    const std::size_t index = table.AddGroup(group);
    table.SetGroup(index, std::move(group));
    state.group = index;
    state.next.reset();
    return true;
  }
  return false;
}

}  // namespace tarquel
