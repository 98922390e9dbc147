#include "store/trigger_file.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "store/trigger_line_syntax.h"
#include "util/text_lines.h"

namespace tarquel {

namespace {

constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

enum class LineKind : std::uint8_t { Blank, Comment, Entry, Options, Group };

// Reads the lines of a trigger file one by one into a table. Their code units are bytes:
// UTF-8, or the ANSI bytes 1.0 read, which `ansi` converts field by field so that a double-byte
// code page splits exactly as 1.0 split it.
class LineReader {
 public:
  LineReader(bool ansi, std::size_t maxEntries) : ansi_(ansi), maxEntries_(maxEntries) {}

  LineKind Take(std::string_view line) {
    if (line.empty()) return Other(LineKind::Blank);
    const std::size_t equals = line.find('=');
    if (equals == 0) return Other(LineKind::Comment);  // no trigger: 1.0 skipped it too
    if (equals != std::string_view::npos) {
      const EntryInfo info{pending_.value_or(TriggerOptions{}), group_};
      pending_.reset();
      table.Set(Field(line.substr(0, equals)), Field(line.substr(equals + 1)), info);
      if (table.size() > maxEntries_) tooMany = true;
      return LineKind::Entry;
    }
    if (std::optional<TriggerOptions> options = ParseOptionsLine(line)) {
      Stray();
      pending_ = *options;
      return LineKind::Options;
    }
    if (std::optional<TriggerGroup> group = ParseGroupLine(line, ansi_ ? &DecodeAnsi : nullptr)) {
      Stray();
      if (std::optional<std::size_t> present = table.FindGroup(group->name)) {
        // The first line of a name says what the group is; a later one only goes on with it.
        if (table.Groups()[*present] != *group) ++dropped;
        group_ = *present;
      } else {
        group_ = table.AddGroup(std::move(*group));
      }
      return LineKind::Group;
    }
    if (LooksLikeOptionsOrGroupLine(line)) ++dropped;
    return Other(LineKind::Comment);
  }

  // The end of the text: an options line at the very end belongs to nothing.
  void Finish() { Stray(); }

  // The group the lines taken so far have put the next entry in.
  std::size_t Group() const { return group_; }

  std::string Field(std::string_view bytes) const {
    return ansi_ ? DecodeAnsi(bytes) : std::string(bytes);
  }

  TriggerTable table;
  std::size_t dropped = 0;
  bool tooMany = false;

 private:
  static std::string DecodeAnsi(std::string_view bytes) {
    return IsAscii(bytes) ? std::string(bytes) : AnsiToUtf8(bytes);
  }

  LineKind Other(LineKind kind) {
    Stray();
    return kind;
  }

  // Options waiting for an entry that did not come.
  void Stray() {
    if (pending_) ++dropped;
    pending_.reset();
  }

  bool ansi_;
  std::size_t maxEntries_;
  std::optional<TriggerOptions> pending_;
  std::size_t group_ = 0;
};

// A trigger file's text as UTF-8 (or, for `ansi`, the ANSI bytes still to be converted per
// field), split at the first Ctrl+Z.
struct DecodedText {
  DecodedText() = default;
  // `head` and `tail` may point into `storage`.
  DecodedText(const DecodedText&) = delete;
  DecodedText& operator=(const DecodedText&) = delete;

