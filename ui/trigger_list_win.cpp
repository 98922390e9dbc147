#include "ui/app_window_win.h"
#include "ui/trigger_list.h"

namespace tarquel {

void AppWindow::FillTriggerList() {
  SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
  // The list is unsorted: rows keep the table's byte-wise order.
  for (const auto& [trigger, expansion] : table) {
    std::string row = FormatTriggerRow(trigger, expansion);
    SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  }
}

}  // namespace tarquel
