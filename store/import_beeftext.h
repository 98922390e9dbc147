#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/import.h"

namespace tarquel {

// Beeftext: its JSON (comboList.json or an export; groups, combos with keyword, snippet,
// matchingMode or useLooseMatch, caseSensitivity, enabled; the names of older versions too), its
// CSV export (keyword, snippet, name) and its cheat-sheet CSV (Group, Name, Keyword, Snippet).
// Strict matching is a word start, loose anywhere; combos fire at once, case-sensitive unless
// set otherwise. A group becomes a group; disabled combos go to a group of their own, switched
// off. Variables: #{clipboard} #{cursor} #{date} #{time} #{dateTime} #{dateTime:FORMAT}
// #{key:NAME:N} #{shortcut:KEYS} #{delay:MS}; #{input:...} and #{powershell:...} keep the combo
// out, #{combo:...}, #{envVar:...} and a date's shift are left out of it, each noted.
ImportResult ImportBeeftext(const std::vector<ImportFile>& files);

// A Qt date format (yyyy-MM-dd HH:mm) as Tarquel's strftime-like one; what has no equal is
// described in `lost`.
std::string FromQtDateFormat(std::string_view qt, std::vector<std::string>& lost);

}  // namespace tarquel
