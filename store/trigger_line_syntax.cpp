#include "store/trigger_line_syntax.h"

#include <array>
#include <utility>
#include <vector>

namespace tarquel {

namespace {

constexpr std::string_view OptionsStart = "(options";
constexpr std::string_view GroupStart = "[group";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithNoCase(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    if (LowerAscii(text[i]) != start[i]) return false;
  }
  return true;
}

// A word as compared: lower case, one space between its parts ("Word   Start" is "word start").
std::string Normalized(std::string_view word) {
  std::string out;
  for (char c : Trim(word)) {
    if (IsBlank(c)) {
      if (!out.ends_with(' ')) out += ' ';
    } else {
      out += LowerAscii(c);
    }
  }
  return out;
}

template <typename T>
struct Word {
  std::string_view text;
  T value;
};

constexpr std::array<Word<FireWhen>, 3> WhenWords{{{"at once", FireWhen::AtOnce},
                                                   {"after ending", FireWhen::EndingKept},
                                                   {"drop ending", FireWhen::EndingDropped}}};
constexpr std::array<Word<FireWhere>, 2> WhereWords{
    {{"anywhere", FireWhere::Anywhere}, {"word start", FireWhere::WordStart}}};
constexpr std::array<Word<CaseRule>, 3> CaseWords{{{"exact case", CaseRule::Exact},
                                                   {"any case", CaseRule::Ignore},
                                                   {"conform case", CaseRule::Conform}}};

template <typename T, std::size_t N>
std::string_view TextOf(const std::array<Word<T>, N>& words, T value) {
  for (const Word<T>& word : words) {
    if (word.value == value) return word.text;
  }
  return {};
}

// Sets `slot` from `word` when it is one of `words`. False when it is not, or when the slot
// already holds another value: the line contradicts itself.
template <typename T, std::size_t N>
bool TakeWord(const std::array<Word<T>, N>& words, std::string_view word, std::optional<T>& slot,
              bool& known) {
  for (const Word<T>& candidate : words) {
    if (candidate.text != word) continue;
    known = true;
    if (slot && *slot != candidate.value) return false;
    slot = candidate.value;
    return true;
  }
  return true;
}

// One option word into `options`. nullopt: not an option word; false: it contradicts an earlier.
std::optional<bool> TakeOptionWord(std::string_view word, TriggerOptions& options) {
  bool known = false;
  const bool agrees = TakeWord(WhenWords, word, options.when, known) &&
                      TakeWord(WhereWords, word, options.where, known) &&
                      TakeWord(CaseWords, word, options.caseRule, known);
  if (!known) return std::nullopt;
  return agrees;
}

// The parts of a comma-separated list, each trimmed; empty ones are left out.
std::vector<std::string_view> SplitWords(std::string_view list) {
  std::vector<std::string_view> words;
  while (true) {
    const std::size_t comma = list.find(',');
    std::string_view word = Trim(list.substr(0, comma));
    if (!word.empty()) words.push_back(word);
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return words;
}

// The text inside `start` ... `end` after the keyword, or nullopt when the line is not framed so.
std::optional<std::string_view> Inside(std::string_view line, std::string_view start, char end) {
  line = Trim(line);
  if (!StartsWithNoCase(line, start) || !line.ends_with(end)) return std::nullopt;
  line.remove_prefix(start.size());
  line.remove_suffix(1);
  return line;
}

void AppendWords(std::string& line, const std::vector<std::string_view>& words) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) line += ", ";
    line += words[i];
  }
}

void AppendOptionWords(std::vector<std::string_view>& words, const TriggerOptions& options) {
  if (options.when) words.push_back(TextOf(WhenWords, *options.when));
  if (options.where) words.push_back(TextOf(WhereWords, *options.where));
  if (options.caseRule) words.push_back(TextOf(CaseWords, *options.caseRule));
}

bool HasLineBreak(std::string_view name) {
  return name.find_first_of("\r\n\x1A") != std::string_view::npos;
}

std::string Writable(std::string_view name, std::string_view forbidden) {
  std::string out(Trim(name));
  for (char& c : out) {
    if (forbidden.find(c) != std::string_view::npos) c = '_';
  }
  return out.empty() ? std::string("_") : out;
}

}  // namespace

