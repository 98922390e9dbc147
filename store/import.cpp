#include "store/import.h"

#include <algorithm>
#include <utility>

#include "store/conflict_copy.h"
#include "store/import_autohotkey.h"
#include "store/import_beeftext.h"
#include "store/import_common.h"
#include "store/import_espanso.h"
#include "store/import_textexpander.h"
#include "store/trigger_file.h"
#include "store/trigger_line_syntax.h"
#include "util/text_encoding.h"

namespace tarquel {

namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Extension(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

bool IsBeeftextCheatSheetHeader(const CsvRow& row) {
  static constexpr std::string_view Names[] = {"group", "name", "keyword", "snippet"};
  if (row.fields.size() != 4) return false;
  for (std::size_t i = 0; i < 4; ++i) {
    if (!EqualsIgnoringCase(row.fields[i], Names[i])) return false;
  }
  return true;
}

std::optional<ImportFormat> CsvFormat(std::string_view bytes) {
  const std::string text = SourceText(bytes);
  std::string error;
  const std::vector<CsvRow> rows = ReadCsv(text, error);
  if (!rows.empty() && IsTarquelCsvHeader(rows.front())) return ImportFormat::TarquelCsv;
  if (!rows.empty() && IsBeeftextCheatSheetHeader(rows.front())) return ImportFormat::Beeftext;
  if (text.find("#{") != std::string::npos) return ImportFormat::Beeftext;
  return ImportFormat::TextExpander;
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         EqualsIgnoringCase(text.substr(text.size() - end.size()), end);
}

const char* ImportFormatName(ImportFormat format) {
  switch (format) {
    case ImportFormat::Espanso:
      return "espanso";
    case ImportFormat::AutoHotkey:
      return "AutoHotkey";
    case ImportFormat::Beeftext:
      return "Beeftext";
    case ImportFormat::TextExpander:
      return "TextExpander";
    case ImportFormat::TarquelCsv:
      return "Tarquel CSV";
    case ImportFormat::TarquelConfig:
      return "Tarquel's config.txt";
  }
  return "";
}

// --- The result -------------------------------------------------------------------------------

ImportBuilder::ImportBuilder(ImportFormat format, TriggerGroup first) {
  result_.format = format;
  result_.groups.push_back(std::move(first));
}

namespace {

// A name as config.txt can hold it (see IsWritableGroupName): the characters it cannot hold
// become "_", blanks at either end go.
std::string Writable(std::string_view name, std::string_view forbidden) {
  std::string out;
  for (char c : name) {
    out += (forbidden.find(c) != std::string_view::npos || c == '\r' || c == '\n' || c == '\x1A')
               ? '_'
               : c;
  }
  const std::size_t start = out.find_first_not_of(" \t");
  const std::size_t end = out.find_last_not_of(" \t");
  return start == std::string::npos ? std::string("_") : out.substr(start, end + 1 - start);
}

}  // namespace

std::size_t ImportBuilder::Group(TriggerGroup group) {
  // The unnamed group stays unnamed: it stands for the table's entries of no group.
  if (!group.name.empty()) group.name = Writable(group.name, "=:");
  for (auto* programs : {&group.onlyIn, &group.notIn}) {
    for (std::string& program : *programs) program = Writable(program, "=,");
  }
  for (std::size_t i = 0; i < result_.groups.size(); ++i) {
    if (result_.groups[i].name == group.name) return i;
  }
  result_.groups.push_back(std::move(group));
  return result_.groups.size() - 1;
}

bool ImportBuilder::Full() const {
  return full_;
}

void ImportBuilder::Add(std::string_view where, std::string trigger, std::string_view expansion,
                        const TriggerOptions& options, std::size_t group, std::string label) {
  if (trigger.empty()) {
    Note(where, trigger, "the trigger is empty");
    return;
  }
  // config.txt splits each line at its first "=", and a line ends at a line break: such a
  // trigger would come back as another entry, or as none.
  if (trigger.find('=') != std::string::npos) {
    Note(where, trigger, "a trigger cannot hold \"=\" in Tarquel");
    return;
  }
  if (trigger.find_first_of("\r\n\x1A") != std::string::npos) {
    Note(where, trigger, "a trigger cannot hold a line break in Tarquel");
    return;
  }
  if (!triggers_.insert(trigger).second) {
    Note(where, trigger, "the trigger is defined again: the first definition is kept");
    return;
  }
  if (result_.entries.size() >= MaxTriggerEntries) {
    full_ = true;
    return;
  }
  if (trigger.size() > TriggerTable::LongestMatchableTrigger) {
    Note(where, trigger, "the trigger is too long to be typed: it is kept but never expands",
         false);
  }
  std::string stored;
  stored.reserve(expansion.size());
  bool controlDropped = false;
  for (std::size_t i = 0; i < expansion.size(); ++i) {
    const char c = expansion[i];
    if (c == '\r') {
      if (i + 1 < expansion.size() && expansion[i + 1] == '\n') ++i;
      stored += "{{newline}}";
    } else if (c == '\n') {
      stored += "{{newline}}";
    } else if (c == '\t') {
      stored += "{{tab}}";
    } else if (c == '\x1A') {
      // Ends the text of config.txt.
      controlDropped = true;
    } else {
      stored += c;
    }
  }
  if (controlDropped)
    Note(where, trigger, "a Ctrl+Z character in the expansion is left out", false);

  // Only what the group does not already say, so that config.txt gets as few options lines as
  // the entries need; what either leaves unset is the plain default.
  const TriggerOptions& defaults = result_.groups[group].defaults;
  const ResolvedOptions wanted = Resolve(options);
  const ResolvedOptions given = Resolve(defaults);
  TriggerOptions own;
  if (wanted.when != given.when) own.when = wanted.when;
  if (wanted.where != given.where) own.where = wanted.where;
  if (wanted.caseRule != given.caseRule) own.caseRule = wanted.caseRule;
  result_.entries.push_back(
      {std::move(trigger), std::move(stored), own, group, std::move(label), std::string(where)});
}

void ImportBuilder::Note(std::string_view where, std::string_view trigger, std::string why,
                         bool dropped) {
  result_.notes.push_back({std::string(where), std::string(trigger), std::move(why), dropped});
}

ImportResult ImportBuilder::Finish() {
  if (full_) {
    return Failed(result_.format, "the file holds more than " + std::to_string(MaxTriggerEntries) +
                                      " snippets, more than Tarquel keeps");
  }
  return std::move(result_);
}

ImportResult ImportBuilder::Failed(ImportFormat format, std::string error) {
  ImportResult result;
  result.format = format;
  result.error = std::move(error);
  return result;
}

std::string WhereIn(std::string_view path, std::size_t line) {
  const std::size_t slash = path.find_last_of("/\\");
  std::string where(slash == std::string_view::npos ? path : path.substr(slash + 1));
  where += ':';
  where += std::to_string(line);
  return where;
}

std::string SourceText(std::string_view bytes) {
  // A Ctrl+Z decides the encoding from the text before it only, so the text after it may still
  // hold bytes that are no UTF-8: every entry must be UTF-8 for the table and the exports.
  std::string text = TextFileToUtf8(bytes);
  return IsValidUtf8(text) ? text : RepairUtf8(text);
}

std::string UnixLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// --- CSV ---------------------------------------------------------------------------------------

std::vector<CsvRow> ReadCsv(std::string_view text, std::string& error) {
  std::vector<CsvRow> rows;
  CsvRow row;
  std::string field;
  std::size_t line = 1;
  row.line = 1;
  bool rowHasText = false;
  auto endField = [&] {
    row.fields.push_back(std::move(field));
    field.clear();
  };
  auto endRow = [&] {
    endField();
    if (rowHasText || row.fields.size() > 1) rows.push_back(std::move(row));
    row = CsvRow{};
    row.line = line;
    rowHasText = false;
  };
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' && field.empty()) {
      // A quoted field, up to the quote not doubled.
      const std::size_t opened = line;
      rowHasText = true;
      ++i;
      bool closed = false;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        if (text[i] == '\n') ++line;
        if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) ++line;
        field += text[i++];
      }
      if (!closed) {
        error = "a quoted field opened on line " + std::to_string(opened) + " never ends";
        return {};
      }
      // Any text after the closing quote belongs to the field; a quote there is a character.
      while (i < text.size() && text[i] != ',' && text[i] != '\n' && text[i] != '\r') {
        field += text[i++];
      }
      continue;
    }
    if (c == ',') {
      endField();
      ++i;
      continue;
    }
    if (c == '\r' || c == '\n') {
      ++i;
      if (c == '\r' && i < text.size() && text[i] == '\n') ++i;
      ++line;
      endRow();
      continue;
    }
    field += c;
    rowHasText = true;
    ++i;
  }
  if (rowHasText || !field.empty() || !row.fields.empty()) endRow();
  return rows;
}

