#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/match/trigger_table.h"
#include "util/file_io.h"
#include "util/text_encoding.h"

namespace tarquel {

inline constexpr const char* TriggerFileName = "config.txt";

// Far beyond any table typed by hand (a million long entries); a file larger than this is not
// a trigger file, and reading it whole could exhaust memory at start.
inline constexpr std::size_t MaxTriggerFileSize = std::size_t{64} << 20;
// The same bound in entries: 64 MiB of short lines would make a table of some sixteen million
// entries, gigabytes in memory with its index.
inline constexpr std::size_t MaxTriggerEntries = 1'000'000;

// What a load saw besides the entries, so that the first save can keep a copy of a file that
// holds lines whose meaning the table cannot hold, or bytes a save writes differently.
struct TriggerLoadInfo {
  bool opened = false;
  // Above MaxTriggerFileSize: not read, the table is empty.
  bool tooLarge = false;
  // More entries than the parse was allowed: it stopped there, and the table is empty.
  bool tooManyEntries = false;
  // Lines that look like an options or group line but are not one (an unknown word, two
  // words that contradict each other), an options line with no entry right below it, and a
  // group line that repeats a group's name with other settings. A save keeps them as they are,
  // but the user meant something by them that the table does not hold.
  std::size_t droppedLines = 0;
  TextEncoding encoding = TextEncoding::Utf8;
  // Ill-formed parts that became U+FFFD (lone surrogates of UTF-16, bad sequences after a UTF-8
  // byte-order mark) and a last odd byte of a UTF-16 file, which is dropped.
  std::size_t invalidSequences = 0;

  // A save writes UTF-8, with a byte-order mark only where the file had one, so a UTF-16 or
  // ANSI file's own bytes, or the ill-formed parts of a marked UTF-8 one, are not given back.
  bool SaveChangesEncoding() const {
    return encoding == TextEncoding::Ansi || encoding == TextEncoding::Utf16Le ||
           encoding == TextEncoding::Utf16Be ||
           (encoding == TextEncoding::Utf8WithBom && invalidSequences > 0);
  }
};

// Reads the bytes of a trigger file, in the encoding DetectEncoding finds, into UTF-8 entries.
// Then, on its characters: lines end in CR LF or LF, a CR not followed by LF belongs to the
// line, a Ctrl+Z (U+001A) ends the text. A line with an "=" after its first character is an
// entry: the first "=" splits, nothing is trimmed, and a later line with the same trigger
// replaces the entry. Lines without "=" are options lines, group lines (trigger_line_syntax.h)
// or comments. ANSI bytes are split as 1.0 split them, on bytes, and each trigger and expansion
// converted after. Beyond `maxEntries` entries the parse stops and gives an empty table
// (info->tooManyEntries).
TriggerTable ParseTriggerText(std::string_view bytes, TriggerLoadInfo* info = nullptr,
                              std::size_t maxEntries = MaxTriggerEntries);

// What a save writes over a trigger file.
struct TriggerTextUpdate {
  // UTF-8, with a byte-order mark where the file had one.
  std::string text;
  // Lines go that are not the lines of entries deleted or changed: an earlier line of a
  // trigger that is deleted or moved to another group, or an options line that belonged to no
  // entry and would now fall on one. The text loses something of the file's.
  bool dropsLines = false;
  // The file is in an encoding `text` is not (ANSI, UTF-16, a marked UTF-8 file repaired).
  bool changesEncoding = false;
};

// The file `current` (its bytes, as read just before the save) with the table's entries and
// groups written into it, and nothing else touched: an entry whose expansion or options changed
// gets its lines rewritten, one no longer in the table loses its line and its options line, a
// new one goes after the last entry of its group (for entries of no group: before the first
// group line), a group whose switch, programs or defaults changed gets its line rewritten, and
// a new group comes at the end. Comments, blank lines, the order, the line ends, a last line
// without one, a byte-order mark and anything after a Ctrl+Z stay as they are, so a table that
// holds what the file holds gives the file back byte for byte (once it is UTF-8).
TriggerTextUpdate UpdateTriggerText(std::string_view current, const TriggerTable& table);
// The table as a new file: the entries of no group, then each group with its entries, in table
// order, lines ending in CR LF, as UTF-8 without a byte-order mark, except when the first
// trigger itself begins with U+FEFF: a mark in front then keeps that character from being read
// back as one.
std::string FormatTriggerText(const TriggerTable& table);

TriggerTable LoadTriggerTable(const std::filesystem::path& fileName,
                              TriggerLoadInfo* info = nullptr);
// Replaces the file whole; on failure the old file is untouched and the result says why.
SaveResult SaveTriggerTable(const std::filesystem::path& fileName, const TriggerTable& table);

}  // namespace tarquel
