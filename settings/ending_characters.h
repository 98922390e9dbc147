#pragma once

#include <string>
#include <string_view>

#include "settings/settings_file.h"

namespace tarquel {

// The characters after which a trigger that waits for one fires. The value lists them as
// typed; {space}, {enter} and {tab} name the three that a line cannot show (blanks around a
// value are taken off). "ending_characters={space}{enter}.," makes space, Enter, period and
// comma the ending characters.
inline constexpr std::string_view EndingCharactersKey = "ending_characters";
// The default (AutoHotkey's) as the line would write it.
inline constexpr std::string_view DefaultEndingCharactersText =
    "{space}{enter}{tab}-()[]{}':;\"/\\,.?!";

// The characters as the engine takes them ("\n" for Enter, "\t" for Tab); no line, or one with
// an empty value, gives the default.
std::string EndingCharactersFromText(std::string_view value);
std::string ReadEndingCharacters(const Settings& settings);

}  // namespace tarquel
