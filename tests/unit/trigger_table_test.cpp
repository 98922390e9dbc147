#include "engine/match/trigger_table.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

struct EndingCase {
  const char* name;
  std::vector<std::string> triggers;
  std::string typed;
  std::optional<std::string> expected;
};

class TriggerTableEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(TriggerTableEnding, FindsTheFirstTriggerInByteOrderThatEndsTheText) {
  TriggerTable table;
  for (const std::string& trigger : GetParam().triggers) table.Set(trigger, "=" + trigger);
  const TriggerTable::Entry* found = table.FindTriggerEnding(GetParam().typed);
  if (!GetParam().expected) {
    EXPECT_EQ(found, nullptr) << found->first;
  } else {
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->first, *GetParam().expected);
    EXPECT_EQ(found->second, "=" + found->first);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriggerTableEnding,
    ::testing::Values(EndingCase{"EmptyTable", {}, ":demo", std::nullopt},
                      EndingCase{"EmptyText", {":a"}, "", std::nullopt},
                      EndingCase{"WholeTextIsTheTrigger", {":demo", ":mail"}, ":demo", ":demo"},
                      EndingCase{"TriggerInsideButNotAtTheEnd", {":demo"}, ":demox", std::nullopt},
                      EndingCase{"TextShorterThanTrigger", {":demo"}, "demo", std::nullopt},
                      EndingCase{
                          "ShorterSortsFirstWhenItIsAPrefix", {"ab", "b", "cab"}, "xcab", "ab"},
                      EndingCase{"LongerWinsWhenItSortsFirst", {"xb", "b", "ab"}, "zab", "ab"},
                      EndingCase{"UpperCaseBeforeLowerCase", {"Ax", "x"}, "Ax", "Ax"},
                      EndingCase{"ColonBeforeLetters", {"a:x", ":x"}, "a:x", ":x"},
                      EndingCase{"CaseCounts", {":Sig"}, ":sig", std::nullopt},
                      // Signed chars would put 0xE9 before 'b'; the table's order is unsigned.
                      EndingCase{"HighBytesSortAfterAscii",
                                 {"\xE9"
                                  "b",
                                  "b"},
                                 "\xE9"
                                 "b",
                                 "b"},
                      EndingCase{"HighBytesAmongThemselves",
                                 {"\xFF\xE9", "\x80\xFF\xE9"},
                                 "\x80\xFF\xE9",
                                 "\x80\xFF\xE9"},
                      EndingCase{"TriggerOfTwoHundredBytesMatches",
                                 {std::string(200, 'q')},
                                 std::string(200, 'q'),
                                 std::string(200, 'q')},
                      EndingCase{"TriggerBeyondTwoHundredBytesNeverMatches",
                                 {std::string(201, 'q')},
                                 std::string(210, 'q'),
                                 std::nullopt},
                      EndingCase{"LongTriggerDoesNotHideAShortOne",
                                 {std::string(201, 'q'), "qq"},
                                 std::string(210, 'q'),
                                 "qq"}),
    [](const auto& info) { return info.param.name; });

TEST(TriggerTable, RefusesAnEmptyTrigger) {
  TriggerTable table;
  EXPECT_FALSE(table.Set("", "anything"));
  EXPECT_TRUE(table.empty());
  EXPECT_EQ(table.FindTriggerEnding("abc"), nullptr);
  EXPECT_TRUE(table.Set(":a", "b"));
}

TEST(TriggerTable, KeepsTriggersTooLongToMatchLikeAnyOther) {
  TriggerTable table;
  std::string longTrigger(TriggerTable::LongestMatchableTrigger + 1, 'z');
  table.Set(longTrigger, "long");
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table.begin()->first, longTrigger);
  ASSERT_NE(table.Find(longTrigger), nullptr);
  EXPECT_EQ(*table.Find(longTrigger), "long");
  EXPECT_EQ(table.Erase(longTrigger), 1u);
  EXPECT_TRUE(table.empty());
}

