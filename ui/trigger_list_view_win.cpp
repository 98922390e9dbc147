#include "ui/trigger_list_view_win.h"

#include <algorithm>

#include "ui/theme.h"
#include "ui/theme_win.h"
#include "ui/trigger_list.h"
#include "util/dpi.h"
#include "util/gdi_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

constexpr UINT_PTR HeaderSubclassId = 1;

// A cell's text into the list's own buffer, cut to its size on a character boundary.
void CopyCellText(const std::string& text, LVITEMW& item) {
  if (item.pszText == nullptr || item.cchTextMax <= 0) return;
  const std::wstring cell = Wide(text);
  std::size_t length = std::min(cell.size(), static_cast<std::size_t>(item.cchTextMax - 1));
  // Not half a surrogate pair.
  if (length > 0 && length < cell.size() && cell[length - 1] >= 0xD800 &&
      cell[length - 1] < 0xDC00) {
    --length;
  }
  std::copy_n(cell.data(), length, item.pszText);
  item.pszText[length] = L'\0';
}

// Takes the selection and the focus mark off the one row that has them. Not with -1 ("every
// row"): that visits all 100,000 rows of a large table.
void ClearSelection(HWND list) {
  for (UINT state : {LVNI_SELECTED, LVNI_FOCUSED}) {
    const int row = ListView_GetNextItem(list, -1, state);
    if (row >= 0) ListView_SetItemState(list, row, 0, LVIS_SELECTED | LVIS_FOCUSED);
  }
}

int ScaledWidth(int width, int fromDpi, int toDpi) {
  return MulDiv(width, toDpi, fromDpi);
}

}  // namespace

void TriggerListView::Attach(HWND searchField, HWND list) {
  searchField_ = searchField;
  list_ = list;
  for (std::size_t i = 0; i < ListColumnCount; ++i) {
    std::wstring title = Wide(ColumnTitle(static_cast<ListColumn>(i)));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = 100;
    column.pszText = title.data();
    column.iSubItem = static_cast<int>(i);
    ListView_InsertColumn(list_, static_cast<int>(i), &column);
  }
  // The header draws itself in the system's light colours, which no message changes: it is
  // painted here instead, its clicks and drags left to it.
  if (HWND header = ListView_GetHeader(list_)) {
    SetWindowSubclass(header, HeaderProc, HeaderSubclassId, reinterpret_cast<DWORD_PTR>(this));
  }
}

void TriggerListView::SetColumnWidths(const ColumnWidths& widths, int dpi) {
  for (std::size_t i = 0; i < widths.size(); ++i) {
    ListView_SetColumnWidth(list_, static_cast<int>(i), ScaledWidth(widths[i], BaseDpi, dpi));
  }
}

ColumnWidths TriggerListView::ColumnWidthsAt96(int dpi) const {
  ColumnWidths widths{};
  for (std::size_t i = 0; i < widths.size(); ++i) {
    widths[i] = ScaledWidth(ListView_GetColumnWidth(list_, static_cast<int>(i)), dpi, BaseDpi);
  }
  return widths;
}

void TriggerListView::Fill(const std::optional<std::string>& keep) {
  search_.TableChanged();
  std::optional<std::size_t> group;
  if (groupFilter_) {
    group = table_.FindGroup(*groupFilter_);
    if (!group) groupFilter_.reset();
  }
  search_.SetGroup(group);
  search_.Filter(WindowTextUtf8(searchField_));
  if (sort_.column) {
    sorted_ = search_.Rows();
    SortRows(table_, sort_, sorted_);
  } else {
    sorted_.clear();
  }
  const auto count = static_cast<int>(Rows().size());
  selectingFromCode_ = true;
  ClearSelection(list_);
  ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL);
  selectingFromCode_ = false;
  if (keep) {
    const std::size_t row = RowOf(*keep);
    if (row != static_cast<std::size_t>(-1)) SelectRow(row);
  }
  InvalidateRect(list_, nullptr, TRUE);
}

std::size_t TriggerListView::RowOf(std::string_view trigger) const {
  // In table order the search finds it by halves; sorted by a column, one pass finds it.
  if (!sort_.column) return search_.RowOf(trigger);
  const auto& rows = Rows();
  const auto found = std::find_if(rows.begin(), rows.end(),
                                  [trigger](const auto* entry) { return entry->first == trigger; });
  return found == rows.end() ? static_cast<std::size_t>(-1)
                             : static_cast<std::size_t>(found - rows.begin());
}

void TriggerListView::SortBy(ListColumn column) {
  sort_ = NextSort(sort_, column);
  // The row the user had stays chosen and in view, wherever the order puts it.
  Fill(SelectedTrigger());
  if (HWND header = ListView_GetHeader(list_)) InvalidateRect(header, nullptr, TRUE);
}

