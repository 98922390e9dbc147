#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/trigger_table.h"
#include "store/import_plan.h"

namespace tarquel {

// `tarquel.exe --import FILE` (or `--import=FILE`): the file or espanso folder to import, once
// this instance or the one already running has its window. Nothing when the arguments
// (`arguments[0]` is the program itself) name none.
inline constexpr std::wstring_view ImportArgument = L"--import";
std::optional<std::wstring> ImportPathArgument(const std::vector<std::wstring>& arguments);

// Longer lists in the preview end in "... and N more": the rest is there, only not listed.
inline constexpr std::size_t PreviewListLimit = 200;

// What the preview says before anything changes, lines ending in CR LF: where the entries come
// from and how many, how many are new and how many already there, the triggers the user already
// has with another expansion or other options, and what cannot be carried over and why.
std::string ImportPreviewText(const ImportPlan& plan, std::string_view source);

// The status line once the import is in.
std::string ImportedText(const ImportPlan& plan);

// Ctrl+Z after an import: `now` goes back to `before` as far as the import changed it. When
// nothing happened since (`now` is still `after`) that is `before` exactly; otherwise each
// entry the import put in goes back to what `before` held, unless it has been changed since,
// and the rest of `now` stays.
void UndoImport(TriggerTable& now, const TriggerTable& before, const TriggerTable& after);

}  // namespace tarquel
