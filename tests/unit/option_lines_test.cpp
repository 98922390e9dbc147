#include "store/option_lines.h"

#include <gtest/gtest.h>

#include "store/trigger_file.h"

namespace tarquel {
namespace {

TEST(OptionLines, OptionsLineGivesTheNextEntryItsOptions) {
  TriggerLoadInfo info;
  const TriggerTable table = ParseTriggerText(
      "(options: Word start,after ending ,  conform case)\r\n"
      "btw=by the way\r\n"
      "plain=as in 1.0\r\n"
      "(options: drop ending)\r\n"
      "# a comment between\r\n"
      "ar=aristocrat\r\n",
      &info);
  EXPECT_EQ(table.OptionsOf("btw"),
            (ResolvedOptions{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}));
  EXPECT_EQ(table.InfoOf("plain"), EntryInfo{});
  EXPECT_EQ(table.InfoOf("ar"), EntryInfo{});
  // Not written back by a save yet: the first save keeps a copy of the file.
  EXPECT_EQ(info.droppedLines, 3u);
}

TEST(OptionLines, GroupLineTakesTheEntriesBelowItWithItsSwitchProgramsAndDefaults) {
  const TriggerTable table = ParseTriggerText(
      "first=no group\r\n"
      "[group Mail: off, only in outlook.exe, not in class:ConsoleWindowClass, any case]\r\n"
      "sig=Regards\r\n"
      "[group Code]\r\n"
      "(options: at once)\r\n"
      "fn=function\r\n");
  ASSERT_EQ(table.Groups().size(), 3u);
  const TriggerGroup& mail = table.Groups()[1];
  EXPECT_EQ(mail.name, "Mail");
  EXPECT_FALSE(mail.enabled);
  EXPECT_EQ(mail.onlyIn, std::vector<std::string>{"outlook.exe"});
  EXPECT_EQ(mail.notIn, std::vector<std::string>{"class:ConsoleWindowClass"});
  EXPECT_EQ(table.InfoOf("sig").group, 1u);
  EXPECT_EQ(table.OptionsOf("sig").caseRule, CaseRule::Ignore);
  EXPECT_EQ(table.InfoOf("fn").group, 2u);
  EXPECT_EQ(table.InfoOf("first").group, 0u);
}

TEST(OptionLines, LineWithAnUnknownWordStaysAComment) {
  TriggerTable table;
  OptionLineState state;
  for (std::string_view line : {"(options: word start, soon)", "(options:)", "[group : off]",
                                "[group Mail: sometimes]", "options: word start", "[group]"}) {
    EXPECT_FALSE(ReadOptionLine(line, table, state)) << line;
  }
  EXPECT_FALSE(state.next.has_value());
  EXPECT_EQ(table.Groups().size(), 1u);
}

}  // namespace
}  // namespace tarquel