TEST(TriggerTable, ErasingATriggerKeepsTheOthersThatShareItsEnding) {
  TriggerTable table;
  for (const char* trigger : {"b", "ab", "cab", "dcab"}) table.Set(trigger, trigger);

  EXPECT_EQ(table.Erase("ab"), 1u);
  EXPECT_EQ(table.Erase("ab"), 0u);
  EXPECT_EQ(table.FindTriggerEnding("xab")->first, "b");
  EXPECT_EQ(table.Erase("b"), 1u);
  EXPECT_EQ(table.FindTriggerEnding("xab"), nullptr);
  EXPECT_EQ(table.FindTriggerEnding("xcab")->first, "cab");
  EXPECT_EQ(table.Erase("cab"), 1u);
  EXPECT_EQ(table.FindTriggerEnding("dcab")->first, "dcab");
  EXPECT_EQ(table.Erase("dcab"), 1u);
  EXPECT_EQ(table.FindTriggerEnding("dcab"), nullptr);
}

TEST(TriggerTable, ReplacingAnExpansionKeepsTheTriggerFindable) {
  TriggerTable table;
  table.Set(":a", "old");
  table.Set(":a", "new");
  EXPECT_EQ(table.size(), 1u);
  ASSERT_NE(table.FindTriggerEnding("x:a"), nullptr);
  EXPECT_EQ(table.FindTriggerEnding("x:a")->second, "new");
  // Replacing must not have counted the trigger twice: one erase removes it.
  table.Erase(":a");
  EXPECT_EQ(table.FindTriggerEnding("x:a"), nullptr);
}

TEST(TriggerTable, TriggersErasedAndAddedAgainAreFoundAgain) {
  TriggerTable table;
  std::vector<std::string> triggers;
  for (char a = 'a'; a <= 'z'; ++a) {
    for (char b = 'a'; b <= 'z'; ++b) triggers.push_back({':', a, b});
  }
  for (const std::string& trigger : triggers) table.Set(trigger, trigger);
  for (std::size_t i = 0; i < triggers.size(); i += 2) table.Erase(triggers[i]);
  for (std::size_t i = 0; i < triggers.size(); i += 2) table.Set("!" + triggers[i], "again");

  for (std::size_t i = 0; i < triggers.size(); ++i) {
    const TriggerTable::Entry* found = table.FindTriggerEnding("!" + triggers[i]);
    ASSERT_NE(found, nullptr) << triggers[i];
    EXPECT_EQ(found->first, i % 2 == 0 ? "!" + triggers[i] : triggers[i]);
  }
}

TEST(TriggerTable, ACopyMatchesOnItsOwnAndOutlivesTheOriginal) {
  auto original = std::make_unique<TriggerTable>();
  original->Set(":a", "1");
  original->Set(":ab", "2");
  TriggerTable copy = *original;
  TriggerTable assigned;
  assigned.Set(":z", "gone");
  assigned = *original;
  original->Erase(":a");
  original->Set(":b", "3");
  original.reset();

  for (const TriggerTable* table : {&copy, &assigned}) {
    EXPECT_EQ(table->FindTriggerEnding(":b"), nullptr);
    EXPECT_EQ(table->FindTriggerEnding(":z"), nullptr);
    ASSERT_NE(table->FindTriggerEnding("x:a"), nullptr);
    EXPECT_EQ(table->FindTriggerEnding("x:a")->second, "1");
    ASSERT_NE(table->FindTriggerEnding(":ab"), nullptr);
    EXPECT_EQ(table->FindTriggerEnding(":ab")->second, "2");
  }
}

TEST(TriggerTable, AMovedTableKeepsMatching) {
  TriggerTable table;
  table.Set(":a", "1");
  TriggerTable moved = std::move(table);
  ASSERT_NE(moved.FindTriggerEnding(":a"), nullptr);
  EXPECT_EQ(moved.FindTriggerEnding(":a")->second, "1");
}

TriggerGroup Named(const char* name) {
  TriggerGroup group;
  group.name = name;
  return group;
}

