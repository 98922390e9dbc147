#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "update/version_file.h"

namespace tarquel {

// What asking for the version file gave.
struct VersionFileAnswer {
  // The server sent a response (of any status): the check happened, whatever it said.
  bool reachedServer = false;
  // Status 200 and a body; `file` says what the body holds.
  bool read = false;
  VersionFile file;
};

// Fetches the version file at `url` (http or https, the scheme decides) through the proxy the
// system names. One deadline bounds the whole request, resolving, connecting, sending and
// reading together; `stop`, an event, ends it at once when set (quitting). Never tells the
// user anything. Call it off the main thread: it waits on the network.
VersionFileAnswer FetchVersionFile(std::wstring_view url, HANDLE stop = nullptr);

// True exactly when the version file at `url` names a version newer than ours; `version` and
// `link` are written whenever the body held a line feed and are left alone otherwise.
bool CheckForUpdateAt(std::wstring_view url, std::string& version, std::string& link);

// The "Update Available" box, owned by `owner`, naming the host `link` leads to: Yes opens `link`,
// No is a skip for the caller to keep. A link that may not be opened (see DownloadHost) gets a
// box that only tells. Returns the answer.
enum class UpdatePromptAnswer { Download, Skip, Later };
UpdatePromptAnswer ShowUpdatePrompt(HWND owner, std::string_view version, std::string_view link);

}  // namespace tarquel
