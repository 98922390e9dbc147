#pragma once

#include <windows.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>

#include "settings/saving_stats.h"
#include "util/save_queue.h"

namespace tarquel {

// Posted by the output thread after each expansion that went out whole (see
// ExpansionSender::SetSentNotice).
inline constexpr UINT ExpansionCountedMessage = WM_APP + 0x31;

// What Tarquel saved the user, counted on the window's thread as each expansion has gone out,
// shown on a line of the main window and kept in stats.txt by the save worker. Each save adds
// the counts gathered since the last one to what the file holds then, so a file that could not
// be read at start loses nothing, and a save that fails hands its counts to the next.
class SavingsCounter {
 public:
  SavingsCounter(std::filesystem::path file, BackgroundSaves& saves);
  SavingsCounter(const SavingsCounter&) = delete;
  SavingsCounter& operator=(const SavingsCounter&) = delete;

  void Attach(HWND line) { line_ = line; }
  // One expansion went out: `sent` characters for the `typed` ones of its trigger.
  void Count(std::size_t sent, std::size_t typed);
  // Shows the counts at this typing speed (words a minute), as of today: after midnight the
  // line says nothing was saved today yet.
  void Show(int wordsPerMinute);

 private:
  void SaveAdded();

  std::filesystem::path file_;
  BackgroundSaves& saves_;
  HWND line_ = nullptr;
  SavingStats shown_;
  int wordsPerMinute_ = DefaultTypingSpeed;
  // Counts not yet in the file: filled here, taken by the save worker.
  struct Added {
    std::mutex mutex;
    SavingStats counts;
  };
  std::shared_ptr<Added> added_ = std::make_shared<Added>();
};

}  // namespace tarquel
