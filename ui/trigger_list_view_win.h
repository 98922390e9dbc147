#pragma once

#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/trigger_table.h"
#include "ui/trigger_filter.h"
#include "ui/trigger_list.h"

namespace tarquel {

// Posted to the list's parent when the user may have dragged a column's edge: the widths are
// read and kept then.
inline constexpr UINT ListColumnsChangedMessage = WM_APP + 0x30;

// The trigger list with its search field: a list view that holds no text of its own. It asks
// for each visible cell as it paints it, so showing or filtering 100,000 triggers costs what the
// visible rows cost. Its columns (Trigger, Expansion, Group) sort the rows when their header is
// clicked; the header is painted in the window's colours.
class TriggerListView {
 public:
  explicit TriggerListView(const TriggerTable& table) : table_(table), search_(table) {}
  TriggerListView(const TriggerListView&) = delete;
  TriggerListView& operator=(const TriggerListView&) = delete;

  // The controls, once the main window has made them; the list gets its columns here.
  void Attach(HWND searchField, HWND list);
  // The columns' widths, given and read at 96 DPI and put on the list at `dpi`.
  void SetColumnWidths(const ColumnWidths& widths, int dpi);
  ColumnWidths ColumnWidthsAt96(int dpi) const;
  const ListSort& Sort() const { return sort_; }
  HWND List() const { return list_; }
  HWND SearchField() const { return searchField_; }

  // Shows the rows of the table that the search field lets through; the entry of `keep` stays
  // selected while it is shown.
  void Fill(const std::optional<std::string>& keep = std::nullopt);
  // Shows the list again after `trigger`'s entry changed, with that entry's row selected and
  // scrolled into view; the search is emptied when it would hide it.
  void ShowChangedEntry(const std::string& trigger);
  // Only the rows of the group of this name ("": the entries of no group) from the next Fill
  // on; nullopt: every row. A group that is gone at a Fill ends the filter.
  void SetGroupFilter(std::optional<std::string> name) { groupFilter_ = std::move(name); }
  const std::optional<std::string>& GroupFilter() const { return groupFilter_; }
  std::optional<std::size_t> SelectedRow() const;
  std::optional<std::string> SelectedTrigger() const;
  // Selects and shows `row`; the fields are left as they are.
  void SelectRow(std::optional<std::size_t> row);
  void SelectTrigger(const std::string& trigger) { SelectRow(RowOf(trigger)); }
  std::size_t RowCount() const { return Rows().size(); }
  const TriggerTable::Entry* Row(std::size_t row) const;

  // The list's WM_NOTIFY. `chosen` is called with the row the user selected or clicked.
  LRESULT OnNotify(NMHDR& header, const std::function<void(std::size_t)>& chosen);

 private:
  static LRESULT CALLBACK HeaderProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
  void PaintHeader(HWND header, HDC dc) const;
  // The rows shown: the search's, or their sorted copy while a column sorts them.
  const std::vector<const TriggerTable::Entry*>& Rows() const {
    return sort_.column ? sorted_ : search_.Rows();
  }
  std::size_t RowOf(std::string_view trigger) const;
  // A click on a column's header.
  void SortBy(ListColumn column);

  HWND searchField_ = nullptr;
  HWND list_ = nullptr;
  const TriggerTable& table_;
  // The rows the list shows.
  TriggerSearch search_;
  std::optional<std::string> groupFilter_;
  ListSort sort_;
  std::vector<const TriggerTable::Entry*> sorted_;
  // Set while the program itself changes the selection, which then leaves the fields alone.
  bool selectingFromCode_ = false;
};

}  // namespace tarquel