std::optional<TriggerOptions> ParseOptionsLine(std::string_view line) {
  std::optional<std::string_view> inside = Inside(line, OptionsStart, ')');
  if (!inside) return std::nullopt;
  std::string_view list = Trim(*inside);
  if (!list.starts_with(':')) return std::nullopt;
  list.remove_prefix(1);
  TriggerOptions options;
  for (std::string_view word : SplitWords(list)) {
    std::optional<bool> taken = TakeOptionWord(Normalized(word), options);
    if (!taken || !*taken) return std::nullopt;
  }
  return options;
}

std::optional<TriggerGroup> ParseGroupLine(std::string_view line,
                                           std::string (*decode)(std::string_view)) {
  std::optional<std::string_view> inside = Inside(line, GroupStart, ']');
  // "[group" must be followed by a blank: "[groups]" is no group line.
  if (!inside || inside->empty() || !IsBlank(inside->front())) return std::nullopt;
  const auto text = [decode](std::string_view bytes) {
    return decode != nullptr ? decode(bytes) : std::string(bytes);
  };

  const std::size_t colon = inside->find(':');
  const std::string_view name = Trim(inside->substr(0, colon));
  // A name the writer could not give back as it is (a lone CR in it, say) is no name.
  if (!IsWritableGroupName(name)) return std::nullopt;
  TriggerGroup group;
  group.name = text(name);
  if (colon == std::string_view::npos) return group;

  std::optional<bool> enabled;
  for (std::string_view word : SplitWords(inside->substr(colon + 1))) {
    const std::string normalized = Normalized(word);
    if (normalized == "on" || normalized == "off") {
      if (enabled && *enabled != (normalized == "on")) return std::nullopt;
      enabled = normalized == "on";
      continue;
    }
    // The program keeps its own case: "only in" and "not in" are matched on the normalized
    // word, the name is cut from the word as written.
    bool matched = false;
    for (auto [keyword, list] : {std::pair{std::string_view("only in "), &group.onlyIn},
                                 std::pair{std::string_view("not in "), &group.notIn}}) {
      if (!normalized.starts_with(keyword)) continue;
      // Past the two words of the keyword and the blanks after each.
      std::string_view program = word;
      for (int part = 0; part < 2; ++part) {
        while (!program.empty() && !IsBlank(program.front())) program.remove_prefix(1);
        program = Trim(program);
      }
      if (!IsWritableProgramName(program)) return std::nullopt;
      list->push_back(text(program));
      matched = true;
      break;
    }
    if (matched) continue;
    std::optional<bool> taken = TakeOptionWord(normalized, group.defaults);
    if (!taken || !*taken) return std::nullopt;
  }
  group.enabled = enabled.value_or(true);
  return group;
}

bool LooksLikeOptionsOrGroupLine(std::string_view line) {
  line = Trim(line);
  return StartsWithNoCase(line, OptionsStart) || StartsWithNoCase(line, GroupStart);
}

std::string FormatOptionsLine(const TriggerOptions& options) {
  std::vector<std::string_view> words;
  AppendOptionWords(words, options);
  std::string line = words.empty() ? "(options:" : "(options: ";
  AppendWords(line, words);
  line += ')';
  return line;
}

std::string FormatGroupLine(const TriggerGroup& group) {
  std::string line = "[group ";
  line += IsWritableGroupName(group.name) ? group.name : Writable(group.name, "=:\r\n\x1A");
  std::vector<std::string> programs;
  for (const auto& [keyword, list] :
       {std::pair{"only in ", &group.onlyIn}, std::pair{"not in ", &group.notIn}}) {
    for (const std::string& program : *list) {
      programs.push_back(
          keyword + (IsWritableProgramName(program) ? program : Writable(program, "=,\r\n\x1A")));
    }
  }
  std::vector<std::string_view> words;
  if (!group.enabled) words.push_back("off");
  words.insert(words.end(), programs.begin(), programs.end());
  AppendOptionWords(words, group.defaults);
  if (!words.empty()) {
    line += ": ";
    AppendWords(line, words);
  }
  line += ']';
  return line;
}

bool IsWritableGroupName(std::string_view name) {
  return !name.empty() && Trim(name).size() == name.size() && !HasLineBreak(name) &&
         name.find_first_of("=:") == std::string_view::npos;
}

bool IsWritableProgramName(std::string_view name) {
  return !name.empty() && Trim(name).size() == name.size() && !HasLineBreak(name) &&
         name.find_first_of("=,") == std::string_view::npos;
}

}  // namespace tarquel
