#include "ui/entry_choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/trigger_line_syntax.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TriggerTable TableWithGroups() {
  TriggerTable table;
  for (const char* name : {"Mail", "Code"}) {
    TriggerGroup group;
    group.name = name;
    table.AddGroup(group);
  }
  return table;
}

TEST(OptionLabels, EveryChoiceComesBackAsTheSameOptions) {
  for (int when = 0; when < 4; ++when) {
    for (int where = 0; where < 3; ++where) {
      for (int caseRule = 0; caseRule < 4; ++caseRule) {
        const OptionChoices choices{when, where, caseRule};
        EXPECT_EQ(ChoicesFromOptions(OptionsFromChoices(choices)), choices)
            << when << where << caseRule;
      }
    }
  }
}

TEST(OptionLabels, EachLabelIsTheWordTheFileWritesForIt) {
  // The drop-downs, the rows and config.txt say the same thing for each answer.
  for (OptionBox box : {OptionBox::When, OptionBox::Where, OptionBox::Case}) {
    const auto labels = OptionLabels(box);
    ASSERT_GE(labels.size(), 3u);
    EXPECT_EQ(labels[0], GroupDefaultLabel);
    for (std::size_t item = 1; item < labels.size(); ++item) {
      OptionChoices choices;
      int& chosen = box == OptionBox::When    ? choices.when
                    : box == OptionBox::Where ? choices.where
                                              : choices.caseRule;
      chosen = static_cast<int>(item);
      EXPECT_EQ(FormatOptionsLine(OptionsFromChoices(choices)),
                "(options: " + std::string(labels[item]) + ")");
    }
  }
}

TEST(OptionLabels, GroupDefaultAndNothingChosenLeaveEveryQuestionToTheGroup) {
  EXPECT_TRUE(OptionsFromChoices({}).empty());
  // CB_GETCURSEL answers -1 when nothing is chosen; an item beyond the list is no answer either.
  EXPECT_TRUE(OptionsFromChoices({-1, -1, -1}).empty());
  EXPECT_TRUE(OptionsFromChoices({4, 3, 4}).empty());
}

TEST(OptionLabels, ChoicesNameTheOptionsOfTheEnumerations) {
  const TriggerOptions options = OptionsFromChoices({3, 2, 3});
  EXPECT_EQ(options.when, FireWhen::EndingDropped);
  EXPECT_EQ(options.where, FireWhere::WordStart);
  EXPECT_EQ(options.caseRule, CaseRule::Conform);
  EXPECT_EQ(OptionsFromChoices({1, 1, 1}),
            (TriggerOptions{FireWhen::AtOnce, FireWhere::Anywhere, CaseRule::Exact}));
  EXPECT_EQ(ChoicesFromOptions({FireWhen::EndingKept, std::nullopt, CaseRule::Ignore}),
            (OptionChoices{2, 0, 2}));
}

TEST(GroupChoice, ListsNoGroupThenTheGroupsInFileOrder) {
  const TriggerTable table = TableWithGroups();
  EXPECT_EQ(GroupLabels(table), (std::vector<std::string>{"no group", "Mail", "Code"}));
  EXPECT_EQ(GroupLabel(table, 0), "no group");
  EXPECT_EQ(GroupLabel(table, 2), "Code");
  EXPECT_EQ(GroupLabel(table, 7), "no group");
}

TEST(GroupChoice, ReadsNoGroupAGroupOrANewName) {
  const TriggerTable table = TableWithGroups();
  struct Case {
    const char* typed;
    const char* name;
  };
  for (const Case& c : {Case{"", ""}, Case{"  ", ""}, Case{"no group", ""}, Case{"No Group", ""},
                        Case{"Mail", "Mail"}, Case{" Mail\t", "Mail"}, Case{"mail", "Mail"},
                        Case{"CODE", "Code"}, Case{"Customer A", "Customer A"}}) {
    const GroupChoice choice = ReadGroupChoice(table, c.typed);
    EXPECT_EQ(choice.name, c.name) << c.typed;
    EXPECT_TRUE(choice.problem.empty()) << c.typed;
  }
}

TEST(GroupChoice, RefusesANameAGroupLineCannotHold) {
  const TriggerTable table = TableWithGroups();
  for (const char* typed : {"a=b", "Mail: off", "two\nlines"}) {
    const GroupChoice choice = ReadGroupChoice(table, typed);
    EXPECT_TRUE(choice.name.empty()) << typed;
    EXPECT_FALSE(choice.problem.empty()) << typed;
  }
}

TEST(GroupFilter, ItemsAreEveryEntryNoGroupAndEachGroup) {
  const TriggerTable table = TableWithGroups();
  EXPECT_EQ(GroupFilterLabels(table),
            (std::vector<std::string>{"All groups", "No group", "Mail", "Code"}));
  EXPECT_EQ(GroupFilterAt(table, 0), std::nullopt);
  EXPECT_EQ(GroupFilterAt(table, -1), std::nullopt);
  EXPECT_EQ(GroupFilterAt(table, 1), std::string());
  EXPECT_EQ(GroupFilterAt(table, 2), std::string("Mail"));
  EXPECT_EQ(GroupFilterAt(table, 3), std::string("Code"));
  EXPECT_EQ(GroupFilterAt(table, 4), std::nullopt);
  for (int item = 0; item < 4; ++item) {
    EXPECT_EQ(GroupFilterItem(table, GroupFilterAt(table, item)), item);
  }
  // A group gone from the file (after a reload) shows every entry again.
  EXPECT_EQ(GroupFilterItem(table, std::string("Gone")), 0);
}

TEST(GroupEdit, TakesTheSwitchAndCommaSeparatedProgramsAndKeepsNameAndDefaults) {
  TriggerGroup mail;
  mail.name = "Mail";
  mail.defaults.where = FireWhere::WordStart;
  mail.notIn = {"old.exe"};
  const GroupEditResult result =
      ApplyGroupEdit(mail, {false, " outlook.exe ,, class:rctrl_renwnd32,", ""});
  ASSERT_TRUE(result.group);
  EXPECT_TRUE(result.problem.empty());
  EXPECT_EQ(result.group->name, "Mail");
  EXPECT_EQ(result.group->defaults, mail.defaults);
  EXPECT_FALSE(result.group->enabled);
  EXPECT_EQ(result.group->onlyIn,
            (std::vector<std::string>{"outlook.exe", "class:rctrl_renwnd32"}));
  EXPECT_TRUE(result.group->notIn.empty());
  EXPECT_EQ(FormatGroupLine(*result.group),
            "[group Mail: off, only in outlook.exe, only in class:rctrl_renwnd32, word start]");
}

TEST(GroupEdit, WhatTheFieldsShowGivesTheGroupBackUnchanged) {
  TriggerGroup code;
  code.name = "Code";
  code.onlyIn = {"code.exe", "package:Microsoft.WindowsTerminal"};
  code.notIn = {"class:ConsoleWindowClass"};
  const GroupEditResult result =
      ApplyGroupEdit(code, {code.enabled, ProgramsText(code.onlyIn), ProgramsText(code.notIn)});
  ASSERT_TRUE(result.group);
  EXPECT_EQ(*result.group, code);
  EXPECT_EQ(ProgramsText(code.onlyIn), "code.exe, package:Microsoft.WindowsTerminal");
}

TEST(GroupEdit, RefusesAProgramNameTheGroupLineCannotHold) {
  TriggerGroup mail;
  mail.name = "Mail";
  const GroupEditResult result = ApplyGroupEdit(mail, {true, "", "a=b.exe"});
  EXPECT_FALSE(result.group);
  EXPECT_FALSE(result.problem.empty());
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
