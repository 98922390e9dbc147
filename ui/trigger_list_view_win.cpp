#include "ui/trigger_list_view_win.h"

#include <algorithm>

#include "ui/theme.h"
#include "ui/trigger_list.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

// A row's text into the list's own buffer, cut to its size on a character boundary.
void CopyRowText(const TriggerTable& table, const TriggerTable::Entry& entry, LVITEMW& item) {
  if (item.pszText == nullptr || item.cchTextMax <= 0) return;
  std::wstring row = Wide(FormatTriggerRow(entry.first, entry.second, RowNote(table, entry.first)));
  std::size_t length = std::min(row.size(), static_cast<std::size_t>(item.cchTextMax - 1));
  // Not half a surrogate pair.
  if (length > 0 && length < row.size() && row[length - 1] >= 0xD800 && row[length - 1] < 0xDC00) {
    --length;
  }
  std::copy_n(row.data(), length, item.pszText);
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

}  // namespace

void TriggerListView::Attach(HWND searchField, HWND list) {
  searchField_ = searchField;
  list_ = list;
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
  const auto count = static_cast<int>(search_.Rows().size());
  selectingFromCode_ = true;
  ClearSelection(list_);
  ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL);
  selectingFromCode_ = false;
  if (keep) {
    const std::size_t row = search_.RowOf(*keep);
    if (row != static_cast<std::size_t>(-1)) SelectRow(row);
  }
  InvalidateRect(list_, nullptr, TRUE);
}

void TriggerListView::ShowChangedEntry(const std::string& trigger) {
  Fill();
  std::size_t row = search_.RowOf(trigger);
  if (row == static_cast<std::size_t>(-1)) {
    // The search hides the entry: show every row rather than hide what was just changed.
    SetWindowTextW(searchField_, L"");
    Fill();
    row = search_.RowOf(trigger);
  }
  if (row == static_cast<std::size_t>(-1) && groupFilter_) {
    // So does the group filter: the entry went to another group.
    groupFilter_.reset();
    Fill();
    row = search_.RowOf(trigger);
  }
  SelectRow(row);
}

std::optional<std::size_t> TriggerListView::SelectedRow() const {
  const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  if (row < 0 || static_cast<std::size_t>(row) >= search_.Rows().size()) return std::nullopt;
  return static_cast<std::size_t>(row);
}

std::optional<std::string> TriggerListView::SelectedTrigger() const {
  const std::optional<std::size_t> row = SelectedRow();
  if (!row) return std::nullopt;
  return search_.Rows()[*row]->first;
}

const TriggerTable::Entry* TriggerListView::Row(std::size_t row) const {
  return row < search_.Rows().size() ? search_.Rows()[row] : nullptr;
}

void TriggerListView::SelectRow(std::optional<std::size_t> row) {
  selectingFromCode_ = true;
  ClearSelection(list_);
  if (row && *row < search_.Rows().size()) {
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
      if (info.item.iItem < 0 || row >= search_.Rows().size()) {
        if (info.item.pszText != nullptr && info.item.cchTextMax > 0) info.item.pszText[0] = 0;
        return 0;
      }
      CopyRowText(table_, *search_.Rows()[row], info.item);
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
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
      // The selected row in the window's violet, focused or not; the system's colours are
      // light grey on a dark list when it has no focus.
      const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
      if (ListView_GetItemState(list_, row, LVIS_SELECTED) != 0) {
        draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
        draw.clrText = ButtonTextColor;
        draw.clrTextBk = AccentColor;
      } else {
        draw.clrText = PrimaryTextColor;
        draw.clrTextBk = FieldColor;
      }
      return CDRF_NEWFONT;
    }
    default:
      return 0;
  }
}

}  // namespace tarquel
