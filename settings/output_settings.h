#pragma once

#include "engine/output/paste_decision.h"
#include "settings/settings_file.h"

namespace tarquel {

// paste_threshold=N (a decimal number; anything else keeps 100), type_in= and press_keys_in=
// lines, undo_backspace=off (or false, no, 0; any other value keeps it on).
OutputSettings ReadOutputSettings(const Settings& settings);

}  // namespace tarquel
