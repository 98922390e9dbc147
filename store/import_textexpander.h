#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/import.h"

namespace tarquel {

// TextExpander's CSV export: abbreviation, content, label; no header; read leniently (quotes
// inside unquoted fields, a missing label, blank lines). Macros: %| the cursor, %clipboard,
// %key:tab% and the other keys, the date codes (%Y %m %d %H %M %S %A %a %B %b %j), %% a percent
// sign. Fill-ins keep a snippet out; date math (%@+1D) and %snippet:...% are left out, noted;
// a snippet exported as HTML (rich text) is not imported.
ImportResult ImportTextExpander(const std::vector<ImportFile>& files);

}  // namespace tarquel
