#include "store/import_autohotkey.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "store/import_common.h"

namespace tarquel {

namespace {

constexpr ImportFormat Format = ImportFormat::AutoHotkey;
constexpr std::string_view Blanks = " \t";

std::string_view TrimLeft(std::string_view text) {
  const std::size_t start = text.find_first_not_of(Blanks);
  return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(Blanks);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

std::string_view Trim(std::string_view text) {
  return TrimRight(TrimLeft(text));
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && EqualsIgnoringCase(text.substr(0, start.size()), start);
}

// A line with its comment taken off: a ";" at its start or after a blank, unless escaped.
std::string_view WithoutComment(std::string_view line) {
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '`') {
      ++i;
      continue;
    }
    if (line[i] == ';' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
      return line.substr(0, i);
    }
  }
  return line;
}

struct HotstringOptions {
  bool atOnce = false;      // *
  bool inWords = false;     // ?
  bool keepTyped = false;   // B0
  bool omitEnding = false;  // O
  int caseMode = 0;         // C0 conform, 1 C exact, 2 C1 any case
  bool raw = false;         // R
  bool text = false;        // T
  bool code = false;        // X
};

bool IsOptionsText(std::string_view options) {
  for (char c : options) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '*' || c == '?' || c == ' ' || c == '\t' ||
                         c == '-';
    if (!allowed) return false;
  }
  return true;
}

// Applies `text` over `options`; `rawOrTextGiven` tells whether R, T or their 0 forms appear.
void ApplyOptions(std::string_view text, HotstringOptions& options, bool* rawOrTextGiven) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c =
        static_cast<char>(text[i] >= 'a' && text[i] <= 'z' ? text[i] - 'a' + 'A' : text[i]);
    const bool zero = i + 1 < text.size() && text[i + 1] == '0';
    const bool one = i + 1 < text.size() && text[i + 1] == '1';
    switch (c) {
      case '*':
        options.atOnce = !zero;
        break;
      case '?':
        options.inWords = !zero;
        break;
      case 'B':
        options.keepTyped = zero;
        break;
      case 'O':
        options.omitEnding = !zero;
        break;
      case 'C':
        options.caseMode = zero ? 0 : (one ? 2 : 1);
        break;
      case 'R':
        options.raw = !zero;
        if (rawOrTextGiven) *rawOrTextGiven = true;
        break;
      case 'T':
        options.text = !zero;
        if (rawOrTextGiven) *rawOrTextGiven = true;
        break;
      case 'X':
        options.code = !zero;
        break;
      default:
        // Z, S, SI, SP, SE, Kn, Pn: how AutoHotkey sends or ranks, nothing Tarquel keeps.
        break;
    }
    if (zero || one) ++i;
  }
}

TriggerOptions ToTriggerOptions(const HotstringOptions& options) {
  TriggerOptions out;
  out.when = options.atOnce ? FireWhen::AtOnce
                            : (options.omitEnding ? FireWhen::EndingDropped : FireWhen::EndingKept);
  out.where = options.inWords ? FireWhere::Anywhere : FireWhere::WordStart;
  out.caseRule = options.caseMode == 1   ? CaseRule::Exact
                 : options.caseMode == 2 ? CaseRule::Ignore
                                         : CaseRule::Conform;
  return out;
}

// A character of the replacement and whether a backtick made it literal.
struct Piece {
  char c;
  bool escaped;
};

std::vector<Piece> Unescape(std::string_view text, bool backticksLiteral) {
  std::vector<Piece> out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '`' || backticksLiteral || i + 1 >= text.size()) {
      out.push_back({text[i], false});
      continue;
    }
    const char next = text[++i];
    switch (next) {
      case 'n':
        out.push_back({'\n', true});
        break;
      case 'r':
        // `r`n is one line break; a lone `r is one too.
        if (i + 2 < text.size() && text[i + 1] == '`' && text[i + 2] == 'n') i += 2;
        out.push_back({'\n', true});
        break;
      case 't':
        out.push_back({'\t', true});
        break;
      case 's':
        out.push_back({' ', true});
        break;
      case 'b':
        out.push_back({'\b', true});
        break;
      case 'a':
      case 'f':
      case 'v':
        break;
      default:
        out.push_back({next, true});
        break;
    }
  }
  return out;
}

