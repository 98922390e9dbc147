#include "ui/trigger_file_sync_win.h"

#include <string>
#include <utility>

#include "store/trigger_file.h"
#include "store/trigger_file_watch_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

using Outcome = TriggerFileRead::Outcome;

void Warn(HWND owner, const std::string& text) {
  ShowMessageBox(owner, text, "Tarquel", MB_OK | MB_ICONWARNING);
}

// The size in the words of the message: 64 MiB.
std::string MebibytesText(std::size_t bytes) {
  return std::to_string(bytes >> 20) + " MiB";
}

// What kept a file from being loaded, as the messages say it; `more` adds how far off it is.
std::string NotLoadedText(const std::filesystem::path& file, Outcome why, bool more) {
  const std::string name = Narrow(file.native());
  if (why == Outcome::TooManyEntries) {
    return name + " holds more than " + std::to_string(MaxTriggerEntries) + " triggers" +
           (more ? ", more than Tarquel keeps," : "");
  }
  return name + " is larger than " + MebibytesText(MaxTriggerFileSize) +
         (more ? ", more than a trigger file holds," : "");
}

}  // namespace

TriggerFileSync::TriggerFileSync(TriggerTable& table, Snapshot<TriggerTable>& tables,
                                 std::filesystem::path file, BackgroundSaves& saves)
    : table_(table), tables_(tables), file_(std::move(file)), saves_(saves) {}

TriggerFileSync::~TriggerFileSync() {
  watch_.reset();
}

void TriggerFileSync::Start(HWND window, std::function<void()> replacing,
                            std::function<void()> replaced,
                            std::function<void(const std::string&)> tell) {
  window_ = window;
  replacing_ = std::move(replacing);
  replaced_ = std::move(replaced);
  tell_ = std::move(tell);
  // A change of config.txt by another program follows here.
  watch_ = std::make_unique<TriggerFileWatch>(file_, window, TriggerFileChangedMessage);
  RequestRead();
}

void TriggerFileSync::Stop() {
  watch_.reset();
  if (window_ != nullptr) {
    KillTimer(window_, TriggerReloadTimerId);
    KillTimer(window_, TriggerSaveRetryTimerId);
  }
}

void TriggerFileSync::OnFileChanged() {
  // Each change of a burst puts the read off until the writer has been quiet a moment, up to a
  // bound: a file written in several steps is read once, and whole.
  const ULONGLONG now = GetTickCount64();
  if (!timerSet_) burstBegan_ = now;
  if (timerSet_ && now - burstBegan_ >= TriggerReloadLongestWaitMs) return;
  timerSet_ = SetTimer(window_, TriggerReloadTimerId, TriggerReloadQuietMs, nullptr) != 0;
}

void TriggerFileSync::OnReloadTimer() {
  KillTimer(window_, TriggerReloadTimerId);
  timerSet_ = false;
  RequestRead();
}

void TriggerFileSync::OnSaved() {
  if (saveTracker_->Idle()) {
    if (saveTracker_->LastBusy()) {
      // Told once per spell, not at each try; the change lives on in the table meanwhile.
      if (busySaves_++ == 0 && tell_) {
        tell_("config.txt is held by another program: your change is saved once it is free");
      }
      UINT delay = SaveRetryFirstMs;
      for (unsigned i = 1; i < busySaves_ && delay < SaveRetryLongestMs; ++i) delay *= 2;
      SetTimer(window_, TriggerSaveRetryTimerId,
               delay < SaveRetryLongestMs ? delay : SaveRetryLongestMs, nullptr);
    } else if (busySaves_ > 0) {
      busySaves_ = 0;
      KillTimer(window_, TriggerSaveRetryTimerId);
      if (!saveTracker_->TableAhead() && tell_) tell_("Saved to config.txt");
    }
  }
  if (reload_.SavesDone(saveTracker_->TableAhead())) StartRead();
}

void TriggerFileSync::OnSaveRetryTimer() {
  KillTimer(window_, TriggerSaveRetryTimerId);
  // A newer change has been handed in meanwhile, or went through: nothing to try again.
  if (busySaves_ == 0 || !saveTracker_->Idle() || !saveTracker_->LastBusy()) return;
  OutputDebugStringA("config.txt was held by another program: saving again\n");
  Save();
}

