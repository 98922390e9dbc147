#include "ui/trigger_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/trigger_groups.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

// The switched-off group "Mail" holding "btw" (fired at a word start); returns the group.
std::size_t AddMailWithBtw(TriggerTable& table, const std::string& expansion) {
  const std::size_t group = table.AddGroup(testing::Group("Mail", false));
  EntryInfo info;
  info.group = group;
  info.options.where = FireWhere::WordStart;
  table.Set("btw", expansion, info);
  return group;
}

TEST(TriggerListRow, IsTriggerTwoSpacesArrowTwoSpacesExpansion) {
  EXPECT_EQ(FormatTriggerRow(":demo", "Hello World"), ":demo  ->  Hello World");
  EXPECT_EQ(FormatTriggerRow(" x ", ""), " x   ->  ");
}

TEST(TriggerListRow, AnEntryWithAGroupOrOptionsSaysSoAfterItsExpansion) {
  TriggerTable table;
  const std::size_t group = AddMailWithBtw(table, "by the way");
  table.Set("sig", "Regards", EntryInfo{TriggerOptions{}, group});
  EntryInfo ungrouped;
  ungrouped.options.caseRule = CaseRule::Conform;
  table.Set("omw", "on my way", ungrouped);
  table.Set(":demo", "Hello World");

  const std::string btw = RowNote(table, "btw");
  EXPECT_EQ(btw.rfind("[Mail (off): ", 0), 0u) << btw;
  EXPECT_NE(btw.find("word start"), std::string::npos) << btw;
  EXPECT_EQ(RowNote(table, "sig"), "[Mail (off)]");
  EXPECT_NE(RowNote(table, "omw").find("conform case"), std::string::npos);
  // An entry as every entry was before options: the row is as it always was.
  EXPECT_EQ(RowNote(table, ":demo"), "");
  EXPECT_EQ(FormatTriggerRow(":demo", "Hello World", RowNote(table, ":demo")),
            ":demo  ->  Hello World");
  EXPECT_EQ(FormatTriggerRow("sig", "Regards", "[Mail (off)]"), "sig  ->  Regards    [Mail (off)]");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {

using Rows = std::vector<const TriggerTable::Entry*>;

Rows AllRows(const TriggerTable& table) {
  Rows rows;
  for (const auto& entry : table) rows.push_back(&entry);
  return rows;
}

const TriggerTable::Entry& EntryOf(const TriggerTable& table, std::string_view trigger) {
  for (const auto& entry : table) {
    if (entry.first == trigger) return entry;
  }
  throw std::out_of_range(std::string(trigger));
}

std::vector<std::string> Triggers(const Rows& rows) {
  std::vector<std::string> triggers;
  for (const auto* entry : rows) triggers.push_back(entry->first);
  return triggers;
}

TEST(ListCell, ShowsAMultiLineExpansionOnOneLineWithMarksForBreaksAndTabs) {
  struct Case {
    std::string_view text;
    std::string expected;
  };
  const std::string br(LineBreakMark);
  const std::string tab(TabMark);
  const Case cases[] = {
      {"Hello World", "Hello World"},
      {"one\r\ntwo", "one" + br + "two"},
      {"one\ntwo\n", "one" + br + "two" + br},
      {"one\rtwo", "one" + br + "two"},
      // Two breaks stay two marks: CR LF is one, LF CR are two.
      {"a\r\n\r\nb", "a" + br + br + "b"},
      {"a\n\rb", "a" + br + br + "b"},
      {"Name:\tvalue", "Name:" + tab + "value"},
      {"bell\a", "bell "},
      {"\xD0\x9F\xD1\x80\xD0\xB8\n\xF0\x9F\x98\x80",
       "\xD0\x9F\xD1\x80\xD0\xB8" + br + "\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) EXPECT_EQ(OneLine(c.text), c.expected) << c.text;
}

TEST(ListCell, ShowsTheLineBreaksAndTabsConfigStoresAsPlaceholdersByTheSameMarks) {
  const std::string br(LineBreakMark);
  const std::string tab(TabMark);
  EXPECT_EQ(ExpansionOnOneLine("first{{newline}}second"), "first" + br + "second");
  EXPECT_EQ(ExpansionOnOneLine("{{tab}}x{{newline}}{{newline}}"), tab + "x" + br + br);
  EXPECT_EQ(ExpansionOnOneLine("raw\r\nbreak"), "raw" + br + "break");
  // Only the placeholders exactly as written; the others stay as they are.
  EXPECT_EQ(ExpansionOnOneLine("{{Newline}} {{newline} {{cursor}} {{tab}"),
            "{{Newline}} {{newline} {{cursor}} {{tab}");
}

TEST(ListCell, GivesEachColumnItsPartOfTheEntry) {
  TriggerTable table;
  TARQUEL_TEST_FILE::AddMailWithBtw(table, "by\tthe{{newline}}way");
  table.Set(":demo", "Hello World");
  const auto& btw = EntryOf(table, "btw");
  const auto& demo = EntryOf(table, ":demo");

  EXPECT_EQ(CellText(table, btw, ListColumn::Trigger), "btw");
  EXPECT_EQ(CellText(table, btw, ListColumn::Expansion),
            "by" + std::string(TabMark) + "the" + std::string(LineBreakMark) + "way");
  EXPECT_EQ(CellText(table, btw, ListColumn::Group), "Mail (off): word start");
  EXPECT_EQ(CellText(table, demo, ListColumn::Group), "");
  EXPECT_EQ(ColumnTitle(ListColumn::Expansion), "Expansion");
}

TEST(ListSortOrder, AClickSortsUpAndASecondClickOnTheSameColumnReverses) {
  ListSort sort;
  sort = NextSort(sort, ListColumn::Expansion);
  EXPECT_EQ(sort, (ListSort{ListColumn::Expansion, false}));
  sort = NextSort(sort, ListColumn::Expansion);
  EXPECT_EQ(sort, (ListSort{ListColumn::Expansion, true}));
  sort = NextSort(sort, ListColumn::Expansion);
  EXPECT_EQ(sort, (ListSort{ListColumn::Expansion, false}));
  // Another column starts up again, whatever the last one was.
  sort = NextSort(ListSort{ListColumn::Trigger, true}, ListColumn::Group);
  EXPECT_EQ(sort, (ListSort{ListColumn::Group, false}));
}

TEST(ListSortOrder, SortsByTheColumnsTextWithoutRegardToCaseAndKeepsTiesInTableOrder) {
  TriggerTable table;
  TriggerGroup work;
  work.name = "work";
  const std::size_t workGroup = table.AddGroup(work);
  TriggerGroup home;
  home.name = "Home";
  const std::size_t homeGroup = table.AddGroup(home);
  table.Set(":a", "zebra", EntryInfo{TriggerOptions{}, workGroup});
  table.Set(":B", "apple", EntryInfo{TriggerOptions{}, homeGroup});
  table.Set(":c", "Mango");
  table.Set(":d", "apple", EntryInfo{TriggerOptions{}, workGroup});

  Rows rows = AllRows(table);
  SortRows(table, {}, rows);
  EXPECT_EQ(Triggers(rows), (std::vector<std::string>{":B", ":a", ":c", ":d"}));

  SortRows(table, {ListColumn::Trigger, false}, rows);
  EXPECT_EQ(Triggers(rows), (std::vector<std::string>{":a", ":B", ":c", ":d"}));
  SortRows(table, {ListColumn::Trigger, true}, rows);
  EXPECT_EQ(Triggers(rows), (std::vector<std::string>{":d", ":c", ":B", ":a"}));

  rows = AllRows(table);
  SortRows(table, {ListColumn::Expansion, false}, rows);
  // "apple" twice: in the order they came (":B" before ":d" in the table).
  EXPECT_EQ(Triggers(rows), (std::vector<std::string>{":B", ":d", ":c", ":a"}));
  rows = AllRows(table);
  SortRows(table, {ListColumn::Expansion, true}, rows);
  EXPECT_EQ(Triggers(rows), (std::vector<std::string>{":a", ":c", ":d", ":B"}));

  rows = AllRows(table);
  SortRows(table, {ListColumn::Group, false}, rows);
  // No group first, then Home before work though "H" < "w" only without regard to case.
  EXPECT_EQ(Triggers(rows), (std::vector<std::string>{":c", ":B", ":a", ":d"}));
}

TEST(ListColumnWidths, ReadBackWhatWasWrittenAndRefuseAnythingElse) {
  const ColumnWidths widths{150, 420, 140};
  EXPECT_EQ(FormatColumnWidths(widths), "150,420,140");
  EXPECT_EQ(ParseColumnWidths(FormatColumnWidths(widths)), widths);
  EXPECT_EQ(ParseColumnWidths(" 90 , 0,4000"), (ColumnWidths{90, 0, 4000}));
  for (std::string_view bad :
       {"", "150,420", "150,420,140,10", "150,,140", "150,4001,140", "-1,420,140", "15a,420,140",
        "150;420;140", "150,420,140,", "99999999999,1,1"}) {
    EXPECT_EQ(ParseColumnWidths(bad), std::nullopt) << bad;
  }
}

TEST(ListColumnWidths, DefaultsGiveTheExpansionWhatTheOtherTwoLeave) {
  const ColumnWidths wide = DefaultColumnWidths(720);
  EXPECT_EQ(wide[0] + wide[1] + wide[2], 720);
  EXPECT_GT(wide[1], wide[0]);
  // A list too narrow for all three still shows some of each expansion.
  EXPECT_GE(DefaultColumnWidths(200)[1], 100);
}

}  // namespace
}  // namespace tarquel