// AutoHotkey's key names as Tarquel's {{key:NAME}} names them.
std::optional<std::string_view> TarquelKeyName(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 26> Names{{
      {"enter", "Enter"},
      {"return", "Enter"},
      {"tab", "Tab"},
      {"esc", "Esc"},
      {"escape", "Esc"},
      {"bs", "Backspace"},
      {"backspace", "Backspace"},
      {"del", "Delete"},
      {"delete", "Delete"},
      {"ins", "Insert"},
      {"insert", "Insert"},
      {"home", "Home"},
      {"end", "End"},
      {"pgup", "PageUp"},
      {"pgdn", "PageDown"},
      {"up", "Up"},
      {"down", "Down"},
      {"left", "Left"},
      {"right", "Right"},
      {"space", "Space"},
      {"numpadenter", "Enter"},
      {"pageup", "PageUp"},
      {"pagedown", "PageDown"},
      {"appskey", ""},
      {"lwin", ""},
      {"rwin", ""},
  }};
  for (const auto& [ahk, tarquel] : Names) {
    if (EqualsIgnoringCase(name, ahk)) {
      if (tarquel.empty()) return std::nullopt;
      return tarquel;
    }
  }
  // F1 to F24.
  if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
    int number = 0;
    for (char c : name.substr(1)) {
      if (c < '0' || c > '9') return std::nullopt;
      number = number * 10 + (c - '0');
    }
    if (number >= 1 && number <= 24) return name;
  }
  return std::nullopt;
}

void AppendCodePoint(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::optional<std::uint32_t> ParseNumber(std::string_view text, int base) {
  if (text.empty() || text.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
  }
  return value;
}

struct Modifiers {
  bool ctrl = false, alt = false, shift = false, win = false;
  bool any() const { return ctrl || alt || shift || win; }
  std::string Prefix() const {
    std::string out;
    if (ctrl) out += "Ctrl+";
    if (alt) out += "Alt+";
    if (shift) out += "Shift+";
    if (win) out += "Win+";
    return out;
  }
};

std::string KeyPlaceholder(const Modifiers& modifiers, std::string_view key, std::uint32_t count) {
  // Appended piece by piece: GCC 12 at -O3 takes `":" + std::to_string(...)` for an overlapping
  // copy (-Wrestrict).
  std::string out = "{{key:";
  out += modifiers.Prefix();
  out += key;
  if (count != 1) {
    out += ':';
    out += std::to_string(count);
  }
  out += "}}";
  return out;
}

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The replacement in Send's syntax as Tarquel's expansion. Parts Tarquel cannot send are left
// out, each with a reason in `lost`.
std::string FromSendSyntax(const std::vector<Piece>& pieces, std::vector<std::string>& lost) {
  std::string out;
  Modifiers modifiers;
  bool literal = false;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const Piece piece = pieces[i];
    if (piece.c == '\b') {
      out += KeyPlaceholder(modifiers, "Backspace", 1);
      modifiers = {};
      continue;
    }
    if (literal || piece.escaped) {
      out += piece.c;
      continue;
    }
    switch (piece.c) {
      case '^':
        modifiers.ctrl = true;
        continue;
      case '!':
        modifiers.alt = true;
        continue;
      case '+':
        modifiers.shift = true;
        continue;
      case '#':
        modifiers.win = true;
        continue;
      default:
        break;
    }
    if (piece.c != '{') {
      if (!modifiers.any()) {
        out += piece.c;
      } else if (modifiers.shift && !modifiers.ctrl && !modifiers.alt && !modifiers.win) {
        out += piece.c >= 'a' && piece.c <= 'z' ? static_cast<char>(piece.c - 'a' + 'A') : piece.c;
      } else if (IsAsciiLetterOrDigit(piece.c)) {
        out += KeyPlaceholder(modifiers, std::string(1, piece.c), 1);
      } else {
        lost.push_back(modifiers.Prefix() + std::string(1, piece.c) +
                       " is no shortcut Tarquel can press: the character is typed alone");
        out += piece.c;
      }
      modifiers = {};
      continue;
    }
    // {...}: up to the next "}", which may itself be the name ({}}).
    std::size_t close = i + 2;
    while (close < pieces.size() && pieces[close].c != '}') ++close;
    if (close >= pieces.size()) {
      out += piece.c;
      continue;
    }
    std::string inner;
    for (std::size_t k = i + 1; k < close; ++k) inner += pieces[k].c;
    i = close;
    const std::size_t space = inner.find_first_of(Blanks, 1);
    const std::string name(Trim(std::string_view(inner).substr(0, space)));
    const std::string argument(
        space == std::string::npos ? "" : Trim(std::string_view(inner).substr(space)));
    std::uint32_t count = 1;
    if (!argument.empty()) {
      std::optional<std::uint32_t> number = ParseNumber(argument, 10);
      if (!number) {
        lost.push_back("{" + inner + "} holds or lets go of a key, which Tarquel does not");
        modifiers = {};
        continue;
      }
      count = *number;
    }
    if (count == 0) {
      modifiers = {};
      continue;
    }
    if (count > 100) {
      lost.push_back("{" + inner + "} presses its key more often than Tarquel's 100 times");
      count = 100;
    }
    if (EqualsIgnoringCase(name, "raw") || EqualsIgnoringCase(name, "text")) {
      literal = true;
    } else if (EqualsIgnoringCase(name, "blind")) {
    } else if (name.size() == 1 && !modifiers.any()) {
      out.append(count, name[0]);
    } else if (name.size() == 1 && IsAsciiLetterOrDigit(name[0])) {
      out += KeyPlaceholder(modifiers, name, count);
    } else if (StartsWithIgnoringCase(name, "U+")) {
      if (std::optional<std::uint32_t> cp = ParseNumber(name.substr(2), 16);
          cp && *cp <= 0x10FFFF && (*cp < 0xD800 || *cp > 0xDFFF)) {
        for (std::uint32_t n = 0; n < count; ++n) AppendCodePoint(out, *cp);
      } else {
        lost.push_back("{" + inner + "} is no character");
      }
    } else if (EqualsIgnoringCase(name, "asc")) {
      // {ASC nnn} typed with Alt and the number pad: ANSI above 127, taken here as Latin-1.
      std::optional<std::uint32_t> code = ParseNumber(argument, 10);
      if (code && *code > 0 && *code < 256) {
        AppendCodePoint(out, *code);
      } else {
        lost.push_back("{" + inner + "} is no character Tarquel can tell");
      }
    } else if (EqualsIgnoringCase(name, "space") && !modifiers.any()) {
      out.append(count, ' ');
    } else if (std::optional<std::string_view> key = TarquelKeyName(name)) {
      out += KeyPlaceholder(modifiers, *key, count);
    } else {
      lost.push_back("the key {" + inner + "} has no name in Tarquel: it is left out");
    }
    modifiers = {};
  }
  if (modifiers.any()) lost.push_back("a modifier at the end presses no key: it is left out");
  return out;
}

