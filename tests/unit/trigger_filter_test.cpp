#include "ui/trigger_filter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ui/search_popup.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

std::vector<std::string> Triggers(const std::vector<const TriggerTable::Entry*>& rows) {
  std::vector<std::string> triggers;
  for (const auto* row : rows) triggers.push_back(row->first);
  return triggers;
}

TEST(TriggerSearch, AGroupsNameListsItsEntries) {
  TriggerTable table;
  TriggerGroup mail;
  mail.name = "Mail";
  const std::size_t group = table.AddGroup(mail);
  table.Set("sig", "Regards", EntryInfo{TriggerOptions{}, group});
  table.Set("btw", "by the way", EntryInfo{TriggerOptions{}, group});
  table.Set(":addr", "my.mail@example.com");
  table.Set(":demo", "Hello World");
  TriggerSearch search(table);
  EXPECT_EQ(Triggers(search.Filter("MAIL")), (std::vector<std::string>{":addr", "btw", "sig"}));
  // Narrowed from there, the group still counts.
  EXPECT_EQ(Triggers(search.Filter("MAIL ")), std::vector<std::string>{});
  EXPECT_EQ(Triggers(FilterTriggers(table, "mai", 10)),
            (std::vector<std::string>{":addr", "btw", "sig"}));
}

TEST(TriggerSearch, AGroupFilterListsOnlyThatGroupsEntriesAndCombinesWithTheQuery) {
  TriggerTable table;
  TriggerGroup mail;
  mail.name = "Mail";
  const std::size_t group = table.AddGroup(mail);
  table.Set("sig", "Regards", EntryInfo{TriggerOptions{}, group});
  table.Set("adr", "Main Street", EntryInfo{TriggerOptions{}, group});
  table.Set(":demo", "Hello World");
  table.Set(":main", "the main thing");
  TriggerSearch search(table);
  search.SetGroup(group);
  EXPECT_EQ(Triggers(search.Filter("")), (std::vector<std::string>{"adr", "sig"}));
  EXPECT_EQ(Triggers(search.Filter("street")), std::vector<std::string>{"adr"});
  search.SetGroup(0);
  EXPECT_EQ(Triggers(search.Filter("mai")), std::vector<std::string>{":main"});
  EXPECT_EQ(Triggers(search.Filter("")), (std::vector<std::string>{":demo", ":main"}));
  // Back to every group: the rows the filter left out come back for the same query.
  search.SetGroup(std::nullopt);
  EXPECT_EQ(Triggers(search.Filter("")),
            (std::vector<std::string>{":demo", ":main", "adr", "sig"}));
}

TEST(FoldCase, LowersEveryScriptTheListShows) {
  EXPECT_EQ(FoldCase("HELLO World"), "hello world");
  EXPECT_EQ(FoldCase("ÉCOLE ÀÖØÞ"), "école àöøþ");
  EXPECT_EQ(FoldCase("ПРИВЕТ ЁЖ Ѐ"), "привет ёж ѐ");
  EXPECT_EQ(FoldCase("ΑΘΉΝΑ Ω"), "αθήνα ω");
  EXPECT_EQ(FoldCase("ŁÓDŹ ŽŠČ Ő"), "łódź žšč ő");
  EXPECT_EQ(FoldCase("ĐẠI HỌC"), "đại học");
  EXPECT_EQ(FoldCase("ԱՐԱՄ"), "արամ");
  EXPECT_EQ(FoldCase("ＡＢＣ"), "ａｂｃ");
}

TEST(FoldCase, KeepsWhatHasNoCaseAndTheSignsBetweenLetters) {
  EXPECT_EQ(FoldCase("×÷ 日本語 😀 → 123 :_-"), "×÷ 日本語 😀 → 123 :_-");
  EXPECT_EQ(FoldCase("ß ı"), "ß ı");
}

TEST(FoldCase, MapsTheLettersWhoseSmallFormIsElsewhere) {
  EXPECT_EQ(FoldCase("İ"), "i");
  EXPECT_EQ(FoldCase("Ÿ"), "ÿ");
  EXPECT_EQ(FoldCase("STRAẞE"), "straße");
  EXPECT_EQ(FoldCase("ΟΔΟΣ"), FoldCase("οδος"));
  EXPECT_EQ(FoldCase("ς"), "σ");
}

TEST(FoldCase, SmallLettersOfPairedRangesStayAndCapitalsMeetThem) {
  // Odd-capital ranges (Ĺ ĺ, Ź ź) and even-capital ones (Ā ā, Ѡ ѡ).
  for (char32_t c : {U'ĺ', U'ź', U'ā', U'ѡ', U'ǎ', U'ḁ', U'ạ'}) {
    EXPECT_EQ(FoldCodePoint(c), c);
    EXPECT_EQ(FoldCodePoint(c - 1), c);
  }
}

TEST(FoldCase, IllFormedBytesAreKeptAsTheyAre) {
  const std::string broken = "A\xC3\x28Z\xFF\xE2\x82";
  EXPECT_EQ(FoldCase(broken), "a\xC3\x28z\xFF\xE2\x82");
}

