// "Keep both" puts theirs under a trigger the user can type: typed into the real engine, it
// fires theirs and nothing earlier, with at-once and word triggers, exact and ignored case, and
// the ending characters of the settings; and the engine's own verdict on any trigger agrees with
// the check the plan makes.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/match/expander.h"
#include "engine/match/typed_trigger.h"
#include "store/import_plan.h"
#include "tests/support/fake_layouts.h"
#include "tests/support/fake_output.h"
#include "tests/support/import_results.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ImportAhk;
using testing::RecordingOutput;

// What the engine sends first when `typed` is typed at the start of a word, and the index of
// the character whose key fired it (npos when nothing fired).
struct Fired {
  std::string expansion;
  std::size_t key = std::string::npos;
};

Fired TypeInto(const TriggerTable& table, std::string_view typed, std::string_view endings) {
  RecordingOutput output;
  testing::FakeLayout layout = testing::UsLayout();
  Expander expander(table, output, layout);
  expander.SetEndingCharacters(endings);
  const std::vector<std::size_t> swallowed = testing::Type(expander, typed);
  if (output.full.empty() || swallowed.empty()) return {};
  return {output.full.front().expansion, swallowed.front()};
}

constexpr TriggerOptions AtOnce{FireWhen::AtOnce, FireWhere::Anywhere, CaseRule::Exact};
constexpr TriggerOptions Word{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Exact};
constexpr TriggerOptions WordAnywhere{FireWhen::EndingKept, FireWhere::Anywhere, CaseRule::Exact};
constexpr TriggerOptions IgnoreCase{FireWhen::AtOnce, FireWhere::Anywhere, CaseRule::Ignore};

std::string AhkOptions(const TriggerOptions& options) {
  std::string text = ":";
  if (options.when == FireWhen::AtOnce) text += "*";
  if (options.where == FireWhere::Anywhere) text += "?";
  if (options.caseRule == CaseRule::Exact) text += "C";
  if (options.caseRule == CaseRule::Ignore) text += "C1";
  return text + ":";
}

struct Row {
  const char* name;
  std::string trigger;
  TriggerOptions mine;
  TriggerOptions theirs;
  std::string_view endings;
  // What the plan is expected to pick.
  std::string both;
};

