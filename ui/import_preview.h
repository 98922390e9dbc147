#pragma once

#include <array>
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
// from and how many, how many are new and how many already there, how many triggers the user
// already has with another expansion or other options (listed row by row beside it, see
// ConflictCells), and what cannot be carried over and why.
std::string ImportPreviewText(const ImportPlan& plan, std::string_view source);

// The status line once the import is in.
std::string ImportedText(const ImportPlan& plan);

// The preview's list of conflicts, one row each: the trigger, yours, theirs and what is chosen.
inline constexpr std::size_t ConflictColumns = 4;
std::array<std::string, ConflictColumns> ConflictCells(const ImportPlan& plan,
                                                       std::size_t conflict);
// The words of the Choice column and of the list's menu: "Keep both (theirs as 2btw)".
std::string ChoiceText(const ImportConflict& conflict);
std::string ChoiceText(ConflictChoice choice);
// What Space (or a click in the Choice column) makes of a row's choice: mine, theirs, both and
// round again.
ConflictChoice NextChoice(ConflictChoice choice);
// The choice every conflict has, which the buttons for all show; nothing when they differ or
// there are none.
std::optional<ConflictChoice> CommonChoice(const ImportPlan& plan);
// Under the list, kept up to date as rows change: "2 of yours kept, 1 taken from the file, 1
// kept beside yours".
std::string ChoicesText(const ImportPlan& plan);

// Ctrl+Z after an import: `now` goes back to `before` as far as the import changed it. When
// nothing happened since (`now` is still `after`) that is `before` exactly; otherwise each
// entry the import put in goes back to what `before` held, unless it has been changed since,
// and the rest of `now` stays.
void UndoImport(TriggerTable& now, const TriggerTable& before, const TriggerTable& after);

}  // namespace tarquel
