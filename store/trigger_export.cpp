#include "store/trigger_export.h"

#include <string_view>
#include <vector>

#include "store/import_common.h"
#include "store/trigger_line_syntax.h"

namespace tarquel {

namespace {

// The words of a full options line: "after ending, word start, conform case".
std::string OptionWords(const ResolvedOptions& resolved) {
  const std::string line =
      FormatOptionsLine(TriggerOptions{resolved.when, resolved.where, resolved.caseRule});
  constexpr std::string_view Start = "(options: ";
  return line.substr(Start.size(), line.size() - Start.size() - 1);
}

// A YAML double-quoted scalar. Besides quotes and backslashes, every control character, C1
// control, the characters YAML takes for line breaks (U+2028, U+2029), the byte-order mark and
// the two characters YAML does not print (U+FFFE, U+FFFF) are escaped, so the value comes back
// as it was.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      static constexpr char Hex[] = "0123456789ABCDEF";
      out += "\\x";
      out += Hex[c >> 4];
      out += Hex[c & 15];
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      static constexpr char Hex[] = "0123456789ABCDEF";
      const unsigned char next = static_cast<unsigned char>(text[++i]);
      out += "\\x";
      out += Hex[next >> 4];
      out += Hex[next & 15];
    } else if (c == 0xE2 && text.substr(i, 3) == "\xE2\x80\xA8") {
      out += "\\L";
      i += 2;
    } else if (c == 0xE2 && text.substr(i, 3) == "\xE2\x80\xA9") {
      out += "\\P";
      i += 2;
    } else if (c == 0xEF && text.substr(i, 3) == "\xEF\xBB\xBF") {
      out += "\\uFEFF";
      i += 2;
    } else if (c == 0xEF &&
               (text.substr(i, 3) == "\xEF\xBF\xBE" || text.substr(i, 3) == "\xEF\xBF\xBF")) {
      // U+FFFE and U+FFFF: YAML takes them only escaped.
      out += text[i + 2] == '\xBE' ? "\\uFFFE" : "\\uFFFF";
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  return out;
}

struct EspansoReplace {
  std::string text;
  // name, format: date variables; clipboard as a flag.
  std::vector<std::pair<std::string, std::string>> dates;
  bool clipboard = false;
};

EspansoReplace ToEspanso(std::string_view stored) {
  EspansoReplace out;
  bool cursorDone = false;
  for (std::size_t i = 0; i < stored.size();) {
    if (stored.compare(i, 2, "{{") != 0) {
      out.text += stored[i++];
      continue;
    }
    const std::string_view rest = stored.substr(i);
    auto is = [&](std::string_view placeholder) { return rest.rfind(placeholder, 0) == 0; };
    if (is("{{newline}}")) {
      out.text += '\n';
      i += 11;
    } else if (is("{{tab}}")) {
      out.text += '\t';
      i += 7;
    } else if (is("{{cursor}}")) {
      // Only the first one counts in Tarquel; espanso allows one.
      if (!cursorDone) out.text += "$|$";
      cursorDone = true;
      i += 10;
    } else if (is("{{clipboard}}")) {
      out.text += "{{clipboard}}";
      out.clipboard = true;
      i += 13;
    } else if (is("{{date}}") || is("{{time}}")) {
      const std::string name = "tarquel_date" + std::to_string(out.dates.size() + 1);
      out.dates.emplace_back(name, is("{{date}}") ? "%x" : "%X");
      out.text += "{{" + name + "}}";
      i += 8;
    } else if (const std::size_t end = rest.find("}}");
               is("{{date:") && end != std::string_view::npos) {
      const std::string name = "tarquel_date" + std::to_string(out.dates.size() + 1);
      out.dates.emplace_back(name, std::string(rest.substr(7, end - 7)));
      out.text += "{{" + name + "}}";
      i += end + 2;
    } else {
      // Keys, pauses and anything else: espanso's escape keeps it from being a variable.
      out.text += "\\{\\{";
      i += 2;
    }
  }
  return out;
}

bool InGroup(const TriggerTable& table, const TriggerTable::Entry& entry,
             std::optional<std::size_t> group) {
  return !group || table.InfoOf(entry.first).group == *group;
}

std::size_t InGroupCount(const TriggerTable& table, std::optional<std::size_t> group) {
  std::size_t count = 0;
  for (const TriggerTable::Entry& entry : table) count += InGroup(table, entry, group) ? 1 : 0;
  return count;
}

}  // namespace

std::string ExportEspanso(const TriggerTable& table, std::optional<std::size_t> group) {
  std::string out = "# Exported from Tarquel\nmatches:";
  // No entry: an empty list, which `matches:` alone is not.
  out += InGroupCount(table, group) == 0 ? " []\n" : "\n";
  for (const TriggerTable::Entry& entry : table) {
    if (!InGroup(table, entry, group)) continue;
    const ResolvedOptions options = table.OptionsOf(entry.first);
    const EspansoReplace replace = ToEspanso(entry.second);
    out += "  - trigger: " + Quoted(entry.first) + "\n";
    out += "    replace: " + Quoted(replace.text) + "\n";
    const bool wordStart = options.where == FireWhere::WordStart;
    const bool ending = options.when != FireWhen::AtOnce;
    if (wordStart && ending) {
      out += "    word: true\n";
    } else if (wordStart) {
      out += "    left_word: true\n";
    } else if (ending) {
      out += "    right_word: true\n";
    }
    if (options.caseRule == CaseRule::Conform) out += "    propagate_case: true\n";
    if (options.when == FireWhen::EndingDropped || options.caseRule == CaseRule::Ignore) {
      out += "    tarquel_options: " + Quoted(OptionWords(options)) + "\n";
    }
    if (replace.clipboard || !replace.dates.empty()) {
      out += "    vars:\n";
      if (replace.clipboard) out += "      - name: clipboard\n        type: clipboard\n";
      for (const auto& [name, format] : replace.dates) {
        out += "      - name: " + name +
               "\n        type: date\n        params:\n          format: " + Quoted(format) + "\n";
      }
    }
  }
  return out;
}

std::string ExportCsv(const TriggerTable& table, std::optional<std::size_t> group) {
  std::string out(TarquelCsvHeader);
  out += "\r\n";
  for (const TriggerTable::Entry& entry : table) {
    if (!InGroup(table, entry, group)) continue;
    const EntryInfo& info = table.InfoOf(entry.first);
    out += CsvField(entry.first) + "," + CsvField(entry.second) + "," +
           CsvField(OptionWords(table.OptionsOf(entry.first))) + "," +
           CsvField(table.Groups()[info.group].name) + "\r\n";
  }
  return out;
}

}  // namespace tarquel
