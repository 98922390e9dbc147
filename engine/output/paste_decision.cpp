#include "engine/output/paste_decision.h"

#include <algorithm>

namespace tarquel {

namespace {

constexpr std::string_view ClassPrefix = "class:";
constexpr std::string_view ProgramPrefix = "program:";

std::string_view Trim(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Window classes and file names compare without regard to ASCII case, as Windows does.
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

bool Matches(const TypeInRule& rule, const FocusedWindow& window) {
  if (rule.name.empty()) return false;
  // A class names either the control with the focus or the top-level window around it: a
  // console's focus cannot be read from another process, and a terminal may be one control
  // in a larger window.
  bool byClass = rule.match != TypeInMatch::Program && (SameName(rule.name, window.windowClass) ||
                                                        SameName(rule.name, window.topLevelClass));
  bool byProgram = rule.match != TypeInMatch::WindowClass && SameName(rule.name, window.program);
  return byClass || byProgram;
}

}  // namespace

TypeInRule ParseTypeInRule(std::string_view value) {
  std::string_view text = Trim(value);
  TypeInRule rule;
  if (text.starts_with(ClassPrefix)) {
    rule.match = TypeInMatch::WindowClass;
    text = text.substr(ClassPrefix.size());
  } else if (text.starts_with(ProgramPrefix)) {
    rule.match = TypeInMatch::Program;
    text = text.substr(ProgramPrefix.size());
  }
  rule.name = std::string(Trim(text));
  return rule;
}

const std::vector<TypeInRule>& BuiltInTypeInRules() {
  static const std::vector<TypeInRule> rules{
      {TypeInMatch::WindowClass, "ConsoleWindowClass"},
      {TypeInMatch::WindowClass, "mintty"},
      {TypeInMatch::Program, "mintty.exe"},
      {TypeInMatch::WindowClass, "PuTTY"},
      {TypeInMatch::Program, "putty.exe"},
  };
  return rules;
}

bool MustType(const FocusedWindow& window, const OutputSettings& settings) {
  auto matches = [&window](const TypeInRule& rule) { return Matches(rule, window); };
  return std::any_of(BuiltInTypeInRules().begin(), BuiltInTypeInRules().end(), matches) ||
         std::any_of(settings.typeIn.begin(), settings.typeIn.end(), matches);
}

const std::vector<TypeInRule>& BuiltInKeyPressRules() {
  static const std::vector<TypeInRule> rules{
      {TypeInMatch::Program, "mstsc.exe"},
      {TypeInMatch::Program, "msrdc.exe"},
      {TypeInMatch::WindowClass, "TscShellContainerClass"},
      {TypeInMatch::Program, "wfica32.exe"},
      {TypeInMatch::Program, "CDViewer.exe"},
      {TypeInMatch::Program, "vmconnect.exe"},
      {TypeInMatch::Program, "VirtualBoxVM.exe"},
      {TypeInMatch::Program, "vncviewer.exe"},
      {TypeInMatch::Program, "tvnviewer.exe"},
      {TypeInMatch::Program, "vmware.exe"},
  };
  return rules;
}

bool MustPressKeys(const FocusedWindow& window, const OutputSettings& settings) {
  auto matches = [&window](const TypeInRule& rule) { return Matches(rule, window); };
  return std::any_of(BuiltInKeyPressRules().begin(), BuiltInKeyPressRules().end(), matches) ||
         std::any_of(settings.pressKeysIn.begin(), settings.pressKeysIn.end(), matches);
}

std::optional<PaceRule> ParsePaceRule(std::string_view value) {
  std::string_view text = Trim(value);
  // The numbers come last, so that a program's name may hold blanks.
  auto lastNumber = [&text]() -> std::optional<std::uint32_t> {
    const std::size_t blank = text.find_last_of(" \t");
    if (blank == std::string_view::npos) return std::nullopt;
    const std::string_view word = text.substr(blank + 1);
    if (word.empty() || word.size() > 9 ||
        word.find_first_not_of("0123456789") != std::string_view::npos) {
      return std::nullopt;
    }
    std::uint32_t number = 0;
    for (char c : word) number = number * 10 + static_cast<std::uint32_t>(c - '0');
    text = Trim(text.substr(0, blank));
    return number;
  };
  const std::optional<std::uint32_t> last = lastNumber();
  if (!last) return std::nullopt;
  Pace pace{*last, 0};
  if (const std::optional<std::uint32_t> first = lastNumber()) pace = {*first, *last};
  pace.keyDelayMs = std::min(pace.keyDelayMs, KeyDelayLimitMs);
  pace.pasteDelayMs = std::min(pace.pasteDelayMs, PasteDelayLimitMs);
  PaceRule rule{ParseTypeInRule(text), pace};
  // "10 200" names no window: a number alone is the first wait left without its name.
  if (rule.window.name.find_first_not_of("0123456789") == std::string::npos) return std::nullopt;
  return rule;
}

const std::vector<PaceRule>& BuiltInPaceRules() {
  // Outlook's editor is known to lose keys sent at full speed and to need a moment between
  // the Backspaces and a paste.
  static const std::vector<PaceRule> rules{
      {{TypeInMatch::Program, "outlook.exe"}, {10, 200}},
  };
  return rules;
}

Pace PaceFor(const FocusedWindow& window, const OutputSettings& settings) {
  for (const PaceRule& rule : settings.pace) {
    if (Matches(rule.window, window)) return rule.pace;
  }
  for (const PaceRule& rule : BuiltInPaceRules()) {
    if (Matches(rule.window, window)) return rule.pace;
  }
  return {};
}

OutputPath ChooseOutputPath(std::size_t characters, bool holdsLineBreak,
                            const FocusedWindow& window, const OutputSettings& settings) {
  if (settings.pasteThreshold == 0) return OutputPath::Type;
  if (characters <= settings.pasteThreshold && !holdsLineBreak) return OutputPath::Type;
  if (MustType(window, settings)) return OutputPath::Type;
  return OutputPath::Paste;
}

}  // namespace tarquel
