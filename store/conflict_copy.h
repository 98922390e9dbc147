#pragma once

#include <filesystem>
#include <functional>
#include <string_view>

#include "store/import.h"

namespace tarquel {

// Whether a file in config.txt's folder is a copy that a sync service left when config.txt was
// changed on two PCs before they synced: OneDrive's "config-DESKTOP-1.txt", Dropbox's
// "config (Jane's conflicted copy 2026-12-01).txt", Google Drive's "config (1).txt", Nextcloud's
// "config (conflicted copy 2026-12-01 101500).txt", Syncthing's
// "config.sync-conflict-20261201-101500-ABCDEFG.txt" and "config.txt.conflict". Tarquel's own
// files beside it (config.txt.bak, .tmp, .unsaved, a merged copy) are none.
bool IsConflictCopyName(std::string_view fileName);

// The entries of such a copy, as an import of them: its groups keep their names and settings,
// its entries of no group stay of no group, and each entry keeps its options.
ImportResult ImportConflictCopy(const ImportFile& file);

// The name the copy is given once its entries are in the list, so that it is not merged again
// and nothing the user did not see is removed: "config (1).txt.merged", or
// "config (1).txt.merged-2" and on where that is taken.
std::filesystem::path MergedCopyPath(
    const std::filesystem::path& copy,
    const std::function<bool(const std::filesystem::path&)>& exists);

}  // namespace tarquel
