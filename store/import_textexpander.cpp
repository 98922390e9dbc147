#include "store/import_textexpander.h"

#include <array>
#include <optional>
#include <utility>

#include "store/import_common.h"

namespace tarquel {

namespace {

constexpr ImportFormat Format = ImportFormat::TextExpander;

// TextExpander's date codes that Tarquel's {{date:...}} writes the same.
bool IsDateCode(char c) {
  return c == 'Y' || c == 'm' || c == 'd' || c == 'H' || c == 'M' || c == 'S' || c == 'A' ||
         c == 'a' || c == 'B' || c == 'b' || c == 'j';
}

// Other date codes, with the nearest Tarquel has.
std::optional<std::pair<std::string_view, const char*>> NearDateCode(std::string_view code) {
  static constexpr std::array<std::pair<std::string_view, std::pair<std::string_view, const char*>>,
                              7>
      Codes{{
          {"y", {"%Y", "a two-digit year (%y) is written with four digits"}},
          {"1m", {"%m", "a month without its leading zero (%1m) gets one"}},
          {"1d", {"%d", "a day without its leading zero (%1d) gets one"}},
          {"e", {"%d", "a day without its leading zero (%e) gets one"}},
          {"1H", {"%H", "an hour without its leading zero (%1H) gets one"}},
          {"I", {"%H", "a 12-hour clock (%I) is written with 24 hours"}},
          {"1I", {"%H", "a 12-hour clock (%1I) is written with 24 hours"}},
      }};
  for (const auto& [te, near] : Codes) {
    if (code.substr(0, te.size()) == te) return std::pair{te, near.second};
  }
  return std::nullopt;
}

std::optional<std::string_view> TarquelKey(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 14> Keys{{
      {"tab", "Tab"},
      {"enter", "Enter"},
      {"return", "Enter"},
      {"esc", "Esc"},
      {"escape", "Esc"},
      {"up", "Up"},
      {"down", "Down"},
      {"left", "Left"},
      {"right", "Right"},
      {"home", "Home"},
      {"end", "End"},
      {"pageup", "PageUp"},
      {"pagedown", "PageDown"},
      {"fwddelete", "Delete"},
  }};
  for (const auto& [te, tarquel] : Keys) {
    if (EqualsIgnoringCase(name, te)) return tarquel;
  }
  if (EqualsIgnoringCase(name, "delete") || EqualsIgnoringCase(name, "backspace")) {
    return "Backspace";
  }
  return std::nullopt;
}

struct Converted {
  std::string text;
  std::string dropWhy;
  std::vector<std::string> lost;
};

// One piece of a snippet: text, or a date code (with its Tarquel code).
struct Token {
  bool date = false;
  std::string text;
};

Converted ConvertContent(std::string_view content) {
  Converted out;
  std::vector<Token> tokens;
  auto literal = [&](std::string_view text) {
    if (tokens.empty() || tokens.back().date) tokens.push_back({false, ""});
    tokens.back().text += text;
  };
  for (std::size_t i = 0; i < content.size();) {
    if (content[i] != '%' || i + 1 >= content.size()) {
      literal(content.substr(i, 1));
      ++i;
      continue;
    }
    const std::string_view rest = content.substr(i + 1);
    if (rest[0] == '%') {
      literal("%");
      i += 2;
    } else if (rest[0] == '|') {
      literal("{{cursor}}");
      i += 2;
    } else if (rest.rfind("clipboard", 0) == 0) {
      literal("{{clipboard}}");
      i += 10;
    } else if (rest.rfind("fill", 0) == 0) {
      out.dropWhy = "it is a fill-in form";
      return out;
    } else if (rest.rfind("key:", 0) == 0 || rest.rfind("snippet:", 0) == 0) {
      const std::size_t end = rest.find('%');
      if (end == std::string_view::npos) {
        literal(content.substr(i));
        break;
      }
      const std::string_view macro = rest.substr(0, end);
      if (macro.rfind("key:", 0) == 0) {
        if (std::optional<std::string_view> key = TarquelKey(macro.substr(4))) {
          literal("{{key:" + std::string(*key) + "}}");
        } else {
          out.lost.push_back("%" + std::string(macro) +
                             "% names a key Tarquel does not know: left out");
        }
      } else {
        out.lost.push_back("%" + std::string(macro) + "% puts in another snippet: left out");
      }
      i += end + 2;
    } else if (rest[0] == '@') {
      // %@+1D: date math, up to its unit letter.
      std::size_t end = 1;
      while (end < rest.size() &&
             (rest[end] == '+' || rest[end] == '-' || (rest[end] >= '0' && rest[end] <= '9'))) {
        ++end;
      }
      // The unit: Y M D h m s. Anything else is not part of it (nor half of a character).
      if (end < rest.size() &&
          ((rest[end] >= 'A' && rest[end] <= 'Z') || (rest[end] >= 'a' && rest[end] <= 'z'))) {
        ++end;
      }
      out.lost.push_back("the date math %" + std::string(rest.substr(0, end)) +
                         " is not carried over: the date is today's");
      i += 1 + end;
    } else if (IsDateCode(rest[0])) {
      tokens.push_back({true, "%" + std::string(1, rest[0])});
      i += 2;
    } else if (auto near = NearDateCode(rest)) {
      tokens.push_back({true, std::string(near->first)});
      out.lost.push_back(near->second);
      i += 1 + near->first.size();
    } else {
      literal(content.substr(i, 1));
      ++i;
    }
  }
  // Date codes with only short punctuation between them ("%Y-%m-%d") become one {{date:...}}.
  for (std::size_t t = 0; t < tokens.size(); ++t) {
    if (!tokens[t].date) {
      out.text += tokens[t].text;
      continue;
    }
    std::string format = tokens[t].text;
    while (true) {
      if (t + 1 < tokens.size() && tokens[t + 1].date) {
        format += tokens[++t].text;
      } else if (t + 2 < tokens.size() && tokens[t + 2].date && tokens[t + 1].text.size() <= 3 &&
                 tokens[t + 1].text.find_first_of("{}%") == std::string::npos) {
        format += tokens[t + 1].text + tokens[t + 2].text;
        t += 2;
      } else {
        break;
      }
    }
    out.text += "{{date:" + format + "}}";
  }
  return out;
}

bool LooksLikeHtml(std::string_view content) {
  const std::size_t start = content.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || content[start] != '<') return false;
  const std::string_view head = content.substr(start, 16);
  for (std::string_view tag :
       {"<html", "<!doctype", "<body", "<div", "<p>", "<p ", "<span", "<meta", "<style"}) {
    if (head.size() >= tag.size() && EqualsIgnoringCase(head.substr(0, tag.size()), tag)) {
      return true;
    }
  }
  return false;
}

}  // namespace

