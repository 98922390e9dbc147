#include "ui/trigger_list.h"

#include "store/trigger_line_syntax.h"

namespace tarquel {

std::string FormatTriggerRow(std::string_view trigger, std::string_view expansion,
                             std::string_view note) {
  std::string row;
  row.reserve(trigger.size() + RowSeparator.size() + expansion.size() + note.size() + 4);
  row += trigger;
  row += RowSeparator;
  row += expansion;
  if (!note.empty()) {
    row += "    ";
    row += note;
  }
  return row;
}

std::string RowNote(const TriggerTable& table, std::string_view trigger) {
  const EntryInfo& info = table.InfoOf(trigger);
  const TriggerGroup& group = table.Groups()[info.group];
  std::string words;
  if (!info.options.empty()) {
    // "(options: word start, after ending)": the words between the colon and the bracket.
    const std::string line = FormatOptionsLine(info.options);
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos && line.size() > colon + 2) {
      words = line.substr(colon + 2, line.size() - colon - 3);
    }
  }
  if (group.name.empty() && words.empty()) return {};
  std::string note = "[";
  note += group.name;
  if (!group.enabled) note += group.name.empty() ? "off" : " (off)";
  if (!words.empty()) {
    if (note.size() > 1) note += ": ";
    note += words;
  }
  note += ']';
  return note;
}

}  // namespace tarquel
