#include "app/start_switches_win.h"

namespace tarquel {

bool ApplyStartSwitches() {
  return true;
}

}  // namespace tarquel
