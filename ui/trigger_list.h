#pragma once

#include <string>
#include <string_view>

#include "engine/match/trigger_table.h"

namespace tarquel {

// Between a trigger and its expansion in a list row: two spaces, "->", two spaces.
inline constexpr std::string_view RowSeparator = "  ->  ";

// "trigger  ->  expansion", and after it `note` when there is one.
std::string FormatTriggerRow(std::string_view trigger, std::string_view expansion,
                             std::string_view note = {});

// What a row says of an entry besides its trigger and expansion: its group and the options it
// sets itself, as config.txt writes them ("[Mail: word start, after ending]"); a group that is
// switched off says so. Empty for an entry of no group without options, which fires as every
// entry did before options.
std::string RowNote(const TriggerTable& table, std::string_view trigger);

}  // namespace tarquel
