#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/match/trigger_table.h"

namespace tarquel {

// The two kinds of line config.txt holds besides `trigger=expansion`. Neither has an "=", so a
// reader that only knows entries (Tarquel 1.0 splits each line at its first "=" and skips the
// others) passes over them and keeps every entry:
//
//   (options: word start, after ending, conform case)      for the entry on the very next line
//   [group Mail]                                           the entries below, up to the next
//   [group Code: off, only in code.exe, not in class:ConsoleWindowClass, word start]
//
// Words are separated by commas and compared without regard to ASCII case; blanks around them
// do not count. Program names keep their case as written (they are compared as exclude= compares
// them).

// `(options: ...)`, or nullopt when the line is not one: another form, an unknown word, or two
// words that contradict each other ("at once, after ending").
std::optional<TriggerOptions> ParseOptionsLine(std::string_view line);
// `[group NAME]` or `[group NAME: words]`, or nullopt as above (an empty name too). `decode`
// turns the name and the program names from the file's bytes into UTF-8 (an ANSI file's are
// converted); by default they are taken as they are.
std::optional<TriggerGroup> ParseGroupLine(std::string_view line,
                                           std::string (*decode)(std::string_view) = nullptr);
// The line begins as one of the two forms do. Such a line that does not parse is kept as a
// comment, but a load counts it: the user meant something the table does not hold.
bool LooksLikeOptionsOrGroupLine(std::string_view line);

// The options as a line ParseOptionsLine reads back; empty options give "(options:)".
std::string FormatOptionsLine(const TriggerOptions& options);
// The group as a line ParseGroupLine reads back: "[group NAME]" when it has nothing but its
// name. Characters a name cannot hold in the file (see IsWritableGroupName) become "_", so that
// the line never turns into another kind of line.
std::string FormatGroupLine(const TriggerGroup& group);

// A group name survives the file: not empty, no blank at either end, none of "=" ":" or a line
// end. A program name likewise, with "," instead of ":" (class:X and package:Y have one).
bool IsWritableGroupName(std::string_view name);
bool IsWritableProgramName(std::string_view name);

}  // namespace tarquel
