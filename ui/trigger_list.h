#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/trigger_table.h"

namespace tarquel {

// Between a trigger and its expansion in a list row: two spaces, "->", two spaces.
inline constexpr std::string_view RowSeparator = "  ->  ";

// "trigger  ->  expansion", and after it `note` when there is one.
std::string FormatTriggerRow(std::string_view trigger, std::string_view expansion,
                             std::string_view note = {});

// What a row says of an entry besides its trigger and expansion: its group and the options it
// sets itself, as config.txt writes them ("[Mail: word start, after ending]"); a group that is
// switched off says so. Empty for an entry of no group without options, which fires as every
// entry did before options.
std::string RowNote(const TriggerTable& table, std::string_view trigger);

// The trigger list's columns, left to right.
enum class ListColumn : std::size_t { Trigger, Expansion, Group };
inline constexpr std::size_t ListColumnCount = 3;
std::string_view ColumnTitle(ListColumn column);

// Marks that stand for what would break an expansion's cell over several lines.
inline constexpr std::string_view LineBreakMark = "\u21B5";  // ↵
inline constexpr std::string_view TabMark = "\u21E5";        // ⇥
// `text` on one line: each line break (CR LF, LF or CR alone) becomes LineBreakMark, each tab
// TabMark, any other control character a space.
std::string OneLine(std::string_view text);
// A stored expansion on one line: as OneLine, and the line breaks and tabs config.txt stores as
// "{{newline}}" and "{{tab}}" shown by the same marks.
std::string ExpansionOnOneLine(std::string_view expansion);

// What a cell of the entry's row shows. The group cell is the row note without its brackets:
// the group, "(off)" when it is switched off, and the options the entry sets itself.
std::string CellText(const TriggerTable& table, const TriggerTable::Entry& entry,
                     ListColumn column);

// How the list is ordered: by a column, up or down, or (no column) in the table's order.
struct ListSort {
  std::optional<ListColumn> column;
  bool descending = false;
  friend bool operator==(const ListSort&, const ListSort&) = default;
};
// A click on a column's header: that column up, or down when it was already up.
ListSort NextSort(const ListSort& current, ListColumn clicked);
// `rows` in `sort`'s order: by the column's text without regard to case, rows that compare
// equal in the order they came; down is the exact reverse of up.
void SortRows(const TriggerTable& table, const ListSort& sort,
              std::vector<const TriggerTable::Entry*>& rows);

// Column widths as settings.txt keeps them, at 96 DPI: "150,420,140".
inline constexpr std::string_view ListColumnsKey = "list_columns";
using ColumnWidths = std::array<int, ListColumnCount>;
// Nothing when the text is not three whole numbers, each from MinColumnWidth to
// MaxColumnWidth, with commas between: the default widths stand then.
inline constexpr int MinColumnWidth = 0;
inline constexpr int MaxColumnWidth = 4000;
std::optional<ColumnWidths> ParseColumnWidths(std::string_view text);
std::string FormatColumnWidths(const ColumnWidths& widths);
// The widths for a list `listWidth` wide (96 DPI, less its scroll bar) when none were saved:
// fixed trigger and group columns, the expansion the rest.
ColumnWidths DefaultColumnWidths(int listWidth);

}  // namespace tarquel