void TriggerListView::ShowChangedEntry(const std::string& trigger) {
  Fill();
  std::size_t row = RowOf(trigger);
  if (row == static_cast<std::size_t>(-1)) {
    // The search hides the entry: show every row rather than hide what was just changed.
    SetWindowTextW(searchField_, L"");
    Fill();
    row = RowOf(trigger);
  }
  if (row == static_cast<std::size_t>(-1) && groupFilter_) {
    // So does the group filter: the entry went to another group.
    groupFilter_.reset();
    Fill();
    row = RowOf(trigger);
  }
  SelectRow(row);
}

std::optional<std::size_t> TriggerListView::SelectedRow() const {
  const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  if (row < 0 || static_cast<std::size_t>(row) >= Rows().size()) return std::nullopt;
  return static_cast<std::size_t>(row);
}

std::optional<std::string> TriggerListView::SelectedTrigger() const {
  const std::optional<std::size_t> row = SelectedRow();
  if (!row) return std::nullopt;
  return Rows()[*row]->first;
}

const TriggerTable::Entry* TriggerListView::Row(std::size_t row) const {
  return row < Rows().size() ? Rows()[row] : nullptr;
}

void TriggerListView::SelectRow(std::optional<std::size_t> row) {
  selectingFromCode_ = true;
  ClearSelection(list_);
  if (row && *row < Rows().size()) {
    const int index = static_cast<int>(*row);
    ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(list_, index, FALSE);
  }
  selectingFromCode_ = false;
}

LRESULT TriggerListView::OnNotify(NMHDR& header, const std::function<void(std::size_t)>& chosen) {
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
      const auto row = static_cast<std::size_t>(info.item.iItem);
      if ((info.item.mask & LVIF_TEXT) == 0) return 0;
      const auto column = static_cast<std::size_t>(info.item.iSubItem);
      if (info.item.iItem < 0 || row >= Rows().size() || column >= ListColumnCount) {
        if (info.item.pszText != nullptr && info.item.cchTextMax > 0) info.item.pszText[0] = 0;
        return 0;
      }
      CopyCellText(CellText(table_, *Rows()[row], static_cast<ListColumn>(column)), info.item);
      return 0;
    }
    case LVN_COLUMNCLICK: {
      const auto& click = reinterpret_cast<NMLISTVIEW&>(header);
      if (click.iSubItem >= 0 && static_cast<std::size_t>(click.iSubItem) < ListColumnCount) {
        SortBy(static_cast<ListColumn>(click.iSubItem));
      }
      return 0;
    }
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
      const bool selected =
          (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
      if (selected && !selectingFromCode_ && change.iItem >= 0) {
        chosen(static_cast<std::size_t>(change.iItem));
      }
      return 0;
    }
    case NM_CLICK: {
      // A click on the row already selected fills the fields again (after ADD emptied them).
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      if (click.iItem >= 0) chosen(static_cast<std::size_t>(click.iItem));
      return 0;
    }
    case NM_CUSTOMDRAW:
      return DrawListRow(list_, header);
    default:
      return 0;
  }
}

LRESULT CALLBACK TriggerListView::HeaderProc(HWND header, UINT message, WPARAM wParam,
                                             LPARAM lParam, UINT_PTR id, DWORD_PTR self) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      const auto& view = *reinterpret_cast<const TriggerListView*>(self);
      // Asked to paint into a given DC (a double-buffered parent), or on its own.
      if (wParam != 0) {
        view.PaintHeader(header, reinterpret_cast<HDC>(wParam));
        return 0;
      }
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(header, &paint);
      view.PaintHeader(header, dc);
      EndPaint(header, &paint);
      return 0;
    }
    case WM_LBUTTONDBLCLK: {
      // A quick second click on a header sorts the other way, as a slower one does: the header
      // would take it for a double-click, which sorts nothing. On an edge it stays one, which
      // fits the column to its text.
      HDHITTESTINFO hit{};
      hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      SendMessageW(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      const bool onEdge = (hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) != 0;
      if ((hit.flags & HHT_ONHEADER) != 0 && !onEdge) {
        return DefSubclassProc(header, WM_LBUTTONDOWN, wParam, lParam);
      }
      return DefSubclassProc(header, message, wParam, lParam);
    }
    case WM_LBUTTONUP: {
      // The end of a drag of a column's edge, or of a double-click that fits it.
      const LRESULT result = DefSubclassProc(header, message, wParam, lParam);
      if (HWND list = GetParent(header)) {
        PostMessageW(GetParent(list), ListColumnsChangedMessage, 0, 0);
      }
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(header, HeaderProc, id);
      return DefSubclassProc(header, message, wParam, lParam);
    default:
      return DefSubclassProc(header, message, wParam, lParam);
  }
}

void TriggerListView::PaintHeader(HWND header, HDC dc) const {
  PaintListHeader(header, dc, sort_.column ? static_cast<int>(*sort_.column) : -1,
                  sort_.descending);
}

}  // namespace tarquel
