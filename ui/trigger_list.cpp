#include "ui/trigger_list.h"

#include <algorithm>

#include "store/trigger_line_syntax.h"
#include "ui/trigger_filter.h"

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

namespace tarquel {

std::string_view ColumnTitle(ListColumn column) {
  switch (column) {
    case ListColumn::Trigger:
      return "Trigger";
    case ListColumn::Expansion:
      return "Expansion";
    case ListColumn::Group:
      return "Group";
  }
  return {};
}

std::string OneLine(std::string_view text) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      // CR LF is one break.
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      line += LineBreakMark;
    } else if (c == '\t') {
      line += TabMark;
    } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      line += ' ';
    } else {
      line += c;
    }
  }
  return line;
}

std::string ExpansionOnOneLine(std::string_view expansion) {
  constexpr std::string_view Newline = "{{newline}}";
  constexpr std::string_view Tab = "{{tab}}";
  std::string text;
  text.reserve(expansion.size());
  while (!expansion.empty()) {
    if (expansion.starts_with(Newline)) {
      text += '\n';
      expansion.remove_prefix(Newline.size());
    } else if (expansion.starts_with(Tab)) {
      text += '\t';
      expansion.remove_prefix(Tab.size());
    } else {
      text += expansion.front();
      expansion.remove_prefix(1);
    }
  }
  return OneLine(text);
}

std::string CellText(const TriggerTable& table, const TriggerTable::Entry& entry,
                     ListColumn column) {
  switch (column) {
    case ListColumn::Trigger:
      return OneLine(entry.first);
    case ListColumn::Expansion:
      return ExpansionOnOneLine(entry.second);
    case ListColumn::Group: {
      std::string note = RowNote(table, entry.first);
      if (note.size() >= 2) return note.substr(1, note.size() - 2);
      return {};
    }
  }
  return {};
}

ListSort NextSort(const ListSort& current, ListColumn clicked) {
  if (current.column == clicked) return {clicked, !current.descending};
  return {clicked, false};
}

void SortRows(const TriggerTable& table, const ListSort& sort,
              std::vector<const TriggerTable::Entry*>& rows) {
  if (!sort.column) return;
  // Each key folded once, not at every comparison: 100,000 rows make some 1.7 million.
  struct Keyed {
    std::string key;
    const TriggerTable::Entry* entry;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(rows.size());
  for (const TriggerTable::Entry* entry : rows) {
    const std::string text =
        *sort.column == ListColumn::Trigger ? entry->first : CellText(table, *entry, *sort.column);
    keyed.push_back({FoldCase(text), entry});
  }
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const Keyed& a, const Keyed& b) { return a.key < b.key; });
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].entry;
  if (sort.descending) std::reverse(rows.begin(), rows.end());
}

std::optional<ColumnWidths> ParseColumnWidths(std::string_view text) {
  ColumnWidths widths{};
  std::size_t column = 0;
  std::size_t at = 0;
  while (true) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    std::string_view number = text.substr(at, comma - at);
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
    if (column == ListColumnCount || number.empty() || number.size() > 6) return std::nullopt;
    int value = 0;
    for (const char digit : number) {
      if (digit < '0' || digit > '9') return std::nullopt;
      value = value * 10 + (digit - '0');
    }
    if (value < MinColumnWidth || value > MaxColumnWidth) return std::nullopt;
    widths[column++] = value;
    if (comma == text.size()) break;
    at = comma + 1;
  }
  if (column != ListColumnCount) return std::nullopt;
  return widths;
}

std::string FormatColumnWidths(const ColumnWidths& widths) {
  std::string text;
  for (std::size_t i = 0; i < widths.size(); ++i) {
    if (i > 0) text += ',';
    text += std::to_string(widths[i]);
  }
  return text;
}

ColumnWidths DefaultColumnWidths(int listWidth) {
  constexpr int TriggerWidth = 150;
  constexpr int GroupWidth = 150;
  // Never narrower than this: a window too small for all three still shows some expansion.
  constexpr int LeastExpansionWidth = 100;
  return {TriggerWidth, std::max(LeastExpansionWidth, listWidth - TriggerWidth - GroupWidth),
          GroupWidth};
}

}  // namespace tarquel
