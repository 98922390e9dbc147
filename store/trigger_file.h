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
// holds lines the table cannot give back, or bytes a save writes differently.
struct TriggerLoadInfo {
  bool opened = false;
  // Above MaxTriggerFileSize: not read, the table is empty.
  bool tooLarge = false;
  // More entries than the parse was allowed: it stopped there, and the table is empty.
  bool tooManyEntries = false;
  // Non-empty lines skipped (no "=", empty trigger), entries overridden by a later line with
  // the same trigger, and anything after a Ctrl+Z.
  std::size_t droppedLines = 0;
  TextEncoding encoding = TextEncoding::Utf8;
  // Ill-formed parts that became U+FFFD (lone surrogates of UTF-16, bad sequences after a UTF-8
  // byte-order mark) and a last odd byte of a UTF-16 file, which is dropped.
  std::size_t invalidSequences = 0;

  // A save writes UTF-8 without a byte-order mark, so the file's own bytes are not given back.
  bool SaveChangesEncoding() const { return encoding != TextEncoding::Utf8; }
};

// Reads the bytes of a trigger file, in the encoding DetectEncoding finds, into UTF-8 entries.
// Then, on its characters: lines end in CR LF or LF, a CR not followed by LF belongs to the
// line, a Ctrl+Z (U+001A) ends the text. The first "=" splits; nothing is trimmed. ANSI bytes
// are split as 1.0 split them, on bytes, and each trigger and expansion converted after.
// Beyond `maxEntries` entries the parse stops and gives an empty table (info->tooManyEntries).
TriggerTable ParseTriggerText(std::string_view bytes, TriggerLoadInfo* info = nullptr,
                              std::size_t maxEntries = MaxTriggerEntries);
// trigger "=" expansion CR LF for each entry in table order, as UTF-8 without a byte-order mark,
// except when the first trigger itself begins with U+FEFF: a mark in front then keeps that
// character from being read back as one.
std::string FormatTriggerText(const TriggerTable& table);

TriggerTable LoadTriggerTable(const std::filesystem::path& fileName,
                              TriggerLoadInfo* info = nullptr);
// Replaces the file whole; on failure the old file is untouched and the result says why.
SaveResult SaveTriggerTable(const std::filesystem::path& fileName, const TriggerTable& table);

}  // namespace tarquel
