#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/trigger_table.h"

namespace tarquel {

// The lower-case form used to compare texts without regard to case: ASCII, Latin-1, Latin
// Extended-A and -B, Latin Extended Additional (Vietnamese), Greek, Cyrillic, Armenian and the
// full-width letters. One code point maps to one (İ to i, ẞ to ß); anything else is kept.
char32_t FoldCodePoint(char32_t c);
// `text` (UTF-8) with every code point folded; ill-formed bytes are kept as they are.
std::string FoldCase(std::string_view text);

// The rows of the trigger list and the search popup: the entries whose trigger or expansion
// contains the query, ignoring case, in table order. Kept between calls so that a query typed
// one more letter at a time only looks again at the rows the shorter query left.
class TriggerSearch {
 public:
  explicit TriggerSearch(const TriggerTable& table) : table_(table) {}

  // Filters the table by `query` (every entry when it is empty). The rows stay valid until the
  // table changes; call TableChanged then, before the rows are used again.
  const std::vector<const TriggerTable::Entry*>& Filter(std::string_view query);
  void TableChanged() { valid_ = false; }
  // Only the entries of this group (by index into the table's groups; 0: those of no group)
  // from the next Filter on; nullopt: every group.
  void SetGroup(std::optional<std::size_t> group) {
    if (group != group_) valid_ = false;
    group_ = group;
  }

  const std::vector<const TriggerTable::Entry*>& Rows() const { return rows_; }
  const std::string& Query() const { return query_; }
  // The row of the entry with this trigger, or npos when it is not shown.
  std::size_t RowOf(std::string_view trigger) const;

 private:
  const TriggerTable& table_;
  std::vector<const TriggerTable::Entry*> rows_;
  std::string query_;
  std::string foldedQuery_;
  std::optional<std::size_t> group_;
  bool valid_ = false;
};

// An entry matches a folded, non-empty query.
bool EntryMatches(const TriggerTable::Entry& entry, std::string_view foldedQuery);

// EntryMatches, and also every entry of a group whose name holds the query: typing "Mail" lists
// the group Mail.
class EntryQuery {
 public:
  // `foldedQuery` must outlive the query.
  EntryQuery(const TriggerTable& table, std::string_view foldedQuery);
  bool Matches(const TriggerTable::Entry& entry) const;

 private:
  const TriggerTable& table_;
  std::string_view query_;
  // By group index; empty when the table has no named group.
  std::vector<bool> groupFound_;
};

}  // namespace tarquel
