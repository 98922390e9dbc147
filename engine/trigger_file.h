#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/file_io.h"
#include "engine/trigger_table.h"

namespace tarquel {

inline constexpr const char* TriggerFileName = "config.txt";

// What a load saw besides the entries, so that the first save can keep a copy of a file that
// holds lines the table cannot give back.
struct TriggerLoadInfo {
  bool opened = false;
  // Non-empty lines skipped (no "=", empty trigger), entries overridden by a later line with
  // the same trigger, and anything after a Ctrl+Z byte.
  std::size_t droppedLines = 0;
};

// Reads the trigger file format: lines end in CR LF or LF, a CR not followed by LF belongs to
// the line, a byte 0x1A ends the text. The first "=" splits; nothing is trimmed.
TriggerTable ParseTriggerText(std::string_view text, TriggerLoadInfo* info = nullptr);
// trigger "=" expansion CR LF for each entry in table order.
std::string FormatTriggerText(const TriggerTable& table);

TriggerTable LoadTriggerTable(const std::filesystem::path& fileName,
                              TriggerLoadInfo* info = nullptr);
// Replaces the file whole; on failure the old file is untouched and the result says why.
SaveResult SaveTriggerTable(const std::filesystem::path& fileName, const TriggerTable& table);

}  // namespace tarquel
