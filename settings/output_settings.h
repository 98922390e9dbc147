#pragma once

#include "engine/output/paste_decision.h"
#include "settings/settings_file.h"

namespace tarquel {

// paste_threshold=N (a decimal number; anything else keeps 100), type_in=, press_keys_in= and
// pace= lines (a line that is not understood is left out), undo_backspace=off (or false, no,
// 0; any other value keeps it on).
OutputSettings ReadOutputSettings(const Settings& settings);

}  // namespace tarquel