TEST(KeepBothTrigger, FiresTheirsWhenTypedAndLeavesMineAsItWas) {
  const std::vector<Row> rows = {
      // ":demo-2" would fire ":demo" on its "o": the number goes in front, and "2:demo" comes
      // before ":demo" when both end the text.
      {"at once", ":demo", AtOnce, AtOnce, DefaultEndingCharacters, "2:demo"},
      // Mine waits for an ending character, and "-" is one: "btw-" would fire mine. In front,
      // mine is no word start.
      {"word triggers", "btw", Word, Word, DefaultEndingCharacters, "2btw"},
      // Without "-" among the ending characters "btw-2" can be typed, and is kept.
      {"word triggers, no hyphen", "btw", Word, Word, " .", "btw-2"},
      // Mine fires at once wherever "btw" ends the text: theirs must not end in it.
      {"mine at once, theirs a word", "btw", AtOnce, Word, DefaultEndingCharacters, "b2tw"},
      // "2/sig" loses to "/sig" on the last key ("/" comes before "2").
      {"leading slash", "/sig", AtOnce, AtOnce, DefaultEndingCharacters, "/2sig"},
      // An exact trigger wins over one that ignores case whatever their order.
      {"theirs ignores case", "sig", AtOnce, IgnoreCase, DefaultEndingCharacters, "s2ig"},
      {"mine ignores case", "sig", IgnoreCase, AtOnce, DefaultEndingCharacters, "2sig"},
      // Mine fires after an ending character wherever it ends the text.
      {"mine a word anywhere", "btw", WordAnywhere, Word, DefaultEndingCharacters, "2btw"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TriggerTable table;
    ASSERT_TRUE(table.Set(row.trigger, "mine", EntryInfo{row.mine, 0}));
    const ImportResult result =
        ImportAhk(AhkOptions(row.theirs) + row.trigger + "::theirs\n::other::x\n");
    ASSERT_TRUE(result.ok()) << result.error;
    ImportPlan plan = PlanImport(table, result, row.endings);
    ASSERT_EQ(plan.conflicts.size(), 1u);
    const std::string both = plan.conflicts[0].bothTrigger;
    EXPECT_EQ(both, row.both);
    plan.ChooseForAll(ConflictChoice::KeepBoth);
    const TriggerTable after = ApplyImport(table, plan);
    ASSERT_NE(after.Find(both), nullptr);

    const bool waits = row.theirs.when != FireWhen::AtOnce;
    const std::string typed = both + (waits ? " " : "");
    const Fired theirs = TypeInto(after, typed, row.endings);
    EXPECT_EQ(theirs.expansion, "theirs") << typed;
    EXPECT_EQ(theirs.key, typed.size() - 1) << typed;
    const std::string mineTyped = row.trigger + (row.mine.when != FireWhen::AtOnce ? " " : "");
    EXPECT_EQ(TypeInto(after, mineTyped, row.endings).expansion, "mine") << mineTyped;
  }
}

TEST(KeepBothTrigger, TheOldNumberAfterTheTriggerCouldNotBeTyped) {
  TriggerTable table;
  table.Set(":demo", "mine");
  table.Set(":demo-2", "theirs");
  EXPECT_EQ(TypeInto(table, ":demo-2", DefaultEndingCharacters).expansion, "mine");
  EXPECT_FALSE(FiresWhenTyped(table, ":demo-2", DefaultEndingCharacters));
}

TEST(KeepBothTrigger, EachConflictGetsItsOwnTriggerBesideTheOthers) {
  TriggerTable table;
  table.Set(":a", "mine a");
  table.Set(":b", "mine b");
  table.Set("2:a", "taken");
  const ImportResult result = ImportAhk(":*?C::a::theirs a\n:*?C::b::theirs b\n");
  ImportPlan plan = PlanImport(table, result);
  ASSERT_EQ(plan.conflicts.size(), 2u);
  EXPECT_EQ(plan.conflicts[0].bothTrigger, "3:a");
  EXPECT_EQ(plan.conflicts[1].bothTrigger, "2:b");
  plan.ChooseForAll(ConflictChoice::KeepBoth);
  const TriggerTable after = ApplyImport(table, plan);
  EXPECT_EQ(TypeInto(after, "3:a", DefaultEndingCharacters).expansion, "theirs a");
  EXPECT_EQ(TypeInto(after, "2:b", DefaultEndingCharacters).expansion, "theirs b");
}

// The plan's check against the engine itself, over triggers that begin with, end in or hold
// one another, in every kind.
TEST(FiresWhenTyped, AgreesWithTheEngine) {
  const std::vector<std::string> triggers = {"ab", "xab", "abx", "ab-2", "2ab", "a2b", "AB"};
  const std::vector<TriggerOptions> kinds = {AtOnce, Word, WordAnywhere, IgnoreCase};
  int checked = 0;
  for (std::size_t first = 0; first < triggers.size(); ++first) {
    for (std::size_t second = 0; second < triggers.size(); ++second) {
      if (first == second) continue;
      for (const TriggerOptions& firstKind : kinds) {
        for (const TriggerOptions& secondKind : kinds) {
          TriggerTable table;
          table.Set(triggers[first], "first", EntryInfo{firstKind, 0});
          table.Set(triggers[second], "second", EntryInfo{secondKind, 0});
          const std::string typed =
              triggers[second] + (secondKind.when != FireWhen::AtOnce ? " " : "");
          const Fired fired = TypeInto(table, typed, DefaultEndingCharacters);
          const bool engine = fired.expansion == "second" && fired.key == typed.size() - 1;
          EXPECT_EQ(FiresWhenTyped(table, triggers[second], DefaultEndingCharacters), engine)
              << triggers[first] << " beside " << triggers[second];
          ++checked;
        }
      }
    }
  }
  EXPECT_EQ(checked, 7 * 6 * 16);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
