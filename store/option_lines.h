#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/match/trigger_table.h"

namespace tarquel {

// The two kinds of line without "=" that give entries options, as the load reads them:
//   [group NAME]  or  [group NAME: off, only in outlook.exe, not in class:X, word start]
//     the entries below, up to the next group line, belong to the group;
//   (options: word start, after ending, conform case)
//     options for the entry on the very next line.
// Option words (any case, blanks around commas ignored): at once | after ending | drop ending;
// anywhere | word start; exact case | any case | conform case. A group line also takes on |
// off, only in NAME, not in NAME (NAME as exclude= takes it). A line with a word outside these
// is a comment.
struct OptionLineState {
  // The options line just read, for the next entry.
  std::optional<TriggerOptions> next;
  // The group of the entries that follow.
  std::size_t group = 0;
};

// Reads `line` (no "=" in it) when it is one of the two kinds, into `table` (a group is added)
// and `state`; false for any other line, which stays a comment.
bool ReadOptionLine(std::string_view line, TriggerTable& table, OptionLineState& state);

}  // namespace tarquel
