#include "ui/app_window_win.h"
#include "ui/trigger_list.h"
#include "ui/wide_text_win.h"

namespace tarquel {

void AppWindow::FillTriggerList() {
  // A large imported table would otherwise repaint the list and reallocate its storage once per
  // row, keeping this thread (and with it the keyboard hook) busy for many seconds.
  SendMessageW(listBox, WM_SETREDRAW, FALSE, 0);
  SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
  std::size_t bytes = 0;
  for (const auto& [trigger, expansion] : table) {
    bytes += (trigger.size() + expansion.size() + 8) * sizeof(wchar_t);
  }
  SendMessageW(listBox, LB_INITSTORAGE, static_cast<WPARAM>(table.size()),
               static_cast<LPARAM>(bytes));
  // The list is unsorted: rows keep the table's order, by code point.
  for (const auto& [trigger, expansion] : table) {
    const std::wstring row = Wide(FormatTriggerRow(trigger, expansion));
    SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  }
  SendMessageW(listBox, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(listBox, nullptr, TRUE);
}

}  // namespace tarquel
