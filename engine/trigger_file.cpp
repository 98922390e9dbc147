#include "engine/trigger_file.h"

namespace tarquel {

TriggerTable ParseTriggerText(std::string_view text, TriggerLoadInfo* info) {
  TriggerTable table;
  std::size_t dropped = 0;

  // Windows text-mode reading stops at the first Ctrl+Z; files written that way rely on it.
  if (std::size_t eof = text.find('\x1A'); eof != std::string_view::npos) {
    if (text.find_first_not_of("\r\n", eof + 1) != std::string_view::npos) ++dropped;
    text = text.substr(0, eof);
  }

  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (end != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);

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
