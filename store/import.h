#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/trigger_table.h"

namespace tarquel {

// Snippets brought in from another expander's files. Every importer turns bytes into an
// ImportResult and touches nothing else: reading the files, showing what will happen and
// changing the table are the caller's (store/import_plan.h takes it from here).
//
//   std::vector<ImportFile> files = ...;          // one file, or every file of a folder
//   ImportResult result = ImportFiles(files);     // the format is found from names and bytes
//   if (!result.error.empty()) { show result.error; nothing else }
//   ImportPlan plan = PlanImport(table, result);  // what changes; choices per conflict
//   TriggerTable next = ApplyImport(table, plan); // one change, one save

// A file as the caller read it: its path (any separators; relative paths of a folder's files
// are resolved against each other for espanso's `imports:`) and its bytes.
struct ImportFile {
  std::string path;
  std::string bytes;
};

enum class ImportFormat {
  Espanso,        // a match file (.yml), or the files of a match folder with its packages
  AutoHotkey,     // hotstrings of a v1 or v2 script (.ahk)
  Beeftext,       // its JSON export (comboList.json), its CSV export or its cheat-sheet CSV
  TextExpander,   // its CSV export: abbreviation, content, label
  TarquelCsv,     // Tarquel's own CSV export (store/trigger_export.h), with options and groups
  TarquelConfig,  // a config.txt of Tarquel's: another PC's, or a sync service's conflict copy
};
// The source's name as the user knows it, which also names the group its entries go to.
const char* ImportFormatName(ImportFormat format);

// One entry read from the source, its expansion in Tarquel's placeholder syntax (line breaks
// as {{newline}}, as config.txt stores them).
struct ImportedEntry {
  std::string trigger;
  std::string expansion;
  // Only what differs from its group's defaults is set.
  TriggerOptions options;
  // Index into ImportResult::groups.
  std::size_t group = 0;
  // The source's name or description of the snippet, for the preview; Tarquel keeps none.
  std::string label;
  // "file:line" of the entry in the source.
  std::string where;

  friend bool operator==(const ImportedEntry&, const ImportedEntry&) = default;
};

// Something of the source that is not carried over: a whole entry (`dropped`) or a part of one
// that was imported without it.
struct ImportNote {
  std::string where;
  // The entry's trigger, when the note is about one.
  std::string trigger;
  std::string why;
  bool dropped = true;

  friend bool operator==(const ImportNote&, const ImportNote&) = default;
};

struct ImportResult {
  ImportFormat format = ImportFormat::Espanso;
  // The groups the entries go to: the first is named after the source; the others are the
  // source's own groups or scopes (an AutoHotkey `#HotIf WinActive("ahk_exe x.exe")` is a
  // group limited to x.exe). An unnamed group stands for the table's entries of no group.
  std::vector<TriggerGroup> groups;
  // In the source's order, each trigger once (the first one defined wins, as in AutoHotkey).
  std::vector<ImportedEntry> entries;
  std::vector<ImportNote> notes;
  // Set when the source cannot be read (bad YAML, JSON of another shape, a continuation section
  // that never ends): then nothing is imported, entries and groups are empty.
  std::string error;

  bool ok() const { return error.empty(); }
  // The entry's options over its group's defaults.
  TriggerOptions FullOptions(const ImportedEntry& entry) const {
    return entry.options.Over(groups[entry.group].defaults);
  }
};

// The format of these files: from their names (.yml/.yaml espanso, .ahk AutoHotkey, .json
// Beeftext) and, for CSV, from the first row (Tarquel's or Beeftext's cheat-sheet header) and
// the placeholders used (#{...} Beeftext, else TextExpander). Nothing when no file is one of
// them.
std::optional<ImportFormat> DetectImportFormat(const std::vector<ImportFile>& files);

// Reads the files as `format`, or as DetectImportFormat finds them. Files of another kind in
// the list (an espanso folder's README.md) are passed over.
ImportResult ImportFiles(const std::vector<ImportFile>& files,
                         std::optional<ImportFormat> format = std::nullopt);

}  // namespace tarquel
