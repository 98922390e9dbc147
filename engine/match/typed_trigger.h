#pragma once

#include <string_view>

#include "engine/match/trigger_table.h"

namespace tarquel {

// Whether the user can type `trigger` and get its own entry: typed key by key at the start of a
// word, followed by one of `endingCharacters` when the entry waits for one, nothing in `table`
// fires before the last key and the entry itself wins on that key. An entry whose trigger
// merely begins with another one that fires at once can never be typed, and neither can one
// whose trigger ends in another that comes first on the last key. The groups' programs are not
// looked at; a group that is off fires nothing.
bool FiresWhenTyped(const TriggerTable& table, std::string_view trigger,
                    std::string_view endingCharacters);

}  // namespace tarquel
