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
#include "util/wide_text_win.h"

namespace tarquel {

UpdateNotice::UpdateNotice(SavedSettings& settings, TrayIcon& tray)
    : settings_(settings), tray_(tray) {}

UpdateNotice::~UpdateNotice() = default;

void UpdateNotice::Start(HWND window) {
  if (!IsUpdateCheckOn(settings_.Values())) {
    OutputDebugStringA("[UpdateChecker] Turned off\n");
    return;
  }
  if (!IsUpdateCheckDue(ParseUpdateState(settings_.Values()), SecondsNow())) {
    OutputDebugStringA("[UpdateChecker] Checked less than a day ago\n");
    return;
  }
  StartWorker(window);
}

void UpdateNotice::CheckNow(HWND window, HWND owner) {
  // The box goes over the window that asked, if it is still there when the answer comes.
  owner_ = owner;
  askedNow_ = true;
  // One already under way answers this request too.
  if (!check_) StartWorker(window);
}

void UpdateNotice::StartWorker(HWND window) {
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
  if (std::exchange(askedNow_, false)) {
    HWND owner = IsWindow(owner_) ? owner_ : nullptr;
    if (pending_) {
      ShowPendingPrompt(owner);
    } else {
      ShowMessageBox(owner,
                     answer.reachedServer
                         ? "Tarquel " + std::string(ProgramVersion) + " is the newest version."
                         : std::string("The update server did not answer. Try again later."),
                     "Tarquel", MB_OK | MB_ICONINFORMATION);
    }
    return;
  }
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
