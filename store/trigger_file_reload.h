#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "engine/match/trigger_table.h"
#include "store/trigger_file.h"
#include "store/trigger_file_history.h"

namespace tarquel {

// What one read of config.txt found. Made on a worker: reading and parsing 64 MiB takes
// seconds, and the window's thread must go on answering meanwhile.
struct TriggerFileRead {
  enum class Outcome {
    // The file holds the bytes this run last read or wrote: nothing was parsed.
    Unchanged,
    // `table` and `history` hold what the file holds now, the two examples in an empty table.
    Loaded,
    // There is no config.txt.
    Missing,
    // It is there but cannot be read: held by another program, access refused, a folder, or
    // failing part-way. What it holds is unknown, so it is neither a table nor an absent file.
    Unreadable,
    // Above MaxTriggerFileSize: not read.
    TooLarge,
    // Above MaxTriggerEntries: read, but no table was kept.
    TooManyEntries,
  };
  Outcome outcome = Outcome::Unreadable;
  TriggerTable table;
  TriggerFileHistory history;
};

// Reads `file` and, unless it holds exactly `knownBytes`, parses it into at most `maxEntries`
// entries. Touches nothing but the file, through `read` (tests give one that finds it locked).
TriggerFileRead ReadTriggerFile(const std::filesystem::path& file,
                                const std::optional<std::string>& knownBytes,
                                std::size_t maxEntries = MaxTriggerEntries,
                                const FileReader& read = ReadFileUpTo);

// A file that is there but cannot be read is looked at again after this long: the first
// look soon (a sync client holds a file for a moment), later ones further apart.
unsigned UnreadableRetryMs(unsigned unreadableReads);
// Edits waiting for a look at a file that stays unreadable go ahead on the table in force
// after this many looks (some 8 s): their save keeps the file as it is until it can be read.
inline constexpr unsigned UnreadableReadsBeforeChanging = 6;

// What the window does with a finished read.
struct ReloadVerdict {
  enum class Action {
    // The table in force stays.
    Keep,
    // The read's table and history take the place of the ones in force.
    Replace,
    // The first read found a file it cannot load whole (too large, too many entries): the
    // read's empty table is put in force, the user is told why, and the file is not written
    // over unless the user agrees. Or one that is there but cannot be read: the same empty
    // table until a later look reads it, and no save until then.
    HoldBack,
    // A save of ours went in after the read began: the file may be older than the table.
    // Nothing changes; the file is read again once the saves are done.
    AfterSaves,
  };
  Action action = Action::Keep;
  // Why the file gave no table, when this is the first read of a spell without one (told once
  // per spell, not at each look); Unchanged otherwise.
  TriggerFileRead::Outcome refused = TriggerFileRead::Outcome::Unchanged;
  // Another change was seen while this read ran: read once more.
  bool readAgain = false;
  // The file is there but could not be read: look again after this many ms (0: no look set).
  unsigned retryInMs = 0;
  // The edits that waited for this read wait for the next look instead of going on the table
  // in force, which may lack what the unreadable file holds.
  bool changesWait = false;
};

// When config.txt is read and what a finished read means for the table in force. The reads run
// one at a time; changes seen meanwhile are folded into one more read after it. The very first
// read (at start) differs from the later ones: no file gives the examples, one too large to
// load gives an empty table, and one that is there but cannot be read gives an empty table held
// back until it can. Later reads that give no table leave the one in force as it is. A file too
// large to load is never written over unasked, one that cannot be read never at all.
class TriggerFileReload {
 public:
  enum class Ask {
    // Start a read now.
    Read,
    // One is running: its answer comes first, then another read.
    AfterThisRead,
    // A save of ours is queued or failed (`tableAhead`, TriggerSaveTracker::TableAhead): the
    // file may be older than the table. Nothing is read until the saves are done.
    AfterSaves,
  };
  // The file may have changed: the start, another program's change, or an edit to come.
  Ask Request(bool tableAhead);
  // A save of ours is done. True when a read put off for the saves starts now.
  bool SavesDone(bool tableAhead);
  // The answer to the read that Request or SavesDone started. `read` is prepared for the
  // verdict: for Replace and HoldBack it holds the table and history to put in force.
  ReloadVerdict Finished(TriggerFileRead& read, bool tableAhead);

  bool Reading() const { return reading_; }
  // The first read has been answered: the table in force came from the file (or stands in for
  // a missing one), and edits may go to it.
  bool Started() const { return started_; }
  // Why the file on disk, as last read, is not what the table in force came from (too large,
  // too many entries, unreadable); Unchanged when it is. Until the user agrees to replace the
  // file (or, for an unreadable one, until it is read), a save must not write over it.
  TriggerFileRead::Outcome HeldBack() const { return heldBack_; }
  void ReplaceAgreed() { heldBack_ = TriggerFileRead::Outcome::Unchanged; }
  // A read is put off until our saves are done.
  bool WaitingForSaves() const { return afterSaves_; }

 private:
  bool started_ = false;
  bool reading_ = false;
  bool again_ = false;
  bool afterSaves_ = false;
  bool refusedTold_ = false;
  unsigned unreadableReads_ = 0;
  TriggerFileRead::Outcome heldBack_ = TriggerFileRead::Outcome::Unchanged;
};

}  // namespace tarquel
