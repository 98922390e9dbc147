// The prompt and the start-up step: user32 and shell32, so they live in the program only.
#include <windows.h>

#include <shellapi.h>

#include <string>

#include "ui/wide_text_win.h"
#include "update/update_check.h"
#include "update/update_check_win.h"

namespace tarquel {

void ShowUpdatePrompt(HWND owner, std::string_view version, std::string_view link) {
  const int answer = ShowMessageBox(owner, UpdatePromptText(version), "Update Available",
                                    MB_OKCANCEL | MB_ICONINFORMATION);
  if (answer != IDOK || !IsOpenableLink(link)) return;
  ShellExecuteA(nullptr, "open", std::string(link).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CheckForUpdateAtStartup() {
  std::string version;
  std::string link;
  if (CheckForUpdate(version, link)) ShowUpdatePrompt(nullptr, version, link);
}

}  // namespace tarquel
