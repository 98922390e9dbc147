#include "store/conflict_copy.h"

#include <string>

#include "store/import_common.h"
#include "store/trigger_file.h"

namespace tarquel {

namespace {

constexpr std::string_view Stem = "config";
constexpr std::string_view Extension = ".txt";

// The file's name without its folders, as the preview shows where an entry comes from.
std::string NameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && EqualsIgnoringCase(text.substr(0, start.size()), start);
}

}  // namespace

bool IsConflictCopyName(std::string_view name) {
  if (EqualsIgnoringCase(name, "config.txt.conflict")) return true;
  if (!StartsWithIgnoringCase(name, Stem) || !EndsWithIgnoringCase(name, Extension)) return false;
  // What the service put between "config" and ".txt".
  const std::string_view middle =
      name.substr(Stem.size(), name.size() - Stem.size() - Extension.size());
  if (middle.size() < 2) return false;
  // "config-DESKTOP-1.txt"
  if (middle.front() == '-') return true;
  // "config (1).txt", "config (Jane's conflicted copy 2026-12-01).txt"
  if (middle.front() == ' ' && middle.size() >= 4 && middle[1] == '(' && middle.back() == ')') {
    return true;
  }
  // "config.sync-conflict-20261201-101500-ABCDEFG.txt"
  return StartsWithIgnoringCase(middle, ".sync-conflict-");
}

ImportResult ImportConflictCopy(const ImportFile& file) {
  TriggerLoadInfo info;
  const TriggerTable copy = ParseTriggerText(file.bytes, &info);
  ImportResult result;
  result.format = ImportFormat::TarquelConfig;
  if (info.tooManyEntries) {
    result.error = file.path + ": it holds more entries than Tarquel reads from a config.txt";
    return result;
  }
  if (copy.empty()) {
    result.error = file.path + ": it holds no entry Tarquel reads (a line trigger=expansion)";
    return result;
  }
  const std::string name = NameOf(file.path);
  result.groups = copy.Groups();
  for (const TriggerTable::Entry& entry : copy) {
    const EntryInfo& entryInfo = copy.InfoOf(entry.first);
    ImportedEntry imported;
    imported.trigger = entry.first;
    imported.expansion = entry.second;
    imported.options = entryInfo.options;
    imported.group = entryInfo.group;
    imported.where = name;
    result.entries.push_back(std::move(imported));
  }
  if (info.droppedLines > 0) {
    result.notes.push_back(ImportNote{
        name, "",
        std::to_string(info.droppedLines) +
            " options or group lines Tarquel does not read; their entries come without them",
        false});
  }
  return result;
}

std::filesystem::path MergedCopyPath(
    const std::filesystem::path& copy,
    const std::function<bool(const std::filesystem::path&)>& exists) {
  std::filesystem::path merged = copy;
  merged += ".merged";
  for (int n = 2; exists(merged); ++n) {
    merged = copy;
    merged += ".merged-" + std::to_string(n);
  }
  return merged;
}

}  // namespace tarquel