  std::string storage;
  std::string_view head;
  std::string_view tail;
  bool ansi = false;
  bool byteOrderMark = false;
  std::size_t invalid = 0;
  TextEncoding encoding = TextEncoding::Utf8;
};

void Decode(std::string_view bytes, DecodedText& text) {
  text.encoding = DetectEncoding(bytes);
  std::string_view content = bytes.substr(ByteOrderMarkLength(text.encoding));
  switch (text.encoding) {
    case TextEncoding::Utf8:
      break;
    case TextEncoding::Ansi:
      text.ansi = true;
      break;
    case TextEncoding::Utf8WithBom:
      text.byteOrderMark = true;
      if (!IsValidUtf8(content)) {
        text.storage = RepairUtf8(content, &text.invalid);
        content = text.storage;
      }
      break;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
      // Decoded first: in UTF-8 a byte 0x0A, 0x1A or "=" is only ever that character, so the
      // lines split on the UTF-16 file's characters, never on half of one.
      text.storage =
          Utf16BytesToUtf8(content, text.encoding == TextEncoding::Utf16Be, &text.invalid);
      content = text.storage;
      break;
  }
  text.head = TextBeforeCtrlZ(content);
  text.tail = content.substr(text.head.size());
}

TriggerTable ParseLines(std::string_view text, bool ansi, std::size_t maxEntries,
                        std::size_t& dropped, bool& tooMany) {
  LineReader reader(ansi, maxEntries);
  std::string_view rest = text;
  while (!rest.empty()) {
    reader.Take(TakeLine(rest));
    if (reader.tooMany) {
      tooMany = true;
      return TriggerTable();
    }
  }
  reader.Finish();
  dropped = reader.dropped;
  return std::move(reader.table);
}

std::string EntryLine(std::string_view trigger, std::string_view expansion) {
  std::string line;
  line.reserve(trigger.size() + 1 + expansion.size());
  line += trigger;
  line += '=';
  line += expansion;
  return line;
}

// A line of the file as it is, with what the update does to it.
struct OldLine {
  std::string_view raw;
  std::string_view ending;
  LineKind kind = LineKind::Blank;
  // The group (in the file's own table) whose part of the file the line is in; for a group
  // line, its group.
  std::size_t group = 0;
  bool removed = false;
  std::optional<std::string> rewritten;
  // A new options line goes right before this entry.
  std::optional<std::string> optionsBefore;
};

// A line of the new text.
struct NewLine {
  std::string text;
  std::string_view ending;
  LineKind kind = LineKind::Blank;
  // An options line of the file that belonged to no entry: it must not come to stand above one.
  bool strayOptions = false;
};

void AppendEntryLines(std::vector<NewLine>& out, const TriggerTable& table,
                      const std::string& trigger) {
  const TriggerOptions& options = table.InfoOf(trigger).options;
  if (!options.empty()) out.push_back({FormatOptionsLine(options), {}, LineKind::Options, false});
  out.push_back({EntryLine(trigger, *table.Find(trigger)), {}, LineKind::Entry, false});
}

}  // namespace

TriggerTable ParseTriggerText(std::string_view bytes, TriggerLoadInfo* info,
                              std::size_t maxEntries) {
  std::size_t dropped = 0;
  bool tooMany = false;
  DecodedText text;
  Decode(bytes, text);
  TriggerTable table = ParseLines(text.head, text.ansi, maxEntries, dropped, tooMany);
  if (info != nullptr) {
    info->droppedLines = dropped;
    info->encoding = text.encoding;
    info->invalidSequences = text.invalid;
    info->tooManyEntries = tooMany;
  }
  return table;
}

TriggerTextUpdate UpdateTriggerText(std::string_view current, const TriggerTable& table) {
  TriggerTextUpdate update;
  DecodedText file;
  Decode(current, file);
  update.changesEncoding = file.ansi || file.encoding == TextEncoding::Utf16Le ||
                           file.encoding == TextEncoding::Utf16Be || file.invalid > 0;

  // The file's own lines and what they mean.
  LineReader reader(file.ansi, std::numeric_limits<std::size_t>::max());
  std::vector<OldLine> lines;
  std::map<std::string, std::vector<std::size_t>, std::less<>> linesOf;
  for (std::string_view rest = file.head; !rest.empty();) {
    const std::size_t before = rest.size();
    const char* start = rest.data();
    const std::string_view raw = TakeLine(rest);
    OldLine line;
    line.raw = raw;
    line.ending = std::string_view(start + raw.size(), before - rest.size() - raw.size());
    line.kind = reader.Take(raw);
    line.group = reader.Group();
    if (line.kind == LineKind::Entry) {
      linesOf[reader.Field(raw.substr(0, raw.find('=')))].push_back(lines.size());
    }
    lines.push_back(line);
  }
  reader.Finish();
  const TriggerTable& old = reader.table;
  const auto groupName = [](const TriggerTable& of, std::string_view trigger) -> const auto& {
    return of.Groups()[of.InfoOf(trigger).group].name;
  };

  // The lines of a trigger that leaves its place: every line of it, with its options line; an
  // earlier line that a later one overrode is lost with it.
  const auto removeAll = [&](const std::vector<std::size_t>& at) {
    for (std::size_t i : at) {
      lines[i].removed = true;
      if (i > 0 && lines[i - 1].kind == LineKind::Options) lines[i - 1].removed = true;
    }
    if (at.size() > 1) update.dropsLines = true;
  };
  for (const auto& [trigger, at] : linesOf) {
    const std::string* expansion = table.Find(trigger);
    if (expansion == nullptr || groupName(table, trigger) != groupName(old, trigger)) {
      removeAll(at);
      continue;
    }
    // The last line is the one in force.
    const std::size_t last = at.back();
    if (*expansion != *old.Find(trigger)) lines[last].rewritten = EntryLine(trigger, *expansion);
    const TriggerOptions& options = table.InfoOf(trigger).options;
    if (options == old.InfoOf(trigger).options) continue;
    const bool hasOptionsLine = last > 0 && lines[last - 1].kind == LineKind::Options;
    if (options.empty()) {
      if (hasOptionsLine) lines[last - 1].removed = true;
    } else if (hasOptionsLine) {
      lines[last - 1].rewritten = FormatOptionsLine(options);
    } else {
      lines[last].optionsBefore = FormatOptionsLine(options);
    }
  }

  // Groups whose switch, programs or defaults changed: each of their lines says the new ones.
  for (const TriggerGroup& group : table.Groups()) {
    if (group.name.empty()) continue;
    const std::optional<std::size_t> present = old.FindGroup(group.name);
    if (!present || old.Groups()[*present] == group) continue;
    for (OldLine& line : lines) {
      if (line.kind == LineKind::Group && line.group == *present) {
        line.rewritten = FormatGroupLine(group);
      }
    }
  }

  // New entries and those moved to another group, in table order, by the group they go to.
  std::map<std::size_t, std::vector<const std::string*>> added;
  for (const auto& [trigger, expansion] : table) {
    if (old.Find(trigger) == nullptr || groupName(table, trigger) != groupName(old, trigger)) {
      added[table.InfoOf(trigger).group].push_back(&trigger);
    }
  }

  // Where a group's new entries go, as the number of the line they follow (0: before the
  // first line): after the last entry of the group's last part of the file, or, in a part with
  // no entry, after its last line that is not blank (never right after an options line, which
  // would then fall on the new entry).
  const auto placeOf = [&](std::size_t oldGroup) {
    std::size_t begin = 0;
    std::size_t end = lines.size();
    if (oldGroup == 0) {
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Group) {
          end = i;
          break;
        }
      }
    } else {
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Group && lines[i].group == oldGroup) begin = i;
      }
      for (end = begin + 1; end < lines.size() && lines[end].kind != LineKind::Group; ++end) {
      }
    }
    std::optional<std::size_t> place;
    for (std::size_t i = begin; i < end; ++i) {
      if (lines[i].kind == LineKind::Entry) place = i + 1;
    }
    if (place) return *place;
    for (std::size_t i = end; i > begin; --i) {
      const LineKind kind = lines[i - 1].kind;
      if (kind != LineKind::Blank && kind != LineKind::Options) return i;
    }
    return begin;
  };
  std::vector<std::vector<const std::string*>> insertAfter(lines.size() + 1);
  std::vector<std::size_t> newGroups;
  for (std::size_t group = 0; group < table.Groups().size(); ++group) {
    const std::optional<std::size_t> present = old.FindGroup(table.Groups()[group].name);
    if (!present) {
      newGroups.push_back(group);
      continue;
    }
    auto it = added.find(group);
    if (it == added.end()) continue;
    std::vector<const std::string*>& slot = insertAfter[placeOf(*present)];
    slot.insert(slot.end(), it->second.begin(), it->second.end());
  }

  // The new text, line by line.
  std::vector<NewLine> out;
  out.reserve(lines.size() + table.size() - std::min(table.size(), old.size()));
  const auto emitAdded = [&](std::size_t slot) {
    for (const std::string* trigger : insertAfter[slot]) AppendEntryLines(out, table, *trigger);
  };
  emitAdded(0);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    OldLine& line = lines[i];
    if (line.optionsBefore) {
      out.push_back({std::move(*line.optionsBefore), {}, LineKind::Options, false});
    }
    if (!line.removed) {
      NewLine kept{{}, line.ending, line.kind, false};
      if (line.rewritten) {
        kept.text = std::move(*line.rewritten);
      } else if (!file.ansi) {
        kept.text = line.raw;
      } else if (line.kind == LineKind::Entry) {
        const std::size_t equals = line.raw.find('=');
        kept.text = EntryLine(reader.Field(line.raw.substr(0, equals)),
                              reader.Field(line.raw.substr(equals + 1)));
      } else {
        kept.text = reader.Field(line.raw);
      }
      kept.strayOptions = line.kind == LineKind::Options &&
                          (i + 1 == lines.size() || lines[i + 1].kind != LineKind::Entry);
      out.push_back(std::move(kept));
    }
    emitAdded(i + 1);
  }
  for (std::size_t group : newGroups) {
    if (!out.empty() && !out.back().text.empty()) out.push_back({});
    out.push_back({FormatGroupLine(table.Groups()[group]), {}, LineKind::Group, false});
    if (auto it = added.find(group); it != added.end()) {
      for (const std::string* trigger : it->second) AppendEntryLines(out, table, *trigger);
    }
  }

  // An options line that belonged to no entry and now stands above one would give it options:
  // it goes (the last first, as the one above it may then stand above the entry in turn).
  std::vector<bool> keep(out.size(), true);
  bool nextIsEntry = false;
  for (std::size_t i = out.size(); i-- > 0;) {
    if (out[i].strayOptions && nextIsEntry) {
      keep[i] = false;
      update.dropsLines = true;
      continue;
    }
    nextIsEntry = out[i].kind == LineKind::Entry;
  }

  std::string_view lineEnd = "\r\n";
  for (const OldLine& line : lines) {
    if (!line.ending.empty()) {
      lineEnd = line.ending;
      break;
    }
  }
  const bool lastWithoutEnd = !lines.empty() && lines.back().ending.empty();
  std::size_t lastKept = out.size();
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (keep[i]) lastKept = i;
  }
  std::string body;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!keep[i]) continue;
    body += out[i].text;
    std::string_view ending = out[i].ending.empty() ? lineEnd : out[i].ending;
    if (i == lastKept && lastWithoutEnd) ending = {};
    // A CR that ends the line's own text must not be taken for half of its line end.
    if (ending == "\n" && out[i].text.ends_with('\r')) ending = "\r\n";
    body += ending;
  }
  // The table holds UTF-8; should a byte string that is not slip in, the file must still read
  // back as UTF-8 rather than turn every other line into ANSI.
  if (!IsValidUtf8(body)) body = RepairUtf8(body);

  // A first line that begins with U+FEFF would be read back as a byte-order mark and lose it:
  // such a file gets a mark in front.
  if (file.byteOrderMark || body.starts_with(Utf8ByteOrderMark)) {
    update.text = Utf8ByteOrderMark;
  }
  update.text += body;
  update.text += file.ansi && !IsAscii(file.tail) ? AnsiToUtf8(file.tail) : std::string(file.tail);
  return update;
}

std::string FormatTriggerText(const TriggerTable& table) {
  return UpdateTriggerText({}, table).text;
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
