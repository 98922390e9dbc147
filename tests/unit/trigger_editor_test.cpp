#include "ui/trigger_editor.h"

#include <gtest/gtest.h>

#include <string>

#include "store/trigger_file.h"
#include "ui/trigger_list.h"
#include "util/text_encoding.h"

namespace tarquel {
namespace {

using Verdict = NewEntry::Verdict;

struct AddCase {
  const char* name;
  std::string triggerField;
  std::string expansionField;
  Verdict verdict;
  std::string storedTrigger;
};

class PrepareNewEntryCases : public ::testing::TestWithParam<AddCase> {};

TEST_P(PrepareNewEntryCases, GivesTheVerdictAndTheStoredTrigger) {
  const AddCase& c = GetParam();
  NewEntry entry = PrepareNewEntry(c.triggerField, c.expansionField);
  EXPECT_EQ(entry.verdict, c.verdict);
  if (c.verdict == Verdict::Store) {
    EXPECT_EQ(entry.trigger, c.storedTrigger);
    EXPECT_EQ(entry.expansion, c.expansionField);
  }
  EXPECT_EQ(entry.problem.empty(), c.verdict != Verdict::Refuse);
}

INSTANTIATE_TEST_SUITE_P(
    PrepareNewEntry, PrepareNewEntryCases,
    ::testing::Values(
        AddCase{"LettersGetALeadingColon", "demo", "Hello World", Verdict::Store, ":demo"},
        AddCase{"ALeadingColonIsKept", ":demo", "Hello World", Verdict::Store, ":demo"},
        AddCase{"ALoneColonStaysALoneColon", ":", "x", Verdict::Store, ":"},
        AddCase{"SpacesAreNotTrimmed", " x ", " y ", Verdict::Store, ": x "},
        AddCase{"OnlySpacesIsNotEmpty", " ", " ", Verdict::Store, ": "},
        AddCase{"AnEqualsSignInTheExpansionIsFine", "eq", "a=b", Verdict::Store, ":eq"},
        AddCase{"TheSeparatorInATriggerIsFine", "a  ->  b", "c", Verdict::Store, ":a  ->  b"},
        AddCase{"EmptyTriggerIsIgnored", "", "x", Verdict::Ignore, ""},
        AddCase{"EmptyExpansionIsIgnored", "x", "", Verdict::Ignore, ""},
        AddCase{"EqualsSignInTheTriggerIsRefused", "a=b", "x", Verdict::Refuse, ""},
        AddCase{"EqualsSignRightAfterTheColonIsRefused", ":=", "x", Verdict::Refuse, ""},
        AddCase{"LineFeedInTheTriggerIsRefused", "a\nb", "x", Verdict::Refuse, ""},
        AddCase{"CarriageReturnInTheExpansionIsRefused", "a", "x\ry", Verdict::Refuse, ""},
        AddCase{"CtrlZInTheTriggerIsRefused", "a\x1A", "x", Verdict::Refuse, ""},
        AddCase{"CtrlZInTheExpansionIsRefused", "a", "x\x1Ay", Verdict::Refuse, ""}),
    [](const ::testing::TestParamInfo<AddCase>& info) { return info.param.name; });

TEST(PrepareNewEntry, NamesTheEqualsSignWhenRefusingIt) {
  EXPECT_NE(PrepareNewEntry("a=b", "x").problem.find("\"=\""), std::string::npos);
}

TEST(PrepareNewEntry, ColonIsAddedToA255CharacterTrigger) {
  const std::string field(255, 'x');
  EXPECT_EQ(PrepareNewEntry(field, "y").trigger, ":" + field);
}

TEST(UnicodeEntries, SurviveTheFieldsTheTableConfigTxtAndTheListUnchanged) {
  const std::string emoji = "\xF0\x9F\x98\x80";
  const std::string triggers[] = {"日本語", "Привет", "→", emoji};
  TriggerTable table;
  for (const std::string& text : triggers) {
    NewEntry entry = PrepareNewEntry(text, text + " " + emoji);
    ASSERT_EQ(entry.verdict, NewEntry::Verdict::Store) << text;
    table.Set(std::move(entry.trigger), std::move(entry.expansion));
  }
  const TriggerTable reloaded = ParseTriggerText(FormatTriggerText(table));
  ASSERT_EQ(reloaded.size(), std::size(triggers));
  for (const auto& [trigger, expansion] : reloaded) {
    const std::string* before = table.Find(trigger);
    ASSERT_NE(before, nullptr) << trigger;
    EXPECT_EQ(*before, expansion);
    // What the list shows comes back from its UTF-16 unchanged.
    const std::string row = FormatTriggerRow(trigger, expansion);
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(row)), row);
  }
  // The emoji is one pair of surrogates in the list's UTF-16, never two replacement characters.
  EXPECT_EQ(Utf8ToUtf16(":" + emoji), u":\U0001F600");
}

