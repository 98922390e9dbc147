#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/matcher_index.h"
#include "util/text_case.h"

namespace tarquel {

// When a trigger fires: on its own last character (as every trigger did before options), or
// when an ending character (a space, Enter, punctuation) follows it, which is then typed after
// the expansion or dropped.
enum class FireWhen : std::uint8_t { AtOnce, EndingKept, EndingDropped };
// Where the trigger may begin: anywhere, even inside a word, or only at a word start (the
// character before it is no letter or digit, or nothing is known before it).
enum class FireWhere : std::uint8_t { Anywhere, WordStart };
// How the typed text must match: exactly; in any case; in any case with the expansion
// following the case typed ("Btw" gives "By the way", "BTW" "BY THE WAY").
enum class CaseRule : std::uint8_t { Exact, Ignore, Conform };

// The options an entry or a group sets itself. What an entry leaves unset comes from its group,
// and what the group leaves unset is what every trigger did before options: at once, anywhere,
// exact case.
struct TriggerOptions {
  std::optional<FireWhen> when;
  std::optional<FireWhere> where;
  std::optional<CaseRule> caseRule;

  bool empty() const { return !when && !where && !caseRule; }
  // This entry's options over its group's defaults.
  TriggerOptions Over(const TriggerOptions& defaults) const {
    return {when ? when : defaults.when, where ? where : defaults.where,
            caseRule ? caseRule : defaults.caseRule};
  }
  friend bool operator==(const TriggerOptions&, const TriggerOptions&) = default;
};

// The options in force for an entry, nothing left unset.
struct ResolvedOptions {
  FireWhen when = FireWhen::AtOnce;
  FireWhere where = FireWhere::Anywhere;
  CaseRule caseRule = CaseRule::Exact;

  friend bool operator==(const ResolvedOptions&, const ResolvedOptions&) = default;
};
ResolvedOptions Resolve(const TriggerOptions& options);

// A named set of entries (mail, code, one customer) with defaults for their options, a switch,
// and the programs it is limited to or kept out of. Program values are written as `exclude=`
// takes them: "outlook.exe", "program:outlook.exe", "class:rctrl_renwnd32", "package:Name".
struct TriggerGroup {
  // Empty for the entries that belong to no group (those before the first group in the file).
  std::string name;
  bool enabled = true;
  TriggerOptions defaults;
  // Empty: every program. Otherwise the entries expand only where one of these names the
  // program with the focus.
  std::vector<std::string> onlyIn;
  // The entries never expand where one of these names the program with the focus.
  std::vector<std::string> notIn;

  friend bool operator==(const TriggerGroup&, const TriggerGroup&) = default;
};

// Whether a group's entries may expand where the focus is now: its switch is asked by the table,
// its programs by the caller, which finds out the program with the focus only when a trigger has
// matched.
class GroupFilter {
 public:
  virtual ~GroupFilter() = default;
  virtual bool Allows(const TriggerGroup& group) = 0;
};

// What an entry carries besides its expansion.
struct EntryInfo {
  TriggerOptions options;
  // Index into the table's groups; 0 is the entries of no group.
  std::size_t group = 0;

  friend bool operator==(const EntryInfo&, const EntryInfo&) = default;
};

// The user's triggers and their expansions, in unsigned byte-wise order of the triggers.
// std::string compares through char_traits<char>, which is specified to compare as unsigned
// char, so the standard ordering already is the order every walk of the table needs.
//
// Beside the entries the table keeps a MatcherIndex of the triggers, current through every
// insert, replace and erase, so that finding the trigger that ends the typed text does not
// grow with the table.
class TriggerTable {
 public:
  using Map = std::map<std::string, std::string, std::less<>>;
  using Entry = Map::value_type;
  using const_iterator = Map::const_iterator;

  // Longer triggers stay in the table (listed, saved) but are never found at the end of typed
  // text: the typed buffer never holds that many characters.
  static constexpr std::size_t LongestMatchableTrigger = MatcherIndex::LongestIndexedTrigger;

  TriggerTable() = default;
  // The index points into the map's keys, so a copy builds its own over its own keys.
  TriggerTable(const TriggerTable& other);
  TriggerTable& operator=(const TriggerTable& other);
  TriggerTable(TriggerTable&&) = default;
  TriggerTable& operator=(TriggerTable&&) = default;

  // Inserts the trigger or replaces its expansion. An empty trigger would end every text and
  // has no last key to swallow, so it is refused: the result is false and nothing changes.
  // A replaced entry keeps its options and group; a new one has none and belongs to no group.
  bool Set(std::string trigger, std::string expansion);
  // The same with the entry's options and group; a group index beyond Groups() is refused.
  bool Set(std::string trigger, std::string expansion, const EntryInfo& info);
  // Returns how many entries were removed: 0 or 1.
  std::size_t Erase(std::string_view trigger);

  const std::string* Find(std::string_view trigger) const;
  // The entry's options and group; an absent entry has none (and no group).
  const EntryInfo& InfoOf(std::string_view trigger) const;
  // The entry's options over its group's, nothing left unset.
  ResolvedOptions OptionsOf(std::string_view trigger) const;

