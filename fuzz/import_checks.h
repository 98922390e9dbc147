#pragma once

// What every importer promises, whatever the bytes: a source that cannot be read gives a
// message and nothing else; one that can gives entries a table and config.txt can hold, in
// groups that exist, with each trigger once; and the table the import makes goes out as
// Tarquel's CSV and comes back with the same entries, options and groups, and as an espanso
// file and comes back with the same entries and options (unless an expansion holds what
// espanso cannot write: a "$|" of its cursor mark, a "\{\{" of its escape, a second cursor).
#include <cstdlib>
#include <set>
#include <string>

#include "store/import.h"
#include "store/import_plan.h"
#include "store/trigger_export.h"
#include "store/trigger_line_syntax.h"
#include "util/text_encoding.h"

namespace tarquel {

inline void CheckImport(const ImportResult& result) {
  if (!result.ok()) {
    if (!result.entries.empty() || !result.groups.empty()) std::abort();
    return;
  }
  std::set<std::string> triggers;
  for (const ImportedEntry& entry : result.entries) {
    if (entry.trigger.empty() || entry.trigger.find_first_of("=\r\n\x1A") != std::string::npos) {
      std::abort();
    }
    if (entry.expansion.find_first_of("\r\n\x1A") != std::string::npos) std::abort();
    if (entry.group >= result.groups.size()) std::abort();
    if (!triggers.insert(entry.trigger).second) std::abort();
    if (!IsValidUtf8(entry.trigger) || !IsValidUtf8(entry.expansion)) std::abort();
  }
  for (const TriggerGroup& group : result.groups) {
    if (!group.name.empty() && !IsWritableGroupName(group.name)) std::abort();
    if (!IsValidUtf8(group.name)) std::abort();
    for (const auto* programs : {&group.onlyIn, &group.notIn}) {
      for (const std::string& program : *programs) {
        if (!IsWritableProgramName(program)) std::abort();
      }
    }
  }
  const TriggerTable table = ApplyImport(TriggerTable{}, PlanImport(TriggerTable{}, result));
  if (table.size() != result.entries.size()) std::abort();
  const ImportResult back = ImportFiles({{"back.csv", ExportCsv(table)}}, ImportFormat::TarquelCsv);
  if (!back.ok() || back.entries.size() != table.size()) std::abort();
  for (const ImportedEntry& entry : back.entries) {
    const std::string* expansion = table.Find(entry.trigger);
    if (!expansion || *expansion != entry.expansion) std::abort();
    if (Resolve(back.FullOptions(entry)) != table.OptionsOf(entry.trigger)) std::abort();
    if (back.groups[entry.group].name != table.Groups()[table.InfoOf(entry.trigger).group].name) {
      std::abort();
    }
  }

  for (const ImportedEntry& entry : result.entries) {
    const std::size_t cursor = entry.expansion.find("{{cursor}}");
    if (entry.expansion.find("$|") != std::string::npos ||
        entry.expansion.find("|$") != std::string::npos ||
        entry.expansion.find("\\{\\{") != std::string::npos ||
        (cursor != std::string::npos &&
         entry.expansion.find("{{cursor}}", cursor + 1) != std::string::npos)) {
      return;
    }
  }
  const ImportResult yaml =
      ImportFiles({{"back.yml", ExportEspanso(table)}}, ImportFormat::Espanso);
  if (!yaml.ok() || yaml.entries.size() != table.size()) std::abort();
  for (const ImportedEntry& entry : yaml.entries) {
    const std::string* expansion = table.Find(entry.trigger);
    if (!expansion || *expansion != entry.expansion) std::abort();
    if (Resolve(yaml.FullOptions(entry)) != table.OptionsOf(entry.trigger)) std::abort();
  }
}

}  // namespace tarquel
