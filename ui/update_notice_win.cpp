#include "ui/update_notice_win.h"

#include <string>
#include <utility>

#include "update/program_version.h"
#include "update/update_check.h"
#include "update/update_check_win.h"
#include "update/update_schedule.h"
#include "update/update_url.h"
#include "update/update_worker_win.h"
#include "util/test_switches.h"

namespace tarquel {

UpdateNotice::UpdateNotice(SavedSettings& settings, TrayIcon& tray)
    : settings_(settings), tray_(tray) {}

UpdateNotice::~UpdateNotice() = default;

void UpdateNotice::Start(HWND window) {
  if (!IsUpdateCheckDue(ParseUpdateState(settings_.Values()), SecondsNow())) {
    OutputDebugStringA("[UpdateChecker] Checked less than a day ago\n");
    return;
  }
  // The test build may ask a server of the test's own instead.
  const std::wstring& testUrl = ActiveTestSwitches().updateUrl;
  check_ = std::make_unique<UpdateCheckWorker>(
      window, UpdateCheckDoneMessage, testUrl.empty() ? std::wstring(VersionFileUrl) : testUrl);
}

void UpdateNotice::OnCheckDone() {
  if (!check_) return;
  const VersionFileAnswer answer = check_->TakeAnswer();
  check_.reset();
  Settings& settings = settings_.Values();
  if (answer.read && answer.file.hasLineFeed &&
      ShouldOfferVersion(ParseUpdateState(settings), answer.file.version, ProgramVersion)) {
    OutputDebugStringA(
        ("[UpdateChecker] New version available: " + answer.file.version + "\n").c_str());
    pending_ = Offer{answer.file.version, answer.file.link};
  }
  // Only an answer counts as a check: without a network the next start asks again. A time that
  // cannot be saved only means another check at the next start: nothing to tell.
  if (answer.reachedServer) {
    SetSettingsValue(settings, LastUpdateCheckKey, std::to_string(SecondsNow()));
    settings_.Save({});
  }
  OutputDebugStringA("[UpdateChecker] Check ended\n");
  if (!pending_) return;

  // No box of its own accord: one that opened while the user types in another program would
  // take their keys. A notification takes no focus; the box comes when the user clicks it or
  // brings the window up from the tray.
  tray_.Notify("Update Available", "Tarquel " + pending_->version +
                                       " is available. Click here, or open the Tarquel window, "
                                       "to download it.");
}

void UpdateNotice::ShowPendingPrompt(HWND window) {
  if (!pending_ || promptOpen_) return;
  // Asked once per run, whatever the answer.
  const Offer offer = std::move(*pending_);
  pending_.reset();
  promptOpen_ = true;
  const UpdatePromptAnswer answer = ShowUpdatePrompt(window, offer.version, offer.link);
  promptOpen_ = false;
  if (answer != UpdatePromptAnswer::Skip) return;
  SetSettingsValue(settings_.Values(), SkippedVersionKey, offer.version);
  settings_.Save("Your choice to skip version " + offer.version +
                 " could not be saved to settings.txt; Tarquel will offer it again at a later "
                 "start.");
}

}  // namespace tarquel