TriggerTable Sample() {
  TriggerTable table;
  table.Set(":demo", "Hello World");
  table.Set(":mail", "someone@example.com");
  table.Set(":ru", "Привет, МИР");
  table.Set(":École", "café crème");
  table.Set(":zz", "{{date:%Y}}");
  return table;
}

TEST(TriggerSearch, EmptyQueryListsEveryEntryInTableOrder) {
  TriggerTable table = Sample();
  TriggerSearch search(table);
  EXPECT_EQ(Triggers(search.Filter("")),
            (std::vector<std::string>{":demo", ":mail", ":ru", ":zz", ":École"}));
}

TEST(TriggerSearch, FindsTriggerOrExpansionIgnoringCaseInAnyScript) {
  TriggerTable table = Sample();
  TriggerSearch search(table);
  EXPECT_EQ(Triggers(search.Filter("WORLD")), (std::vector<std::string>{":demo"}));
  EXPECT_EQ(Triggers(search.Filter("мир")), (std::vector<std::string>{":ru"}));
  EXPECT_EQ(Triggers(search.Filter("école")), (std::vector<std::string>{":École"}));
  EXPECT_EQ(Triggers(search.Filter("CRÈME")), (std::vector<std::string>{":École"}));
  EXPECT_EQ(Triggers(search.Filter(":")), Triggers(search.Filter("")));
  EXPECT_TRUE(search.Filter("nothing like it").empty());
}

TEST(TriggerSearch, TableChangeIsSeenAfterTableChanged) {
  TriggerTable table = Sample();
  TriggerSearch search(table);
  ASSERT_EQ(search.Filter("hello").size(), 1u);
  table.Set(":hi", "hello again");
  search.TableChanged();
  EXPECT_EQ(Triggers(search.Filter("hello")), (std::vector<std::string>{":demo", ":hi"}));
  table.Erase(":demo");
  search.TableChanged();
  EXPECT_EQ(Triggers(search.Filter("hello")), (std::vector<std::string>{":hi"}));
}

TEST(TriggerSearch, RowOfFindsShownTriggersOnly) {
  TriggerTable table = Sample();
  TriggerSearch search(table);
  search.Filter("e");
  ASSERT_EQ(Triggers(search.Rows()), (std::vector<std::string>{":demo", ":mail", ":zz", ":École"}));
  EXPECT_EQ(search.RowOf(":mail"), 1u);
  EXPECT_EQ(search.RowOf(":École"), 3u);
  EXPECT_EQ(search.RowOf(":ru"), static_cast<std::size_t>(-1));
  EXPECT_EQ(search.RowOf(":nope"), static_cast<std::size_t>(-1));
}

TEST(TriggerSearch, RowsNameTheirEntriesEvenWhenTwoRowsReadTheSame) {
  // The row's first separator lies inside the second trigger: the text cannot tell them apart,
  // the rows do.
  TriggerTable table;
  table.Set(":a", "x  ->  y");
  table.Set(":a  ->  x", "y");
  TriggerSearch search(table);
  const auto& rows = search.Filter("x");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0]->first, ":a");
  EXPECT_EQ(rows[1]->first, ":a  ->  x");
  EXPECT_EQ(search.RowOf(":a  ->  x"), 1u);
}

// Typing, erasing and retyping a query one letter at a time gives exactly what a fresh search
// for each query gives: the narrowing shortcut never keeps a row too many or drops one.
TEST(TriggerSearch, IncrementalQueriesAgreeWithFreshSearches) {
  std::mt19937 random(7);
  auto pick = [&](std::size_t length) {
    std::string text;
    std::uniform_int_distribution<int> which(0, 5);
    const char* pieces[] = {"a", "B", ":", "é", "Ж", "b"};
    for (std::size_t i = 0; i < length; ++i) text += pieces[which(random)];
    return text;
  };
  TriggerTable table;
  for (int i = 0; i < 300; ++i) {
    std::string trigger(1, ':');
    trigger.append(pick(1 + i % 5));
    table.Set(std::move(trigger), pick(i % 7));
  }

  TriggerSearch typed(table);
  const std::vector<std::string> queries = {"", "a", "ab", "abé", "ab", "aB", "b",  "bж", "Bж:",
                                            "", "é", "éЖ", "ЖЖ",  "ж",  ":",  ":a", ":ab"};
  for (const std::string& query : queries) {
    TriggerSearch fresh(table);
    EXPECT_EQ(Triggers(typed.Filter(query)), Triggers(fresh.Filter(query))) << query;
    std::vector<std::string> brute;
    for (const auto& entry : table) {
      if (query.empty() || EntryMatches(entry, FoldCase(query))) brute.push_back(entry.first);
    }
    EXPECT_EQ(Triggers(typed.Rows()), brute) << query;
  }
}

TEST(SearchPopupFilter, SharesTheListsUnicodeCaseAndStopsAtTheLimit) {
  TriggerTable table = Sample();
  EXPECT_EQ(Triggers(FilterTriggers(table, "ПРИВЕТ", 10)), (std::vector<std::string>{":ru"}));
  EXPECT_EQ(Triggers(FilterTriggers(table, "É", 10)), (std::vector<std::string>{":École"}));
  EXPECT_EQ(FilterTriggers(table, "", 3).size(), 3u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
