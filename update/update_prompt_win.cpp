// The update prompt: user32 and shell32, so it lives in the program only.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "update/update_check.h"
#include "update/update_check_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

UpdatePromptAnswer ShowUpdatePrompt(HWND owner, std::string_view version, std::string_view link) {
  const int answer = ShowMessageBox(owner, UpdatePromptText(version), "Update Available",
                                    MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON3);
  if (answer == IDNO) return UpdatePromptAnswer::Skip;
  if (answer != IDYES) return UpdatePromptAnswer::Later;
  if (IsOpenableLink(link)) {
    ShellExecuteW(nullptr, L"open", Wide(link).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  }
  return UpdatePromptAnswer::Download;
}

}  // namespace tarquel