// The programs a scope names, from `#IfWinActive ahk_exe x.exe` or a #HotIf expression.
struct Scope {
  bool mapped = true;
  bool not_ = false;
  std::vector<std::string> programs;
};

std::optional<std::string> ProgramOf(std::string_view winTitle) {
  winTitle = Trim(winTitle);
  for (auto [prefix, tarquel] :
       {std::pair{std::string_view("ahk_exe "), std::string_view("")},
        std::pair{std::string_view("ahk_class "), std::string_view("class:")}}) {
    if (StartsWithIgnoringCase(winTitle, prefix)) {
      std::string_view name = Trim(winTitle.substr(prefix.size()));
      // A title or a second criterion beside it: no Tarquel form.
      if (name.empty() || name.find("ahk_") != std::string_view::npos) return std::nullopt;
      const std::size_t slash = name.find_last_of("\\/");
      if (slash != std::string_view::npos && prefix == "ahk_exe ") name = name.substr(slash + 1);
      if (name.find_first_of("=,") != std::string_view::npos) return std::nullopt;
      return std::string(tarquel) + std::string(name);
    }
  }
  return std::nullopt;
}

// `WinActive("ahk_exe a.exe") or WinActive("ahk_exe b.exe")`, each maybe with ! or not.
Scope ParseExpressionScope(std::string_view expression) {
  Scope scope;
  std::string rest(Trim(expression));
  bool first = true;
  while (!rest.empty()) {
    std::string_view part = TrimLeft(rest);
    bool negated = false;
    if (!part.empty() && part[0] == '!') {
      negated = true;
      part = TrimLeft(part.substr(1));
    } else if (StartsWithIgnoringCase(part, "not ")) {
      negated = true;
      part = TrimLeft(part.substr(4));
    }
    if (!StartsWithIgnoringCase(part, "WinActive(")) return {false, false, {}};
    part = TrimLeft(part.substr(10));
    if (part.empty() || (part[0] != '"' && part[0] != '\'')) return {false, false, {}};
    const char quote = part[0];
    const std::size_t end = part.find(quote, 1);
    if (end == std::string_view::npos) return {false, false, {}};
    std::optional<std::string> program = ProgramOf(part.substr(1, end - 1));
    part = TrimLeft(part.substr(end + 1));
    if (!program || part.empty() || part[0] != ')') return {false, false, {}};
    if (!first && negated != scope.not_) return {false, false, {}};
    scope.not_ = negated;
    scope.programs.push_back(*program);
    first = false;
    part = TrimLeft(part.substr(1));
    // "a or b" lists programs any of which may have the focus; "!a and !b" keeps out of each.
    const bool orJoin = StartsWithIgnoringCase(part, "or ") || part.substr(0, 2) == "||";
    const bool andJoin = StartsWithIgnoringCase(part, "and ") || part.substr(0, 2) == "&&";
    if (part.empty()) break;
    if ((orJoin && negated) || (andJoin && !negated) || (!orJoin && !andJoin)) {
      return {false, false, {}};
    }
    rest = std::string(part.substr(part[0] == '|' || part[0] == '&' ? 2 : (orJoin ? 3 : 4)));
  }
  if (scope.programs.empty()) scope.mapped = false;
  return scope;
}