void TriggerFileSync::RequestRead() {
  const bool waitingBefore = reload_.WaitingForSaves();
  switch (reload_.Request(saveTracker_->TableAhead())) {
    case TriggerFileReload::Ask::Read:
      StartRead();
      return;
    case TriggerFileReload::Ask::AfterSaves:
      if (!waitingBefore) {
        OutputDebugStringA("config.txt is looked at again once our own change is saved\n");
      }
      return;
    case TriggerFileReload::Ask::AfterThisRead:
      return;
  }
}

void TriggerFileSync::StartRead() {
  // No save is queued while a read is asked for: the history is this thread's to copy.
  reads_.Submit(TriggerFileName,
                [file = file_, known = history_->knownBytes, mailbox = mailbox_, window = window_] {
                  TriggerFileRead read = ReadTriggerFile(file, known);
                  // Copying 100,000 entries with their index takes as long as parsing them: not on
                  // the window's thread either.
                  std::shared_ptr<const TriggerTable> copy;
                  if (read.outcome == TriggerFileRead::Outcome::Loaded) {
                    copy = std::make_shared<const TriggerTable>(read.table);
                  }
                  {
                    std::lock_guard lock(mailbox->mutex);
                    mailbox->read = std::move(read);
                    mailbox->copy = std::move(copy);
                  }
                  PostMessageW(window, TriggerFileReadMessage, 0, 0);
                });
}

void TriggerFileSync::OnReadDone() {
  std::optional<TriggerFileRead> read;
  std::shared_ptr<const TriggerTable> copy;
  {
    std::lock_guard lock(mailbox_->mutex);
    read = std::move(mailbox_->read);
    mailbox_->read.reset();
    copy = std::move(mailbox_->copy);
  }
  if (!read) return;
  const bool atStart = !reload_.Started();
  const bool waitingBefore = reload_.WaitingForSaves();
  const ReloadVerdict verdict = reload_.Finished(*read, saveTracker_->TableAhead());
  switch (verdict.action) {
    case ReloadVerdict::Action::Replace:
    case ReloadVerdict::Action::HoldBack: {
      if (replacing_) replacing_();
      // The old entries are freed on the worker: 100,000 of them take milliseconds.
      TriggerTable old = std::exchange(table_, std::move(read->table));
      reads_.Submit("retired table " + std::to_string(++retired_), [old = std::move(old)] {});
      *history_ = std::move(read->history);
      if (read->outcome == Outcome::Loaded && copy) {
        tables_.Publish(std::move(copy));
      } else {
        Publish();
      }
      if (replaced_) replaced_();
      // Told once the list shows the new table. The first read is told too: it runs in the
      // background, and whoever changes the file right after the start needs to know which
      // of the two reads saw the change. A file held at start has given nothing yet.
      if (read->outcome != Outcome::Unreadable) {
        OutputDebugStringA((std::string(atStart ? "Triggers loaded from config.txt: "
                                                : "Triggers reloaded from config.txt: ") +
                            std::to_string(table_.size()) + " entries\n")
                               .c_str());
      }
      break;
    }
    case ReloadVerdict::Action::AfterSaves:
      if (waitingBefore) break;
      OutputDebugStringA("config.txt is looked at again once our own change is saved\n");
      break;
    case ReloadVerdict::Action::Keep:
      break;
  }
  const bool heldUnreadable =
      verdict.action == ReloadVerdict::Action::HoldBack && verdict.refused == Outcome::Unreadable;
  if (verdict.action != ReloadVerdict::Action::HoldBack || heldUnreadable) {
    // Told once for each spell the file gives no table, not at each look.
    if (verdict.refused == Outcome::TooManyEntries) {
      OutputDebugStringA(("config.txt holds more than " + std::to_string(MaxTriggerEntries) +
                          " triggers: the triggers in force stay\n")
                             .c_str());
    } else if (verdict.refused == Outcome::Unreadable) {
      OutputDebugStringA(heldUnreadable
                             ? "config.txt is there but cannot be read: no triggers until it can\n"
                             : "config.txt cannot be read: the triggers in force stay\n");
      // Mostly a sync client or an editor holding it for a moment; said where the user looks.
      if (tell_) {
        tell_(heldUnreadable ? "config.txt cannot be read yet (another program holds it). "
                               "Your triggers show once it can."
                             : "config.txt cannot be read now (another program holds it): "
                               "looking again shortly");
      }
    } else if (verdict.refused != Outcome::Unchanged) {
      OutputDebugStringA("config.txt cannot be read: the triggers in force stay\n");
    }
  }
  if (verdict.retryInMs > 0) {
    // Another look at a file held by someone else; a change the watcher sees comes first.
    burstBegan_ = GetTickCount64();
    timerSet_ = SetTimer(window_, TriggerReloadTimerId, verdict.retryInMs, nullptr) != 0;
  }
  if (!verdict.changesWait) RunWaitingChanges();
  if (verdict.readAgain) RequestRead();
  // Last: the box runs a message loop of its own.
  if (verdict.action == ReloadVerdict::Action::HoldBack && !heldUnreadable) {
    WarnHeldBack(verdict.refused);
  }
}

