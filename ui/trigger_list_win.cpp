// The trigger list: a list view that holds no text. It asks for each visible row as it paints
// it, so showing or filtering 100,000 triggers costs what the visible rows cost.
#include "ui/app_window_win.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <algorithm>

#include "ui/theme.h"
#include "ui/trigger_editor.h"
#include "ui/trigger_list.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

// A row's text into the list's own buffer, cut to its size on a character boundary.
void CopyRowText(const TriggerTable::Entry& entry, LVITEMW& item) {
  if (item.pszText == nullptr || item.cchTextMax <= 0) return;
  std::wstring row = Wide(FormatTriggerRow(entry.first, entry.second));
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

void AppWindow::FillTriggerList() {
  search.TableChanged();
  search.Filter(WindowTextUtf8(searchEdit));
  const auto count = static_cast<int>(search.Rows().size());
  selectingFromCode = true;
  ClearSelection(listBox);
  ListView_SetItemCountEx(listBox, count, LVSICF_NOSCROLL);
  selectingFromCode = false;
  // The entry in the fields keeps its row selected while it is shown.
  if (rowTrigger) {
    const std::size_t row = search.RowOf(*rowTrigger);
    if (row != static_cast<std::size_t>(-1)) SelectRow(row);
  }
  InvalidateRect(listBox, nullptr, TRUE);
}

void AppWindow::ShowChangedEntry(const std::string& trigger) {
  FillTriggerList();
  std::size_t row = search.RowOf(trigger);
  if (row == static_cast<std::size_t>(-1)) {
    // The search hides the entry: show every row rather than hide what was just changed.
    SetWindowTextW(searchEdit, L"");
    FillTriggerList();
    row = search.RowOf(trigger);
  }
  SelectRow(row);
}

std::optional<std::size_t> AppWindow::SelectedRow() const {
  const int row = ListView_GetNextItem(listBox, -1, LVNI_SELECTED);
  if (row < 0 || static_cast<std::size_t>(row) >= search.Rows().size()) return std::nullopt;
  return static_cast<std::size_t>(row);
}

void AppWindow::SelectRow(std::optional<std::size_t> row) {
  selectingFromCode = true;
  ClearSelection(listBox);
  if (row && *row < search.Rows().size()) {
    const int index = static_cast<int>(*row);
    ListView_SetItemState(listBox, index, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(listBox, index, FALSE);
  }
  selectingFromCode = false;
}

void AppWindow::FillFieldsFromRow(std::size_t row) {
  if (row >= search.Rows().size()) return;
  const TriggerTable::Entry& entry = *search.Rows()[row];
  rowTrigger = entry.first;
  SetWindowTextUtf8(triggerEdit, entry.first);
  SetWindowTextUtf8(expansionEdit, ExpansionForField(entry.second));
}

LRESULT AppWindow::OnListNotify(NMHDR& header) {
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
      const auto row = static_cast<std::size_t>(info.item.iItem);
      if ((info.item.mask & LVIF_TEXT) == 0) return 0;
      if (info.item.iItem < 0 || row >= search.Rows().size()) {
        if (info.item.pszText != nullptr && info.item.cchTextMax > 0) info.item.pszText[0] = 0;
        return 0;
      }
      CopyRowText(*search.Rows()[row], info.item);
      return 0;
    }
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
      const bool selected =
          (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
      if (selected && !selectingFromCode && change.iItem >= 0) {
        FillFieldsFromRow(static_cast<std::size_t>(change.iItem));
      }
      return 0;
    }
    case NM_CLICK: {
      // A click on the row already selected fills the fields again (after ADD emptied them).
      const auto& click = reinterpret_cast<NMITEMACTIVATE&>(header);
      if (click.iItem >= 0) FillFieldsFromRow(static_cast<std::size_t>(click.iItem));
      return 0;
    }
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
      // The selected row in the window's violet, focused or not; the system's colours are
      // light grey on a dark list when it has no focus.
      const auto row = static_cast<int>(draw.nmcd.dwItemSpec);
      if (ListView_GetItemState(listBox, row, LVIS_SELECTED) != 0) {
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
