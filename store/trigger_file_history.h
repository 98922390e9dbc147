#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "engine/match/trigger_table.h"
#include "util/file_io.h"

namespace tarquel {

// What this run knows of config.txt, so that writing the table into it never silently loses
// what the user meant: options or group lines the loader could not take in, or lines someone
// wrote into the file while the program ran. Nor does it silently rewrite a file kept in
// another encoding (UTF-16, the ANSI code page), whose bytes a save does not give back either.
struct TriggerFileHistory {
  // The file's bytes as this run last read or wrote them; nothing when it did not exist.
  std::optional<std::string> knownBytes;
  // Those bytes hold lines whose meaning the table does not hold (TriggerLoadInfo::droppedLines;
  // a save keeps them as written), and no copy of them has been kept yet.
  bool holdsDroppedLines = false;
  // Those bytes are in an encoding a save does not write, and no copy has been kept yet.
  bool holdsOtherEncoding = false;
  // The file was above MaxTriggerFileSize when loaded and was not read.
  bool tooLarge = false;
};

// Kept copies of config.txt: the newest is "config.txt.bak" (the name 1.0 gave its one copy),
// the older ones "config.txt.bak.1" (the one before) up to "config.txt.bak.9". A new copy moves
// each one up a number; the eleventh is the only one ever removed.
inline constexpr int KeptCopies = 10;

// "config.txt.bak" beside "config.txt": the newest kept copy.
std::filesystem::path BackupFileName(const std::filesystem::path& file);
// The kept copy `age` places older than the newest: 0 is BackupFileName, 1 "config.txt.bak.1".
std::filesystem::path KeptCopyName(const std::filesystem::path& file, int age);
// Puts `bytes` (or, when there are none, a copy of `file` as it lies on the disk) in as the
// newest kept copy, after moving the older ones up a number. Nothing is written over: when a
// copy cannot be moved, the new one is not made and the result says why.
SaveResult KeepCopy(const std::filesystem::path& file, const std::optional<std::string>& bytes);

// Loads the table as LoadTriggerTable does and remembers what the file held.
TriggerTable LoadTriggerFile(const std::filesystem::path& file, TriggerFileHistory& history);

// Writes the table into the file as UpdateTriggerText does, over the file as it is read just
// before the save: only the lines of what changed are touched, and a table that holds what the
// file holds writes nothing at all. First, when the file on disk holds lines the new text drops
// or bytes it writes differently (lines the load could not take in, another encoding, an
// earlier line of a deleted trigger, or a change by someone else since this run last read or
// wrote it), its bytes are kept as the newest kept copy (KeepCopy); if that copy cannot be
// made, the file is left as it is and the result says why.
// A file above MaxTriggerFileSize is never read: it is copied as it is before being replaced
// by the table alone.
// A file that is there but cannot be read (another program holds it, access is refused) is
// never taken for an absent one: the save fails as busy (SaveResult::busy), the file as it was.
// The same look is taken again just before each attempt to replace the file.
// `read` reads the file (tests give one that finds it locked).
SaveResult SaveTriggerFile(const std::filesystem::path& file, const TriggerTable& table,
                           TriggerFileHistory& history, const FileReader& read = ReadFileUpTo);

}  // namespace tarquel