ImportResult ImportTextExpander(const std::vector<ImportFile>& files) {
  ImportBuilder builder(Format, NamedGroup("TextExpander"));
  bool any = false;
  for (const ImportFile& file : files) {
    if (files.size() > 1 && !EndsWithIgnoringCase(file.path, ".csv")) continue;
    any = true;
    std::string error;
    const std::vector<CsvRow> rows = ReadCsv(SourceText(file.bytes), error);
    if (!error.empty()) return ImportBuilder::Failed(Format, file.path + ": " + error);
    for (const CsvRow& row : rows) {
      const std::string where = WhereIn(file.path, row.line);
      if (row.fields.size() < 2) {
        builder.Note(where, row.fields.empty() ? "" : row.fields[0],
                     "the row has no content column");
        continue;
      }
      const std::string& abbreviation = row.fields[0];
      const std::string label = row.fields.size() > 2 ? row.fields[2] : std::string();
      if (LooksLikeHtml(row.fields[1])) {
        builder.Note(where, abbreviation, "rich text (exported as HTML)");
        continue;
      }
      Converted converted = ConvertContent(row.fields[1]);
      if (!converted.dropWhy.empty()) {
        builder.Note(where, abbreviation, converted.dropWhy);
        continue;
      }
      for (std::string& why : converted.lost) {
        builder.Note(where, abbreviation, std::move(why), false);
      }
      builder.Add(where, abbreviation, converted.text, {}, 0, label);
    }
  }
  if (!any) return ImportBuilder::Failed(Format, "no .csv file to import");
  return builder.Finish();
}

}  // namespace tarquel
