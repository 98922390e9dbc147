#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "store/import.h"

namespace tarquel {

// What the importers share: building the result, and CSV.

inline TriggerGroup NamedGroup(std::string name) {
  TriggerGroup group;
  group.name = std::move(name);
  return group;
}

// Gathers one source's entries, groups and notes, and turns what the source wrote into what a
// table (and config.txt) can hold.
class ImportBuilder {
 public:
  ImportBuilder(ImportFormat format, TriggerGroup first);

  // The group's index, added when no group has its name yet.
  std::size_t Group(TriggerGroup group);
  const TriggerGroup& GroupAt(std::size_t index) const { return result_.groups[index]; }
  // Adds an entry with these options in full (the group's defaults are taken off). A trigger
  // config.txt cannot hold, or one already added, becomes a note instead. Line breaks and tabs
  // in `expansion` become {{newline}} and {{tab}}.
  void Add(std::string_view where, std::string trigger, std::string_view expansion,
           const TriggerOptions& options, std::size_t group, std::string label = {});
  void Note(std::string_view where, std::string_view trigger, std::string why, bool dropped = true);
  // Beyond this many entries the source is refused whole, as config.txt would be.
  bool Full() const;
  ImportResult Finish();

  static ImportResult Failed(ImportFormat format, std::string error);

 private:
  ImportResult result_;
  std::unordered_set<std::string> triggers_;
  bool full_ = false;
};

// "file:line", with the file's name only (not its folders), as the preview shows it.
std::string WhereIn(std::string_view path, std::size_t line);

// A file's bytes as UTF-8 text: byte-order mark off, UTF-16 decoded, ANSI converted.
std::string SourceText(std::string_view bytes);

// `text` with CR LF and CR as LF.
std::string UnixLineBreaks(std::string_view text);

// Rows of comma-separated fields. A field in double quotes may hold commas, line breaks and ""
// for a quote; text after its closing quote is added to it, and a quote inside an unquoted
// field is just a character (TextExpander's exports are known to hold such). Blank lines are
// passed over. A quote never closed is an error: `error` says on which line it opened.
struct CsvRow {
  std::vector<std::string> fields;
  std::size_t line = 0;
};
std::vector<CsvRow> ReadCsv(std::string_view text, std::string& error);
// The field as ReadCsv reads it back, quoted when it must be.
std::string CsvField(std::string_view field);

// Tarquel's own CSV: the header, and the options' words.
inline constexpr std::string_view TarquelCsvHeader = "trigger,expansion,options,group";
bool IsTarquelCsvHeader(const CsvRow& row);
ImportResult ImportTarquelCsv(const std::vector<ImportFile>& files);

// An ASCII-case-insensitive comparison.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
bool EndsWithIgnoringCase(std::string_view text, std::string_view end);

}  // namespace tarquel
