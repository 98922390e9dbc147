#include "store/trigger_line_syntax.h"
#include "tests/support/trigger_groups.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::Group;

struct OptionsCase {
  const char* line;
  std::optional<TriggerOptions> expected;
};

class OptionsLines : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsLines, ReadAsTheOptionsTheySay) {
  EXPECT_EQ(ParseOptionsLine(GetParam().line), GetParam().expected) << GetParam().line;
}

constexpr TriggerOptions None{};

INSTANTIATE_TEST_SUITE_P(
    Words, OptionsLines,
    ::testing::Values(
        OptionsCase{"(options: at once)", TriggerOptions{FireWhen::AtOnce, {}, {}}},
        OptionsCase{"(options: after ending)", TriggerOptions{FireWhen::EndingKept, {}, {}}},
        OptionsCase{"(options: drop ending)", TriggerOptions{FireWhen::EndingDropped, {}, {}}},
        OptionsCase{"(options: anywhere)", TriggerOptions{{}, FireWhere::Anywhere, {}}},
        OptionsCase{"(options: word start)", TriggerOptions{{}, FireWhere::WordStart, {}}},
        OptionsCase{"(options: exact case)", TriggerOptions{{}, {}, CaseRule::Exact}},
        OptionsCase{"(options: any case)", TriggerOptions{{}, {}, CaseRule::Ignore}},
        OptionsCase{"(options: conform case)", TriggerOptions{{}, {}, CaseRule::Conform}},
        OptionsCase{"(options: word start, after ending, conform case)",
                    TriggerOptions{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}},
        // Case, blanks around the words and between their parts do not count.
        OptionsCase{"  (Options:Word  Start ,\tANY case )\t",
                    TriggerOptions{{}, FireWhere::WordStart, CaseRule::Ignore}},
        OptionsCase{"(options:)", None},
        OptionsCase{"(options: , word start,)", TriggerOptions{{}, FireWhere::WordStart, {}}},
        // Saying the same twice is no contradiction.
        OptionsCase{"(options: any case, any case)", TriggerOptions{{}, {}, CaseRule::Ignore}},
        // Not options lines: they stay comments.
        OptionsCase{"(options: sometimes)", std::nullopt},
        OptionsCase{"(options: word start, now)", std::nullopt},
        OptionsCase{"(options: at once, after ending)", std::nullopt},
        OptionsCase{"(options: any case, exact case)", std::nullopt},
        OptionsCase{"(options: wordstart)", std::nullopt},
        OptionsCase{"(options word start)", std::nullopt},
        OptionsCase{"(options: word start", std::nullopt},
        OptionsCase{"options: word start", std::nullopt},
        OptionsCase{"(option: word start)", std::nullopt},
        OptionsCase{"(options: on)", std::nullopt}));

TEST(OptionsLines, EveryCombinationIsWrittenAsALineThatReadsBack) {
  const std::vector<std::optional<FireWhen>> whens{std::nullopt, FireWhen::AtOnce,
                                                   FireWhen::EndingKept, FireWhen::EndingDropped};
  const std::vector<std::optional<FireWhere>> wheres{std::nullopt, FireWhere::Anywhere,
                                                     FireWhere::WordStart};
  const std::vector<std::optional<CaseRule>> cases{std::nullopt, CaseRule::Exact, CaseRule::Ignore,
                                                   CaseRule::Conform};
  for (const auto& when : whens) {
    for (const auto& where : wheres) {
      for (const auto& caseRule : cases) {
        const TriggerOptions options{when, where, caseRule};
        const std::string line = FormatOptionsLine(options);
        EXPECT_EQ(line.find('='), std::string::npos) << line;
        EXPECT_EQ(ParseOptionsLine(line), options) << line;
      }
    }
  }
  EXPECT_EQ(FormatOptionsLine({FireWhen::EndingDropped, FireWhere::WordStart, CaseRule::Conform}),
            "(options: drop ending, word start, conform case)");
}

TEST(GroupLines, NameAloneIsAGroupWithNothingSet) {
  const std::optional<TriggerGroup> group = ParseGroupLine("[group Mail]");
  ASSERT_TRUE(group);
  EXPECT_EQ(*group, Group("Mail"));
  EXPECT_EQ(ParseGroupLine("  [GROUP   Customer X  ]  ")->name, "Customer X");
}