TEST(TriggerTableOptions, AnEntryTakesWhatItLeavesUnsetFromItsGroupAndThenTheOldDefaults) {
  TriggerTable table;
  TriggerGroup mail = Named("Mail");
  mail.defaults.where = FireWhere::WordStart;
  mail.defaults.caseRule = CaseRule::Ignore;
  const std::size_t group = table.AddGroup(mail);
  ASSERT_EQ(group, 1u);
  EntryInfo info;
  info.group = group;
  info.options.caseRule = CaseRule::Conform;
  info.options.when = FireWhen::EndingDropped;
  ASSERT_TRUE(table.Set("btw", "by the way", info));
  table.Set(":demo", "Hello World");

  EXPECT_EQ(table.OptionsOf("btw"),
            (ResolvedOptions{FireWhen::EndingDropped, FireWhere::WordStart, CaseRule::Conform}));
  EXPECT_EQ(table.OptionsOf(":demo"), ResolvedOptions{});
  // A new expansion keeps what the entry carries.
  table.Set("btw", "by the way ");
  EXPECT_EQ(table.InfoOf("btw"), info);
}

TEST(TriggerTableOptions, ErasedEntriesLeaveNoOptionsForATriggerAddedAgain) {
  TriggerTable table;
  EntryInfo info;
  info.options.where = FireWhere::WordStart;
  table.Set("gs", "greetings", info);
  table.Erase("gs");
  table.Set("gs", "good show");
  EXPECT_EQ(table.InfoOf("gs"), EntryInfo{});
  // Set back to no options, an entry carries none.
  table.Set("gs", "x", info);
  table.Set("gs", "x", EntryInfo{});
  EXPECT_EQ(table.OptionsOf("gs"), ResolvedOptions{});
}

TEST(TriggerTableOptions, GroupsKeepTheirNamesApart) {
  TriggerTable table;
  const std::size_t mail = table.AddGroup(Named("Mail"));
  EXPECT_EQ(table.AddGroup(Named("Mail")), mail);
  const std::size_t code = table.AddGroup(Named("Code"));
  EXPECT_FALSE(table.SetGroup(code, Named("Mail")));
  EXPECT_FALSE(table.SetGroup(0, Named("Named")));
  EXPECT_FALSE(table.SetGroup(mail, Named("")));
  EXPECT_FALSE(table.Set("x", "y", EntryInfo{TriggerOptions{}, 7}));
  EXPECT_EQ(table.Find("x"), nullptr);
  TriggerGroup off = Named("Code");
  off.enabled = false;
  EXPECT_TRUE(table.SetGroup(code, off));
  EXPECT_FALSE(table.Groups()[code].enabled);
  EXPECT_EQ(table.FindGroup("Code"), code);
  EXPECT_EQ(table.FindGroup("Nope"), std::nullopt);
}

TEST(TriggerTableOptions, ACopyCarriesOptionsAndGroups) {
  TriggerTable table;
  const std::size_t mail = table.AddGroup(Named("Mail"));
  table.Set("sig", "Regards",
            EntryInfo{TriggerOptions{FireWhen::EndingKept, std::nullopt, std::nullopt}, mail});
  TriggerTable copy = table;
  table.Erase("sig");
  EXPECT_EQ(copy.InfoOf("sig").group, mail);
  EXPECT_EQ(copy.OptionsOf("sig").when, FireWhen::EndingKept);
  EXPECT_EQ(copy.Groups().size(), 2u);
}

// The table only erases what it holds; the index must also survive being asked for less.
TEST(MatcherIndex, ErasingAnAbsentTriggerKeepsThePresentOnes) {
  const std::string abc = "abc";
  const std::string bc = "bc";
  MatcherIndex index;
  index.Insert(abc);
  index.Erase("xbc");  // runs into the leaf of "abc"
  index.Erase("c");    // ends on a node that is no trigger's end
  EXPECT_EQ(index.FirstTriggerEnding("abc"), 3u);
  index.Insert(bc);
  index.Erase("xbc");
  index.Erase("c");
  EXPECT_EQ(index.FirstTriggerEnding("abc"), 3u);
  EXPECT_EQ(index.FirstTriggerEnding("xbc"), 2u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
