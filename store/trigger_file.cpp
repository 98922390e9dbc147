#include "store/trigger_file.h"

#include <algorithm>

#include "store/option_lines.h"
#include "util/text_lines.h"

namespace tarquel {

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The lines of `text`, whose code units are bytes: UTF-8, or the ANSI bytes 1.0 read, which
// `ansi` has converted field by field so that a double-byte code page splits exactly as 1.0
// split it.
TriggerTable ParseLines(std::string_view text, bool ansi, std::size_t maxEntries,
                        std::size_t& dropped, bool& tooMany) {
  TriggerTable table;
  const auto field = [ansi](std::string_view bytes) {
    return ansi && !IsAscii(bytes) ? AnsiToUtf8(bytes) : std::string(bytes);
  };

  std::string_view rest = TextBeforeCtrlZ(text);
  // Lines after the Ctrl+Z are lost to a save, like skipped ones.
  if (text.find_first_not_of("\r\n", rest.size() + 1) != std::string_view::npos) ++dropped;

  OptionLineState options;
  while (!rest.empty()) {
    std::string_view line = TakeLine(rest);
    if (line.empty()) continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      // Read, but a save does not write them yet: still dropped, so the first save keeps a copy.
      if (equals == std::string_view::npos && !ReadOptionLine(field(line), table, options)) {
        options.next.reset();
      }
      ++dropped;
      continue;
    }
    const std::size_t entries = table.size();
    if (options.next || options.group != 0) {
      table.Set(field(line.substr(0, equals)), field(line.substr(equals + 1)),
                EntryInfo{options.next.value_or(TriggerOptions{}), options.group});
      options.next.reset();
    } else {
      table.Set(field(line.substr(0, equals)), field(line.substr(equals + 1)));
    }
    if (table.size() == entries) ++dropped;  // replaced an earlier line's entry
    if (table.size() > maxEntries) {
      tooMany = true;
      return TriggerTable();
    }
  }
  return table;
}

}  // namespace

TriggerTable ParseTriggerText(std::string_view bytes, TriggerLoadInfo* info,
                              std::size_t maxEntries) {
  std::size_t dropped = 0;
  bool tooMany = false;
  std::size_t invalid = 0;
  const TextEncoding encoding = DetectEncoding(bytes);
  const std::string_view content = bytes.substr(ByteOrderMarkLength(encoding));

  TriggerTable table;
  switch (encoding) {
    case TextEncoding::Utf8:
      table = ParseLines(content, false, maxEntries, dropped, tooMany);
      break;
    case TextEncoding::Ansi:
      table = ParseLines(content, true, maxEntries, dropped, tooMany);
      break;
    case TextEncoding::Utf8WithBom:
      if (IsValidUtf8(content)) {
        table = ParseLines(content, false, maxEntries, dropped, tooMany);
      } else {
        table = ParseLines(RepairUtf8(content, &invalid), false, maxEntries, dropped, tooMany);
      }
      break;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
      // Decoded first: in UTF-8 a byte 0x0A, 0x1A or "=" is only ever that character, so the
      // lines split on the UTF-16 file's characters, never on half of one.
      table = ParseLines(Utf16BytesToUtf8(content, encoding == TextEncoding::Utf16Be, &invalid),
                         false, maxEntries, dropped, tooMany);
      break;
  }

  if (info != nullptr) {
    info->droppedLines = dropped;
    info->encoding = encoding;
    info->invalidSequences = invalid;
    info->tooManyEntries = tooMany;
  }
  return table;
}

std::string FormatTriggerText(const TriggerTable& table) {
  std::size_t size = 0;
  for (const auto& [trigger, expansion] : table) size += trigger.size() + expansion.size() + 3;
  std::string text;
  text.reserve(size);
  for (const auto& [trigger, expansion] : table) {
    text += trigger;
    text += '=';
    text += expansion;
    text += "\r\n";
  }
  // The table holds UTF-8; should a byte string that is not slip in, the file must still read
  // back as UTF-8 rather than turn every other line into ANSI.
  if (!IsValidUtf8(text)) text = RepairUtf8(text);
  // A first trigger that begins with U+FEFF would be read back as a byte-order mark and lose
  // it: that one file is written with a mark in front.
  if (text.starts_with(Utf8ByteOrderMark)) text.insert(0, Utf8ByteOrderMark);
  return text;
}

TriggerTable LoadTriggerTable(const std::filesystem::path& fileName, TriggerLoadInfo* info) {
  FileRead read = ReadFileUpTo(fileName, MaxTriggerFileSize);
  if (info != nullptr) {
    *info = TriggerLoadInfo{};
    info->tooLarge = read.status == FileRead::Status::TooLarge;
  }
  if (read.status != FileRead::Status::Read) return TriggerTable();
  TriggerTable table = ParseTriggerText(read.bytes, info);
  if (info != nullptr) info->opened = true;
  return table;
}

SaveResult SaveTriggerTable(const std::filesystem::path& fileName, const TriggerTable& table) {
  return WriteFileAtomically(fileName, FormatTriggerText(table));
}

}  // namespace tarquel