TEST(DeletionDebugLines, NameTheKeyWithItsByteLengthAndTheErasedCountWithTheNewSize) {
  EXPECT_EQ(DeletingKeyLine(":demo"), "Deleting Key: ':demo' (Len: 5)\n");
  EXPECT_EQ(DeletingKeyLine(":caf\xE9"), "Deleting Key: ':caf\xE9' (Len: 5)\n");
  EXPECT_EQ(DeletingKeyLine(":a  ->  b"), "Deleting Key: ':a  ->  b' (Len: 9)\n");
  EXPECT_EQ(EraseResultLine(1, 1), "Erase Result: 1 | New Size: 1\n");
  EXPECT_EQ(EraseResultLine(0, 12345), "Erase Result: 0 | New Size: 12345\n");
}

}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {

TEST(ExpansionField, EveryKindOfLineBreakIsStoredAsTheNewlinePlaceholder) {
  EXPECT_EQ(ExpansionFromField("Dear Sir,\r\n\r\nKind regards"),
            "Dear Sir,{{newline}}{{newline}}Kind regards");
  EXPECT_EQ(ExpansionFromField("a\nb\rc\r\n"), "a{{newline}}b{{newline}}c{{newline}}");
  EXPECT_EQ(ExpansionFromField("\n\r"), "{{newline}}{{newline}}");
  EXPECT_EQ(ExpansionFromField("no break"), "no break");
}

TEST(ExpansionField, AStoredExpansionIsShownWithItsLineBreaksAndComesBackTheSame) {
  const std::string stored = "Hi{{newline}}{{tab}}there{{newline}}{{newline}}";
  EXPECT_EQ(ExpansionForField(stored), "Hi\r\n{{tab}}there\r\n\r\n");
  EXPECT_EQ(ExpansionFromField(ExpansionForField(stored)), stored);
  // Text that only looks like the placeholder is kept as it stands.
  EXPECT_EQ(ExpansionForField("{{newline}"), "{{newline}");
  EXPECT_EQ(ExpansionForField("{{NEWLINE}}"), "{{NEWLINE}}");
}

TEST(ExpansionField, AMultiLineFieldPassesTheEntryCheckOnceStored) {
  NewEntry entry = PrepareNewEntry("sig", ExpansionFromField("Best,\r\nAnna"));
  ASSERT_EQ(entry.verdict, NewEntry::Verdict::Store);
  EXPECT_EQ(entry.expansion, "Best,{{newline}}Anna");
}

TEST(ClassifyAdd, ATriggerInTheTableIsReplacedWhereverTheFieldsCameFrom) {
  TriggerTable table;
  table.Set(":a", "1");
  table.Set(":b", "2");
  EXPECT_EQ(ClassifyAdd(table, ":a", std::nullopt), AddKind::Replaced);
  EXPECT_EQ(ClassifyAdd(table, ":a", std::string(":a")), AddKind::Replaced);
  EXPECT_EQ(ClassifyAdd(table, ":a", std::string(":b")), AddKind::Replaced);
}

TEST(ClassifyAdd, AChangedTriggerAddsBesideTheRowAndSaysSo) {
  TriggerTable table;
  table.Set(":old", "text");
  EXPECT_EQ(ClassifyAdd(table, ":new", std::string(":old")), AddKind::AddedBesideTheRow);
  const std::string said = AddedText(AddKind::AddedBesideTheRow, ":new", std::string(":old"));
  EXPECT_NE(said.find(":new"), std::string::npos);
  EXPECT_NE(said.find(":old is still there"), std::string::npos);
  // Without a row, or when the row's entry has gone meanwhile, it is simply new.
  EXPECT_EQ(ClassifyAdd(table, ":new", std::nullopt), AddKind::Added);
  EXPECT_EQ(ClassifyAdd(table, ":new", std::string(":gone")), AddKind::Added);
}

TEST(RowAfterDelete, SelectsTheRowThatTookItsPlaceElseTheOneAbove) {
  EXPECT_EQ(RowAfterDelete(0, 3), 0u);
  EXPECT_EQ(RowAfterDelete(2, 3), 2u);
  EXPECT_EQ(RowAfterDelete(3, 3), 2u);
  EXPECT_EQ(RowAfterDelete(0, 0), std::nullopt);
}

}  // namespace
}  // namespace tarquel
