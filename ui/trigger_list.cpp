#include "ui/trigger_list.h"

namespace tarquel {

std::string FormatTriggerRow(std::string_view trigger, std::string_view expansion) {
  std::string row;
  row.reserve(trigger.size() + RowSeparator.size() + expansion.size());
  row += trigger;
  row += RowSeparator;
  row += expansion;
  return row;
}

}  // namespace tarquel
