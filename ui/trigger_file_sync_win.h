#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "engine/match/trigger_table.h"
#include "store/trigger_file_history.h"
#include "store/trigger_file_reload.h"
#include "store/trigger_file_sync.h"
#include "util/save_queue.h"
#include "util/snapshot.h"

namespace tarquel {

class TriggerFileWatch;

// Something in the data folder changed; a save of config.txt by this run is done; a read of
// config.txt is done.
inline constexpr UINT TriggerFileChangedMessage = WM_APP + 0x17;
inline constexpr UINT TriggerFileSavedMessage = WM_APP + 0x18;
inline constexpr UINT TriggerFileReadMessage = WM_APP + 0x19;
// Another editor's save comes as a burst of changes (and some write the file in several
// steps): config.txt is read once the burst has been quiet this long, and at the latest
// TriggerReloadLongestWaitMs after its first change, so that changes that never stop do not
// keep the table from following. A file still held by its writer then is looked at again.
inline constexpr UINT_PTR TriggerReloadTimerId = 2;
inline constexpr UINT TriggerReloadQuietMs = 250;
inline constexpr ULONGLONG TriggerReloadLongestWaitMs = 2000;
// A save refused because another program held config.txt is tried again after this long, and
// twice as long after each refusal up to SaveRetryLongestMs.
inline constexpr UINT_PTR TriggerSaveRetryTimerId = 3;
inline constexpr UINT SaveRetryFirstMs = 500;
inline constexpr UINT SaveRetryLongestMs = 8000;

// The window's table and config.txt kept in step. The file is read and parsed on a worker (at
// start, after another program's change, before ADD and DELETE); the main window's thread only
// gets the finished table, swaps it in and hands the keyboard hook a copy. Saves go to the save
// worker.
class TriggerFileSync {
 public:
  // `table` is the window's own, which it edits; `tables` is what the keyboard hook matches
  // against, a copy of it published after every change.
  TriggerFileSync(TriggerTable& table, Snapshot<TriggerTable>& tables, std::filesystem::path file,
                  BackgroundSaves& saves);
  // Waits for a read still running.
  ~TriggerFileSync();
  TriggerFileSync(const TriggerFileSync&) = delete;
  TriggerFileSync& operator=(const TriggerFileSync&) = delete;

  // Watches the folder and starts the first read; the answers come to `window` as the messages
  // above. `replacing` runs just before the table's entries are replaced by a read (what points
  // into them is still valid), `replaced` just after. `tell` puts a line in the window's status.
  void Start(HWND window, std::function<void()> replacing, std::function<void()> replaced,
             std::function<void(const std::string&)> tell);
  // The window is going: nothing is posted to it any more.
  void Stop();

  void OnFileChanged();
  void OnReloadTimer();
  void OnSaveRetryTimer();
  void OnSaved();
  void OnReadDone();

  // Runs `change` on the table as config.txt holds it now: after a read of the file, so that a
  // change made on disk since our last read or write is kept and this one goes on top of it.
  // While a save of ours is still queued the file may be older than the table: nothing is read
  // then, and `change` runs at once.
  void ChangeAfterRead(std::function<void()> change);

  TriggerTable& Table() { return table_; }
  // Gives the keyboard hook a copy of the table as it now is.
  void Publish();
  // Hands the table, as last published, to the save worker; asks first when config.txt was not
  // loaded whole. Publish a change before saving it.
  void Save();
  // Tarquel is ending: a save refused because the file was held is handed in once more now,
  // instead of at its timer, so that the wait for the save queue covers it.
  void SaveBeforeEnd();

 private:
  struct Mailbox {
    std::mutex mutex;
    std::optional<TriggerFileRead> read;
    // The keyboard hook's copy of a loaded table, made on the worker too.
    std::shared_ptr<const TriggerTable> copy;
  };

  void StartRead();
  void RequestRead();
  void RunWaitingChanges();
  void WarnHeldBack(TriggerFileRead::Outcome why);

  TriggerTable& table_;
  Snapshot<TriggerTable>& tables_;
  // Beside the executable, not in the working directory: started from the Run key, the
  // program's working directory is a system folder it can neither read its files from nor
  // write them to.
  std::filesystem::path file_;
  BackgroundSaves& saves_;
  HWND window_ = nullptr;
  std::function<void()> replacing_;
  std::function<void()> replaced_;
  std::function<void(const std::string&)> tell_;
  // Saves refused in a row because config.txt was held; 0 once one goes through.
  unsigned busySaves_ = 0;
  // What config.txt held when read, so that the first save can keep what it would drop.
  // Touched by the save jobs, and here only while no save is queued.
  std::shared_ptr<TriggerFileHistory> history_ = std::make_shared<TriggerFileHistory>();
  // Shared with the save jobs of config.txt, which report to it when done.
  std::shared_ptr<TriggerSaveTracker> saveTracker_ = std::make_shared<TriggerSaveTracker>();
  TriggerFileReload reload_;
  // Changes waiting for the read in progress, or for a look at a file that could not be read.
  std::vector<std::function<void()>> waiting_;
  bool timerSet_ = false;
  // When the first change of the burst now being waited out came (GetTickCount64).
  ULONGLONG burstBegan_ = 0;
  // Tables taken out of force are freed on the worker, each in a slot of its own.
  std::uint64_t retired_ = 0;
  std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
  std::unique_ptr<TriggerFileWatch> watch_;
  // Last: destroyed first, so that a read still running finds everything it reports to.
  SaveQueue reads_;
};

}  // namespace tarquel
