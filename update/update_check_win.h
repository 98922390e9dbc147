#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tarquel {

// Fetches the version file at `url` (http or https, the scheme decides) and reads it. True
// exactly when it names a version other than ours; `version` and `link` are written whenever
// the body held a line feed and are left alone otherwise. Blocks for at most a few seconds,
// however the server behaves, and never tells the user about a failure.
bool CheckForUpdateAt(std::wstring_view url, std::string& version, std::string& link);

// The same at the address this build was configured with (TARQUEL_UPDATE_URL).
bool CheckForUpdate(std::string& version, std::string& link);

// The "Update Available" box; OK opens `link` when it is a web address, nothing otherwise.
void ShowUpdatePrompt(HWND owner, std::string_view version, std::string_view link);

// The start-up step: the check and, if it says so, the prompt. Runs before any window or hook
// exists and returns when both are done, whatever the answer.
void CheckForUpdateAtStartup();

}  // namespace tarquel
