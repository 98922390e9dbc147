// The update prompt: user32 and shell32, so it lives in the program only.
#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>

#include "update/update_check.h"
#include "update/update_check_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

UpdatePromptAnswer ShowUpdatePrompt(HWND owner, std::string_view version, std::string_view link) {
  const std::optional<std::string> host = DownloadHost(link);
  if (!host) {
    // Nothing to download from here: the box only tells, and the version is offered again at a
    // later start.
    ShowMessageBox(owner, UpdatePromptText(version, host), "Update Available",
                   MB_OK | MB_ICONWARNING);
    return UpdatePromptAnswer::Later;
  }
  const int answer = ShowMessageBox(owner, UpdatePromptText(version, host), "Update Available",
                                    MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON3);
  if (answer == IDNO) return UpdatePromptAnswer::Skip;
  if (answer != IDYES) return UpdatePromptAnswer::Later;
  ShellExecuteW(nullptr, L"open", Wide(link).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return UpdatePromptAnswer::Download;
}

}  // namespace tarquel
