// The main window's side of the update check: the worker started, its answer turned into a
// notification, and the prompt shown when the user comes to the window.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <string>

#include "ui/app_window_win.h"
#include "update/program_version.h"
#include "update/update_check.h"
#include "update/update_check_win.h"
#include "update/update_schedule.h"
#include "update/update_url.h"
#include "update/update_worker_win.h"
#include "util/test_switches.h"
#include "util/window_text.h"

namespace tarquel {

namespace {

// UTF-8 into a fixed UTF-16 field of the notification record, cut at a character boundary.
template <std::size_t Size>
void CopyText(wchar_t (&field)[Size], std::string_view text) {
  const std::u16string fitted = FitUtf16(text, Size);
  std::copy(fitted.begin(), fitted.end(), field);
  field[fitted.size()] = L'\0';
}

}  // namespace

void AppWindow::StartUpdateCheck() {
  if (!IsUpdateCheckDue(ParseUpdateState(settings), SecondsNow())) {
    OutputDebugStringA("[UpdateChecker] Checked less than a day ago\n");
    return;
  }
  // The test build may ask a server of the test's own instead.
  const std::wstring& testUrl = ActiveTestSwitches().updateUrl;
  updateCheck =
      std::make_unique<UpdateCheckWorker>(MainWindow(), UpdateCheckDoneMessage,
                                          testUrl.empty() ? std::wstring(VersionFileUrl) : testUrl);
}

void AppWindow::OnUpdateCheckDone() {
  if (!updateCheck) return;
  const VersionFileAnswer answer = updateCheck->TakeAnswer();
  updateCheck.reset();
  if (answer.read && answer.file.hasLineFeed &&
      ShouldOfferVersion(ParseUpdateState(settings), answer.file.version, ProgramVersion)) {
    OutputDebugStringA(
        ("[UpdateChecker] New version available: " + answer.file.version + "\n").c_str());
    pendingUpdate = UpdateOffer{answer.file.version, answer.file.link};
  }
  // Only an answer counts as a check: without a network the next start asks again. A time that
  // cannot be saved only means another check at the next start: nothing to tell.
  if (answer.reachedServer) {
    SetSettingsValue(settings, LastUpdateCheckKey, std::to_string(SecondsNow()));
    SaveSettingsInBackground({});
  }
  OutputDebugStringA("[UpdateChecker] Check ended\n");
  if (!pendingUpdate) return;

  // No box of its own accord: one that opened while the user types in another program would
  // take their keys. A notification takes no focus; the box comes when the user clicks it or
  // brings the window up from the tray.
  NOTIFYICONDATAW balloon = trayIcon;
  balloon.uFlags = NIF_INFO;
  balloon.dwInfoFlags = NIIF_INFO;
  CopyText(balloon.szInfoTitle, "Update Available");
  CopyText(balloon.szInfo, "Tarquel " + pendingUpdate->version +
                               " is available. Click here, or open the Tarquel window, to "
                               "download it.");
  if (trayWanted) Shell_NotifyIconW(NIM_MODIFY, &balloon);
}

void AppWindow::ShowPendingUpdatePrompt() {
  if (!pendingUpdate || updatePromptOpen) return;
  // Asked once per run, whatever the answer.
  const UpdateOffer offer = std::move(*pendingUpdate);
  pendingUpdate.reset();
  updatePromptOpen = true;
  const UpdatePromptAnswer answer = ShowUpdatePrompt(MainWindow(), offer.version, offer.link);
  updatePromptOpen = false;
  if (answer != UpdatePromptAnswer::Skip) return;
  SetSettingsValue(settings, SkippedVersionKey, offer.version);
  SaveSettingsInBackground("Your choice to skip version " + offer.version +
                           " could not be saved to settings.txt; Tarquel will offer it again at "
                           "a later start.");
}

}  // namespace tarquel