std::string CsvField(std::string_view field) {
  const bool quote = field.empty() ? false
                                   : field.find_first_of(",\"\r\n") != std::string_view::npos ||
                                         field.front() == ' ' || field.back() == ' ';
  if (!quote) return std::string(field);
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

bool IsTarquelCsvHeader(const CsvRow& row) {
  return row.fields.size() == 4 && row.fields[0] == "trigger" && row.fields[1] == "expansion" &&
         row.fields[2] == "options" && row.fields[3] == "group";
}

ImportResult ImportTarquelCsv(const std::vector<ImportFile>& files) {
  // Entries of no group come back to no group; the others to groups of their name.
  ImportBuilder builder(ImportFormat::TarquelCsv, TriggerGroup{});
  for (const ImportFile& file : files) {
    std::string error;
    const std::vector<CsvRow> rows = ReadCsv(SourceText(file.bytes), error);
    if (!error.empty())
      return ImportBuilder::Failed(ImportFormat::TarquelCsv, file.path + ": " + error);
    if (rows.empty() || !IsTarquelCsvHeader(rows.front())) {
      return ImportBuilder::Failed(ImportFormat::TarquelCsv,
                                   file.path + ": the first line is not Tarquel's CSV header \"" +
                                       std::string(TarquelCsvHeader) + "\"");
    }
    for (std::size_t r = 1; r < rows.size(); ++r) {
      const CsvRow& row = rows[r];
      const std::string where = WhereIn(file.path, row.line);
      if (row.fields.size() != 4) {
        return ImportBuilder::Failed(
            ImportFormat::TarquelCsv,
            where + ": a row has " + std::to_string(row.fields.size()) + " fields, not 4");
      }
      std::optional<TriggerOptions> options = ParseOptionsLine(
          row.fields[2].empty() ? std::string("(options:)") : "(options: " + row.fields[2] + ")");
      if (!options) {
        return ImportBuilder::Failed(
            ImportFormat::TarquelCsv,
            where + ": the options \"" + row.fields[2] + "\" are not Tarquel's words");
      }
      TriggerGroup group;
      group.name = row.fields[3];
      if (!group.name.empty() && !IsWritableGroupName(group.name)) {
        return ImportBuilder::Failed(ImportFormat::TarquelCsv,
                                     where + ": \"" + group.name + "\" cannot name a group");
      }
      builder.Add(where, row.fields[0], row.fields[1], *options, builder.Group(std::move(group)));
    }
  }
  return builder.Finish();
}

// --- Finding the format -------------------------------------------------------------------------

std::optional<ImportFormat> DetectImportFormat(const std::vector<ImportFile>& files) {
  // A single .txt is a config.txt (a folder's README.txt beside its .yml files is not).
  if (files.size() == 1) {
    const std::string_view name = files.front().path;
    if (EqualsIgnoringCase(Extension(name), ".txt") ||
        IsConflictCopyName(name.substr(name.find_last_of("/\\") + 1))) {
      return ImportFormat::TarquelConfig;
    }
  }
  for (const ImportFile& file : files) {
    const std::string_view extension = Extension(file.path);
    if (EqualsIgnoringCase(extension, ".yml") || EqualsIgnoringCase(extension, ".yaml")) {
      return ImportFormat::Espanso;
    }
    if (EqualsIgnoringCase(extension, ".ahk") || EqualsIgnoringCase(extension, ".ah2")) {
      return ImportFormat::AutoHotkey;
    }
    if (EqualsIgnoringCase(extension, ".json")) return ImportFormat::Beeftext;
    if (EqualsIgnoringCase(extension, ".csv")) return CsvFormat(file.bytes);
  }
  // No telling name: the first file's text.
  if (files.empty()) return std::nullopt;
  const std::string text = SourceText(files.front().bytes);
  const std::size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return std::nullopt;
  if (text[start] == '{') return ImportFormat::Beeftext;
  if (text.find("matches:") != std::string::npos) return ImportFormat::Espanso;
  if (text.find("::") != std::string::npos) return ImportFormat::AutoHotkey;
  return std::nullopt;
}

ImportResult ImportFiles(const std::vector<ImportFile>& files, std::optional<ImportFormat> format) {
  if (!format) format = DetectImportFormat(files);
  if (!format) {
    return ImportBuilder::Failed(
        ImportFormat::Espanso,
        "none of these files is one Tarquel imports: an espanso .yml file or match folder, an "
        "AutoHotkey .ahk script, a Beeftext .json or .csv export, a TextExpander .csv export");
  }
  switch (*format) {
    case ImportFormat::Espanso:
      return ImportEspanso(files);
    case ImportFormat::AutoHotkey:
      return ImportAutoHotkey(files);
    case ImportFormat::Beeftext:
      return ImportBeeftext(files);
    case ImportFormat::TextExpander:
      return ImportTextExpander(files);
    case ImportFormat::TarquelCsv:
      return ImportTarquelCsv(files);
    case ImportFormat::TarquelConfig:
      if (files.size() != 1) {
        return ImportBuilder::Failed(*format, "a config.txt is imported one file at a time");
      }
      return ImportConflictCopy(files.front());
  }
  return ImportBuilder::Failed(*format, "unknown format");
}

}  // namespace tarquel