void TriggerFileSync::RunWaitingChanges() {
  std::vector<std::function<void()>> changes = std::move(waiting_);
  waiting_.clear();
  for (std::function<void()>& change : changes) change();
}

void TriggerFileSync::ChangeAfterRead(std::function<void()> change) {
  waiting_.push_back(std::move(change));
  // The read in progress answers first; the change waits for it.
  if (reload_.Reading()) return;
  RequestRead();
  if (!reload_.Reading()) RunWaitingChanges();
}

void TriggerFileSync::Publish() {
  // Copied here, on the window's thread: the hook only ever swaps a pointer.
  tables_.Publish(std::make_shared<const TriggerTable>(table_));
}

void TriggerFileSync::Save() {
  if (reload_.HeldBack() == Outcome::Unreadable) {
    // Edits wait for the file to be read; nothing may write over what could not be read.
    if (tell_) tell_("config.txt cannot be read yet: the change is not saved");
    return;
  }
  if (const Outcome heldBack = reload_.HeldBack(); heldBack != Outcome::Unchanged) {
    const std::string question =
        NotLoadedText(file_, heldBack, false) +
        " and was not loaded.\n\nReplace it with the triggers shown in Tarquel? A copy of the "
        "old file is kept as " +
        Narrow(BackupFileName(file_).filename().native()) +
        ".\n\nIf you choose No, the change works until Tarquel ends and the file is left as it "
        "is.";
    if (ShowMessageBox(window_, question, "Tarquel", MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) !=
        IDYES) {
      return;
    }
    reload_.ReplaceAgreed();
  }
  // The table changed in memory already, and the hook's copy of it is published; that copy
  // goes to the worker, which reads the file, writes the table into it, flushes and replaces it
  // while this thread goes on.
  saves_.Submit(
      TriggerFileName,
      [file = file_, history = history_, table = tables_.Current(), tracker = saveTracker_,
       save = saveTracker_->Submitted(), window = window_]() mutable -> std::string {
        const SaveResult saved = SaveTriggerFile(file, *table, *history);
        // Until here the main thread takes the file for older than its table; a change by
        // someone else seen meanwhile is looked at again now.
        // Told once per spell of a held file; the window tries again meanwhile.
        const bool tell = !saved && (!saved.busy || tracker->FirstBusy());
        tracker->Done(save, static_cast<bool>(saved), saved.busy);
        PostMessageW(window, TriggerFileSavedMessage, 0, 0);
        if (!tell) return {};
        if (saved.busy) {
          return "Your triggers could not be saved to\n" + Narrow(file.native()) + "\n\n" +
                 saved.error +
                 ".\n\nAnother program holds the file (a sync client or an editor, say). The "
                 "change works meanwhile, and Tarquel saves it as soon as the file is free.";
        }
        // The change stays in force in memory; the file keeps its old content until a save
        // succeeds.
        return "Your triggers could not be saved to\n" + Narrow(file.native()) + "\n\n" +
               saved.error +
               ".\n\nThe change works until Tarquel ends. It is saved with your next change once "
               "the file can be written.";
      });
}

void TriggerFileSync::SaveBeforeEnd() {
  if (window_ != nullptr) KillTimer(window_, TriggerSaveRetryTimerId);
  if (busySaves_ == 0 || !saveTracker_->Idle() || !saveTracker_->LastBusy()) return;
  busySaves_ = 0;
  Save();
}

void TriggerFileSync::WarnHeldBack(Outcome why) {
  Warn(window_, NotLoadedText(file_, why, true) +
                    " and was not loaded. It is left as it is.\n\nTarquel starts with no "
                    "triggers. Nothing is written over the file unless you change a trigger and "
                    "agree to replace it.");
}

}  // namespace tarquel