std::string ScopeGroupName(const Scope& scope) {
  std::string name = scope.not_ ? "AutoHotkey not in" : "AutoHotkey";
  for (const std::string& program : scope.programs) {
    name += ' ';
    for (char c : program) name += (c == ':' || c == '=') ? ' ' : c;
  }
  return name;
}

class ScriptReader {
 public:
  ScriptReader(ImportBuilder& builder, const ImportFile& file)
      : builder_(builder), file_(file), text_(UnixLineBreaks(SourceText(file.bytes))) {
    std::size_t start = 0;
    while (start <= text_.size()) {
      const std::size_t end = text_.find('\n', start);
      lines_.push_back(std::string_view(text_).substr(
          start, (end == std::string::npos ? text_.size() : end) - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }

  // Empty when read; else why the file imports nothing.
  std::string Read() {
    bool inBlockComment = false;
    for (line_ = 0; line_ < lines_.size(); ++line_) {
      const std::string_view trimmed = TrimLeft(lines_[line_]);
      if (inBlockComment) {
        if (trimmed.rfind("*/", 0) == 0 || TrimRight(trimmed).ends_with("*/"))
          inBlockComment = false;
        continue;
      }
      if (trimmed.rfind("/*", 0) == 0) {
        inBlockComment = !TrimRight(trimmed).ends_with("*/") || TrimRight(trimmed).size() < 4;
        continue;
      }
      if (trimmed.empty() || trimmed[0] == ';') continue;
      if (trimmed[0] == '#') {
        Directive(TrimRight(WithoutComment(trimmed)));
        continue;
      }
      if (trimmed[0] == ':') {
        std::string error = Hotstring(trimmed);
        if (!error.empty()) return error;
      }
    }
    return {};
  }

 private:
  std::string Where(std::size_t line) const { return WhereIn(file_.path, line + 1); }

  void Directive(std::string_view line) {
    const std::size_t space = line.find_first_of(Blanks);
    const std::string_view word = line.substr(0, space);
    const std::string_view rest = space == std::string_view::npos ? "" : Trim(line.substr(space));
    if (EqualsIgnoringCase(word, "#Hotstring")) {
      if (StartsWithIgnoringCase(rest, "EndChars")) {
        builder_.Note(Where(line_), "",
                      "#Hotstring EndChars is not carried over: Tarquel's ending characters are "
                      "its own",
                      false);
      } else if (!StartsWithIgnoringCase(rest, "NoMouse") &&
                 !StartsWithIgnoringCase(rest, "MouseReset")) {
        ApplyOptions(rest, defaults_, nullptr);
      }
      return;
    }
    Scope scope;
    if (EqualsIgnoringCase(word, "#IfWinActive") || EqualsIgnoringCase(word, "#IfWinNotActive")) {
      if (rest.empty()) {
        group_ = 0;
        return;
      }
      // WinTitle, WinText: only the first, and only ahk_exe or ahk_class alone.
      std::string_view title = rest.substr(0, rest.find(','));
      const bool withText = rest.find(',') != std::string_view::npos &&
                            !Trim(rest.substr(rest.find(',') + 1)).empty();
      std::optional<std::string> program = ProgramOf(title);
      scope.mapped = program.has_value() && !withText;
      if (program) scope.programs.push_back(*program);
      scope.not_ = EqualsIgnoringCase(word, "#IfWinNotActive");
    } else if (EqualsIgnoringCase(word, "#HotIf") || EqualsIgnoringCase(word, "#If")) {
      if (rest.empty()) {
        group_ = 0;
        return;
      }
      scope = ParseExpressionScope(rest);
    } else if (EqualsIgnoringCase(word, "#IfWinExist") ||
               EqualsIgnoringCase(word, "#IfWinNotExist")) {
      scope.mapped = rest.empty();
      if (rest.empty()) {
        group_ = 0;
        return;
      }
    } else {
      return;
    }
    TriggerGroup group;
    if (scope.mapped) {
      group.name = ScopeGroupName(scope);
      (scope.not_ ? group.notIn : group.onlyIn) = scope.programs;
    } else {
      group.name = "AutoHotkey other condition";
      group.enabled = false;
      builder_.Note(Where(line_), "",
                    "the condition \"" + std::string(line) +
                        "\" has no form in Tarquel (it can only name programs): its hotstrings "
                        "go to the group \"" +
                        group.name + "\", switched off",
                    false);
    }
    group.defaults = builder_.GroupAt(0).defaults;
    group_ = builder_.Group(std::move(group));
  }

  std::string Hotstring(std::string_view line) {
    // :OPTIONS:abbreviation::replacement
    const std::size_t optionsEnd = line.find(':', 1);
    if (optionsEnd == std::string_view::npos) return {};
    const std::string_view optionsText = line.substr(1, optionsEnd - 1);
    if (!IsOptionsText(optionsText)) return {};
    std::size_t separator = optionsEnd + 1;
    while (true) {
      separator = line.find("::", separator);
      if (separator == std::string_view::npos) return {};
      // `: keeps a colon in the abbreviation.
      if (separator > optionsEnd + 1 && line[separator - 1] == '`') {
        ++separator;
        continue;
      }
      break;
    }
    const std::size_t here = line_;
    std::string trigger;
    for (const Piece& piece :
         Unescape(line.substr(optionsEnd + 1, separator - optionsEnd - 1), false)) {
      trigger += piece.c;
    }
    if (trigger.empty()) return {};
    HotstringOptions options = defaults_;
    bool rawOrTextGiven = false;
    ApplyOptions(optionsText, options, &rawOrTextGiven);
    const std::string_view rest = line.substr(separator + 2);
    const std::string_view replacement = TrimRight(WithoutComment(rest));

    if (options.code) {
      builder_.Note(Where(here), trigger, "it runs code (the X option)");
      return {};
    }
    if (Trim(replacement) == "{") {
      SkipBody(true);
      builder_.Note(Where(here), trigger, "it runs code");
      return {};
    }
    std::vector<Piece> pieces;
    bool literal = options.raw || options.text;
    if (Trim(replacement).empty()) {
      const std::size_t next = NextCodeLine(line_ + 1);
      if (next < lines_.size() && TrimLeft(lines_[next]).rfind('(', 0) == 0) {
        std::optional<std::string> error;
        pieces = ContinuationSection(next, error);
        if (error) return *error;
        // A continuation section is sent as text unless the hotstring asks otherwise.
        if (!rawOrTextGiven) literal = true;
      } else {
        SkipBody(false);
        builder_.Note(Where(here), trigger, "it runs code");
        return {};
      }
    } else {
      pieces = Unescape(replacement, false);
    }

    std::vector<std::string> lost;
    std::string expansion;
    if (literal) {
      for (const Piece& piece : pieces) {
        if (piece.c == '\b') {
          expansion += "{{key:Backspace}}";
        } else {
          expansion += piece.c;
        }
      }
    } else {
      expansion = FromSendSyntax(pieces, lost);
    }
    // B0: what was typed stays, so it is typed again in front of the replacement.
    if (options.keepTyped) expansion = trigger + expansion;
    for (std::string& why : lost) builder_.Note(Where(here), trigger, std::move(why), false);
    builder_.Add(Where(here), std::move(trigger), expansion, ToTriggerOptions(options), group_);
    return {};
  }

  std::size_t NextCodeLine(std::size_t from) const {
    while (from < lines_.size()) {
      const std::string_view trimmed = TrimLeft(lines_[from]);
      if (!trimmed.empty() && trimmed[0] != ';') break;
      ++from;
    }
    return from;
  }

  // A hotstring's code: a { } block (v2, or v1 with braces) or v1's lines up to `return`.
  void SkipBody(bool openedOnLine) {
    std::size_t next = NextCodeLine(line_ + 1);
    int depth = openedOnLine ? 1 : 0;
    if (!openedOnLine && (next >= lines_.size() || TrimLeft(lines_[next]).rfind('{', 0) != 0)) {
      // v1: up to a line that is `return`, or the next hotstring or directive if none comes.
      for (std::size_t i = line_ + 1; i < lines_.size(); ++i) {
        const std::string_view code = Trim(WithoutComment(lines_[i]));
        if (EqualsIgnoringCase(code, "return")) {
          line_ = i;
          return;
        }
        if (!code.empty() && (code[0] == ':' || code[0] == '#')) {
          line_ = i - 1;
          return;
        }
      }
      line_ = lines_.size();
      return;
    }
    for (std::size_t i = openedOnLine ? line_ + 1 : next; i < lines_.size(); ++i) {
      for (char c : WithoutComment(lines_[i])) {
        if (c == '{') ++depth;
        if (c == '}') --depth;
      }
      if (depth <= 0) {
        line_ = i;
        return;
      }
    }
    line_ = lines_.size();
  }

  std::vector<Piece> ContinuationSection(std::size_t open, std::optional<std::string>& error) {
    std::string_view options = TrimLeft(lines_[open]).substr(1);
    std::string join = "\n";
    bool leftTrim = false, rightTrim = true, comments = false, backticksLiteral = false;
    std::size_t start = 0;
    while (start < options.size()) {
      start = options.find_first_not_of(Blanks, start);
      if (start == std::string_view::npos) break;
      std::size_t end = options.find_first_of(Blanks, start);
      if (end == std::string_view::npos) end = options.size();
      const std::string_view word = options.substr(start, end - start);
      if (StartsWithIgnoringCase(word, "Join")) {
        join.clear();
        for (const Piece& piece : Unescape(word.substr(4), false)) join += piece.c;
      } else if (EqualsIgnoringCase(word, "LTrim")) {
        leftTrim = true;
      } else if (EqualsIgnoringCase(word, "LTrim0")) {
        leftTrim = false;
      } else if (EqualsIgnoringCase(word, "RTrim0")) {
        rightTrim = false;
      } else if (StartsWithIgnoringCase(word, "Comment") || EqualsIgnoringCase(word, "Com") ||
                 EqualsIgnoringCase(word, "C")) {
        comments = true;
      } else if (word == "`") {
        backticksLiteral = true;
      }
      start = end;
    }
    std::string text;
    for (std::size_t i = open + 1; i < lines_.size(); ++i) {
      if (TrimLeft(lines_[i]).rfind(')', 0) == 0) {
        line_ = i;
        return Unescape(text, backticksLiteral);
      }
      std::string_view content = lines_[i];
      if (comments) content = WithoutComment(content);
      if (leftTrim) content = TrimLeft(content);
      if (rightTrim) content = TrimRight(content);
      if (i > open + 1) text += join;
      text += content;
    }
    error = Where(open) +
            ": the continuation section that opens here never ends (no line "
            "starting with \")\")";
    return {};
  }

  ImportBuilder& builder_;
  const ImportFile& file_;
  std::string text_;
  std::vector<std::string_view> lines_;
  std::size_t line_ = 0;
  HotstringOptions defaults_;
  std::size_t group_ = 0;
};

}  // namespace

ImportResult ImportAutoHotkey(const std::vector<ImportFile>& files) {
  TriggerGroup main = NamedGroup("AutoHotkey");
  // AutoHotkey's own defaults: after an ending character, at a word start, the case conformed.
  main.defaults = ToTriggerOptions(HotstringOptions{});
  ImportBuilder builder(Format, std::move(main));
  bool any = false;
  for (const ImportFile& file : files) {
    const bool script =
        EndsWithIgnoringCase(file.path, ".ahk") || EndsWithIgnoringCase(file.path, ".ah2");
    if (!script && files.size() > 1) continue;
    any = true;
    ScriptReader reader(builder, file);
    std::string error = reader.Read();
    if (!error.empty()) return ImportBuilder::Failed(Format, std::move(error));
  }
  if (!any) return ImportBuilder::Failed(Format, "no .ahk file to import");
  return builder.Finish();
}

}  // namespace tarquel
