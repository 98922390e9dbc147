#include "ui/trigger_list.h"

#include <gtest/gtest.h>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(TriggerListRow, IsTriggerTwoSpacesArrowTwoSpacesExpansion) {
  EXPECT_EQ(FormatTriggerRow(":demo", "Hello World"), ":demo  ->  Hello World");
  EXPECT_EQ(FormatTriggerRow(" x ", ""), " x   ->  ");
}

TEST(TriggerListRow, AnEntryWithAGroupOrOptionsSaysSoAfterItsExpansion) {
  TriggerTable table;
  TriggerGroup mail;
  mail.name = "Mail";
  mail.enabled = false;
  const std::size_t group = table.AddGroup(mail);
  EntryInfo info;
  info.group = group;
  info.options.where = FireWhere::WordStart;
  table.Set("btw", "by the way", info);
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
