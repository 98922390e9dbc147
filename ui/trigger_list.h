#pragma once

#include <string>
#include <string_view>

namespace tarquel {

// Between a trigger and its expansion in a list row: two spaces, "->", two spaces.
inline constexpr std::string_view RowSeparator = "  ->  ";

std::string FormatTriggerRow(std::string_view trigger, std::string_view expansion);

}  // namespace tarquel