TEST(GroupLines, WordsSetTheSwitchTheProgramsAndTheDefaults) {
  const std::optional<TriggerGroup> group = ParseGroupLine(
      "[group Code: off, only in Code.exe, Only  In class:ConsoleWindowClass, not in "
      "package:Some.App, word start, after ending]");
  ASSERT_TRUE(group);
  EXPECT_EQ(group->name, "Code");
  EXPECT_FALSE(group->enabled);
  // Program names keep their case; only the words around them are matched without it.
  EXPECT_EQ(group->onlyIn, (std::vector<std::string>{"Code.exe", "class:ConsoleWindowClass"}));
  EXPECT_EQ(group->notIn, (std::vector<std::string>{"package:Some.App"}));
  EXPECT_EQ(group->defaults, (TriggerOptions{FireWhen::EndingKept, FireWhere::WordStart, {}}));
  EXPECT_TRUE(ParseGroupLine("[group Mail: on]")->enabled);
  EXPECT_TRUE(ParseGroupLine("[group Mail: ON, on]")->enabled);
}

TEST(GroupLines, ThatCannotBeReadAreNone) {
  for (const char* line :
       {"[group]", "[group ]", "[group : off]", "[groups Mail]", "[group Mail: sometimes]",
        "[group Mail: on, off]", "[group Mail: only in]", "[group Mail: in outlook.exe]",
        "[group Mail", "group Mail]", "[group Mail: word start, anywhere]"}) {
    EXPECT_FALSE(ParseGroupLine(line)) << line;
  }
}

TEST(GroupLines, AreWrittenAsLinesThatReadBack) {
  const TriggerGroup groups[] = {
      Group("Mail"),
      Group("Code", false, {FireWhen::EndingDropped, FireWhere::WordStart, CaseRule::Ignore},
            {"code.exe", "class:Chrome_WidgetWin_1"}, {"package:Microsoft.WindowsTerminal"}),
      Group("A b [c]", true, {{}, {}, CaseRule::Conform}),
  };
  for (const TriggerGroup& group : groups) {
    const std::string line = FormatGroupLine(group);
    EXPECT_EQ(line.find('='), std::string::npos) << line;
    EXPECT_EQ(ParseGroupLine(line), group) << line;
  }
  EXPECT_EQ(FormatGroupLine(groups[0]), "[group Mail]");
  EXPECT_EQ(FormatGroupLine(groups[1]),
            "[group Code: off, only in code.exe, only in class:Chrome_WidgetWin_1, not in "
            "package:Microsoft.WindowsTerminal, drop ending, word start, any case]");
}

// A name the line cannot hold must still give a group line, never an entry or a broken line.
TEST(GroupLines, NamesTheFileCannotHoldAreWrittenReadably) {
  EXPECT_FALSE(IsWritableGroupName("a=b"));
  EXPECT_FALSE(IsWritableGroupName("a:b"));
  EXPECT_FALSE(IsWritableGroupName(" a"));
  EXPECT_FALSE(IsWritableGroupName("a\r\nb"));
  EXPECT_FALSE(IsWritableGroupName(""));
  EXPECT_TRUE(IsWritableGroupName("Mail, work"));
  EXPECT_FALSE(IsWritableProgramName("a,b.exe"));
  EXPECT_TRUE(IsWritableProgramName("class:X"));

  const TriggerGroup odd = Group("x=y:z\r\n", true, {}, {"a,b=c.exe"});
  const std::string line = FormatGroupLine(odd);
  EXPECT_EQ(line.find_first_of("=\r\n"), std::string::npos) << line;
  const std::optional<TriggerGroup> read = ParseGroupLine(line);
  ASSERT_TRUE(read) << line;
  EXPECT_EQ(read->name, "x_y_z__");
  EXPECT_EQ(read->onlyIn, (std::vector<std::string>{"a_b_c.exe"}));
}

TEST(GroupLines, LooksLikeOneIsJudgedOnTheStartAlone) {
  EXPECT_TRUE(LooksLikeOptionsOrGroupLine("  (Options: sometimes)"));
  EXPECT_TRUE(LooksLikeOptionsOrGroupLine("[GROUP"));
  EXPECT_FALSE(LooksLikeOptionsOrGroupLine("# [group Mail]"));
  EXPECT_FALSE(LooksLikeOptionsOrGroupLine("(note) options"));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
