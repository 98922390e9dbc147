#include "ui/trigger_filter.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tarquel {

namespace {

constexpr bool Even(char32_t c) {
  return c % 2 == 0;
}

bool InRange(char32_t c, char32_t first, char32_t last) {
  return c >= first && c <= last;
}

// Ranges where each capital is followed by its small letter.
struct PairedRange {
  char32_t first;
  char32_t last;
  bool capitalsEven;
};
constexpr PairedRange PairedRanges[] = {
    {0x0100, 0x012F, true}, {0x0132, 0x0137, true},  {0x0139, 0x0148, false},
    {0x014A, 0x0177, true}, {0x0179, 0x017E, false}, {0x01CD, 0x01DC, false},
    {0x01DE, 0x01EF, true}, {0x01F8, 0x021F, true},  {0x0222, 0x0233, true},
    {0x0460, 0x0481, true}, {0x048A, 0x04BF, true},  {0x04C1, 0x04CE, false},
    {0x04D0, 0x052F, true}, {0x1E00, 0x1E95, true},  {0x1EA0, 0x1EFF, true},
};

// Decodes one well-formed UTF-8 sequence at `text[at]`; 0 bytes when there is none.
std::size_t DecodeAt(std::string_view text, std::size_t at, char32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  code = lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(i) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || code > 0x10FFFF || InRange(code, 0xD800, 0xDFFF)) return 0;
  return length;
}

// Writes `code` at `out` and returns the end.
char* PutUtf8(char* out, char32_t code) {
  if (code < 0x80) {
    *out++ = static_cast<char>(code);
  } else if (code < 0x800) {
    *out++ = static_cast<char>(0xC0 | code >> 6);
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out++ = static_cast<char>(0xE0 | code >> 12);
    *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | code >> 18);
    *out++ = static_cast<char>(0x80 | (code >> 12 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// Folds `text` into `out`, replacing what it held; reused so that filtering a large table
// allocates once rather than once an entry. No folded letter is longer in UTF-8 than the
// letter it folds, so the text's own length is room enough.
void FoldInto(std::string_view text, std::string& out) {
  if (out.size() < text.size()) out.resize(text.size());
  char* const begin = out.data();
  char* write = begin;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) {
      *write++ = static_cast<char>(static_cast<unsigned>(lead - 'A') < 26u ? lead + 32 : lead);
      ++at;
      continue;
    }
    char32_t code = 0;
    const std::size_t length = DecodeAt(text, at, code);
    if (length == 0) {
      *write++ = text[at++];
      continue;
    }
    write = PutUtf8(write, FoldCodePoint(code));
    at += length;
  }
  out.resize(static_cast<std::size_t>(write - begin));
}

}  // namespace

char32_t FoldCodePoint(char32_t c) {
  if (c < 0x80) return InRange(c, 'A', 'Z') ? c + 32 : c;
  if (InRange(c, 0xC0, 0xDE) && c != 0xD7) return c + 32;
  if (c == 0x0130) return U'i';
  if (c == 0x0178) return 0xFF;
  if (c == 0x1E9E) return 0xDF;
  for (const PairedRange& range : PairedRanges) {
    if (InRange(c, range.first, range.last)) return Even(c) == range.capitalsEven ? c + 1 : c;
  }
  // Greek.
  if (InRange(c, 0x0391, 0x03AB) && c != 0x03A2) return c + 32;
  if (c == 0x0386) return 0x03AC;
  if (InRange(c, 0x0388, 0x038A)) return c + 37;
  if (c == 0x038C) return 0x03CC;
  if (c == 0x038E || c == 0x038F) return c + 63;
  if (c == 0x03C2) return 0x03C3;  // final sigma compares as sigma
  // Cyrillic.
  if (InRange(c, 0x0400, 0x040F)) return c + 80;
  if (InRange(c, 0x0410, 0x042F)) return c + 32;
  if (c == 0x04C0) return 0x04CF;
  // Armenian.
  if (InRange(c, 0x0531, 0x0556)) return c + 48;
  // Full-width Latin.
  if (InRange(c, 0xFF21, 0xFF3A)) return c + 32;
  return c;
}

std::string FoldCase(std::string_view text) {
  std::string folded;
  FoldInto(text, folded);
  return folded;
}

bool EntryMatches(const TriggerTable::Entry& entry, std::string_view foldedQuery) {
  thread_local std::string folded;
  FoldInto(entry.first, folded);
  if (folded.find(foldedQuery) != std::string::npos) return true;
  FoldInto(entry.second, folded);
  return folded.find(foldedQuery) != std::string::npos;
}

EntryQuery::EntryQuery(const TriggerTable& table, std::string_view foldedQuery)
    : table_(table), query_(foldedQuery) {
  if (table.Groups().size() < 2) return;
  for (const TriggerGroup& group : table.Groups()) {
    groupFound_.push_back(!group.name.empty() &&
                          FoldCase(group.name).find(query_) != std::string::npos);
  }
}

bool EntryQuery::Matches(const TriggerTable::Entry& entry) const {
  if (EntryMatches(entry, query_)) return true;
  return !groupFound_.empty() && groupFound_[table_.InfoOf(entry.first).group];
}

const std::vector<const TriggerTable::Entry*>& TriggerSearch::Filter(std::string_view query) {
  std::string folded = FoldCase(query);
  // A query that holds the last one can only narrow its rows.
  const bool narrows = valid_ && folded.find(foldedQuery_) != std::string::npos;
  if (narrows && folded == foldedQuery_) {
    query_ = query;
    return rows_;
  }
  const EntryQuery entryQuery(table_, folded);
  const auto inGroup = [this](const TriggerTable::Entry& entry) {
    return !group_ || table_.InfoOf(entry.first).group == *group_;
  };
  const auto matches = [&](const TriggerTable::Entry& entry) {
    return inGroup(entry) && (folded.empty() || entryQuery.Matches(entry));
  };
  if (narrows) {
    std::erase_if(rows_, [&](const TriggerTable::Entry* entry) { return !matches(*entry); });
  } else {
    rows_.clear();
    rows_.reserve(table_.size());
    for (const TriggerTable::Entry& entry : table_) {
      if (matches(entry)) rows_.push_back(&entry);
    }
  }
  query_ = query;
  foldedQuery_ = std::move(folded);
  valid_ = true;
  return rows_;
}

std::size_t TriggerSearch::RowOf(std::string_view trigger) const {
  // Rows keep the table's order, which is that of the triggers' bytes.
  auto found = std::lower_bound(
      rows_.begin(), rows_.end(), trigger,
      [](const TriggerTable::Entry* entry, std::string_view key) { return entry->first < key; });
  if (found == rows_.end() || (*found)->first != trigger) return static_cast<std::size_t>(-1);
  return static_cast<std::size_t>(found - rows_.begin());
}

}  // namespace tarquel