  // Groups in the order the file has them; [0] is always the unnamed one of the entries of no
  // group.
  const std::vector<TriggerGroup>& Groups() const { return groups_; }
  // Adds a group at the end and returns its index; a name already present gives that group's
  // index and changes nothing. The unnamed group cannot be added twice.
  std::size_t AddGroup(TriggerGroup group);
  // Replaces the group's switch, defaults and programs (its name too); false for an index
  // beyond Groups() or a name another group has.
  bool SetGroup(std::size_t index, TriggerGroup group);
  // The index of the group with this name, or nullopt.
  std::optional<std::size_t> FindGroup(std::string_view name) const;
  // The first trigger in table order that fires at once with exact case (as every entry of 1.0
  // does) and that `typed` ends with, or nullptr; triggers longer than LongestMatchableTrigger
  // are not considered. Where and group are not looked at: Match does that.
  const Entry* FindTriggerEnding(std::string_view typed) const;

  // The text a key has left, as the matcher asks the table about it.
  struct Typed {
    // What the user typed, as UTF-8, and the same with every character folded (FoldText), so
    // that both hold the same number of characters.
    std::string_view text;
    std::string_view folded;
    // Whatever came before `text` was no letter or digit, or nothing is known before it (the
    // start of a field, a click, Enter, an expansion).
    bool startsWord = true;
  };
  // An entry that fires on this key.
  struct Match {
    const Entry* entry = nullptr;
    ResolvedOptions options;
    // Bytes at the end of `text` that the trigger takes, as typed (its case may differ).
    std::size_t typedBytes = 0;
    // Characters of the trigger.
    std::size_t characters = 0;
  };
  // The entry that fires when `typed` has just been typed: among those with when = at once if
  // `afterEnding` is false, else among those that fire after an ending character (which `typed`
  // no longer holds). Of all that end the text in their case rule, begin where their `where`
  // allows and belong to a group that is on and that `filter` allows, an exact-case entry comes
  // before one that ignores case, and then the first in table order wins. Only what matched is
  // looked up: a key that ends no trigger costs a walk of the indexes.
  std::optional<Match> MatchTyped(const Typed& typed, bool afterEnding, GroupFilter& filter) const;
  // Whether `a` wins over `b` when both could fire on the same key.
  static bool Before(const Match& a, const Match& b);
  // The entry that fires on the key that has just left `typed`: one that fires at once and ends
  // it, or, when that key typed one ending character (the last `endingBytes` bytes of the text,
  // 0 when it typed none), one that fires after it and ends the text before it; of both, the
  // one Before the other. `endingBytes` of the match is what the ending character took.
  struct KeyMatch {
    Match match;
    std::size_t endingBytes = 0;
  };
  std::optional<KeyMatch> MatchKey(const Typed& typed, std::size_t endingBytes,
                                   GroupFilter& filter) const;
  // Whether any entry fires after an ending character: when none does, an ending character is
  // just a character.
  bool HasEndingTriggers() const { return !endingExact_.Empty() || !endingFolded_.index.Empty(); }

  bool empty() const { return entries_.empty(); }
  std::size_t size() const { return entries_.size(); }
  const_iterator begin() const { return entries_.begin(); }
  const_iterator end() const { return entries_.end(); }

 private:
  // The triggers of entries that ignore case, under their folded form: several may share one.
  struct FoldedIndex {
    std::map<std::string, std::vector<const Entry*>, std::less<>> entries;  // in table order
    MatcherIndex index;
    void Add(const Entry& entry);
    void Remove(const Entry& entry);
  };
  enum class IndexKind : std::uint8_t { AtOnceExact, EndingExact, AtOnceFolded, EndingFolded };
  static IndexKind KindOf(const ResolvedOptions& options);
  ResolvedOptions OptionsOf(const EntryInfo& info) const;
  void AddToIndex(const Entry& entry, IndexKind kind);
  void RemoveFromIndex(const Entry& entry, IndexKind kind);
  // Every entry into the index its options ask for: after a copy, or a group's defaults changed.
  void Reindex();
  void ConsiderExact(const Typed& typed, std::size_t length, bool afterEnding, GroupFilter& filter,
                     std::optional<Match>& best) const;
  void ConsiderFolded(const Typed& typed, std::size_t foldedLength, const FoldedIndex& folded,
                      GroupFilter& filter, std::optional<Match>& best) const;
  // Whether the entry may fire here: where, and its group's switch and programs.
  bool Fires(const ResolvedOptions& options, std::size_t group, const Typed& typed,
             std::size_t typedBytes, GroupFilter& filter) const;

  Map entries_;
  // At once, exact case: every entry of 1.0.
  MatcherIndex index_;
  MatcherIndex endingExact_;
  FoldedIndex atOnceFolded_;
  FoldedIndex endingFolded_;
  // Only the entries with options or a group, so that a table of 1.0 costs nothing more.
  std::map<std::string, EntryInfo, std::less<>> info_;
  std::vector<TriggerGroup> groups_ = std::vector<TriggerGroup>(1);
};

inline constexpr std::string_view DefaultDemoTrigger = ":demo";
inline constexpr std::string_view DefaultDemoExpansion = "Hello World";
inline constexpr std::string_view DefaultMailTrigger = ":mail";
inline constexpr std::string_view DefaultMailExpansion = "someone@example.com";

// Gives an empty table the two example triggers; a table with any entry is left alone.
void AddDefaultTriggers(TriggerTable& table);

}  // namespace tarquel
