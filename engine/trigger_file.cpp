#include "engine/trigger_file.h"

#include "engine/text_lines.h"

namespace tarquel {

TriggerTable ParseTriggerText(std::string_view text, TriggerLoadInfo* info) {
  TriggerTable table;
  std::size_t dropped = 0;

  std::string_view rest = TextBeforeCtrlZ(text);
  // Lines after the Ctrl+Z are lost to a save, like skipped ones.
  if (text.find_first_not_of("\r\n", rest.size() + 1) != std::string_view::npos) ++dropped;

  while (!rest.empty()) {
    std::string_view line = TakeLine(rest);
    if (line.empty()) continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      ++dropped;
      continue;
    }
    const std::size_t entries = table.size();
    table.Set(std::string(line.substr(0, equals)), std::string(line.substr(equals + 1)));
    if (table.size() == entries) ++dropped;  // replaced an earlier line's entry
  }

  if (info != nullptr) info->droppedLines = dropped;
  return table;
}

std::string FormatTriggerText(const TriggerTable& table) {
  std::size_t size = 0;
  for (const auto& [trigger, expansion] : table) size += trigger.size() + expansion.size() + 3;
  std::string text;
  text.reserve(size);
  for (const auto& [trigger, expansion] : table) {
    text += trigger;
    text += '=';
    text += expansion;
    text += "\r\n";
  }
  return text;
}

TriggerTable LoadTriggerTable(const std::filesystem::path& fileName, TriggerLoadInfo* info) {
  std::optional<std::string> bytes = ReadWholeFile(fileName);
  if (info != nullptr) *info = TriggerLoadInfo{};
  if (!bytes) return TriggerTable();
  TriggerTable table = ParseTriggerText(*bytes, info);
  if (info != nullptr) info->opened = true;
  return table;
}

SaveResult SaveTriggerTable(const std::filesystem::path& fileName, const TriggerTable& table) {
  return WriteFileAtomically(fileName, FormatTriggerText(table));
}

}  // namespace tarquel
