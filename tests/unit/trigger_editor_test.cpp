#include "ui/trigger_editor.h"

#include <gtest/gtest.h>

#include <string>

#include "store/trigger_file.h"
#include "ui/trigger_list.h"
#include "util/text_encoding.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

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

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

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

EntryFields Fields(std::string trigger, std::string expansion, OptionChoices options = {},
                   std::string group = "no group") {
  return {std::move(trigger), std::move(expansion), options, std::move(group)};
}

constexpr std::string_view GroupedFile =
    "# mine\r\n"
    ":demo=Hello World\r\n"
    "\r\n"
    "[group Words: after ending, conform case]\r\n"
    "(options: word start)\r\n"
    "btw=by the way\r\n"
    "omw=on my way\r\n"
    "[group Mail: off]\r\n"
    "sig=Regards\r\n";

TEST(AddFromFields, StoresTheChosenOptionsWithTheEntryAndItsOptionsLineAboveIt) {
  TriggerTable table = ParseTriggerText(GroupedFile);
  const NewEntry entry = PrepareNewEntry(table, Fields("ty", "thank you", {2, 2, 3}));
  ASSERT_EQ(entry.verdict, NewEntry::Verdict::Store);
  EXPECT_EQ(entry.options,
            (TriggerOptions{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform}));
  EXPECT_EQ(entry.group, "");
  ASSERT_TRUE(StoreNewEntry(table, entry));
  EXPECT_EQ(table.InfoOf("ty"), (EntryInfo{entry.options, 0}));
  // After the last entry of no group, before the blank line and the first group.
  std::string expected(GroupedFile);
  expected.insert(expected.find("\r\n\r\n") + 2,
                  "(options: after ending, word start, conform case)\r\nty=thank you\r\n");
  EXPECT_EQ(UpdateTriggerText(GroupedFile, table).text, expected);
}

TEST(AddFromFields, TheColonGoesOnlyInFrontOfANewTriggerThatFiresAtOnce) {
  const TriggerTable table = ParseTriggerText(GroupedFile);
  struct Case {
    EntryFields fields;
    const char* stored;
  };
  for (const Case& c : {
           Case{Fields("brb", "be right back"), ":brb"},
           Case{Fields("brb", "be right back", {1, 2, 0}), ":brb"},
           // It waits for an ending character, by its own choice or by its group's.
           Case{Fields("brb", "be right back", {2, 0, 0}), "brb"},
           Case{Fields("brb", "be right back", {3, 0, 0}), "brb"},
           Case{Fields("brb", "be right back", {}, "Words"), "brb"},
           Case{Fields("brb", "be right back", {}, "words"), "brb"},
           // Its own "at once" wins over the group's.
           Case{Fields("brb", "be right back", {1, 0, 0}, "Words"), ":brb"},
           // A trigger in the table as typed is that entry, written by hand without a colon.
           Case{Fields("omw", "on my way!"), "omw"},
       }) {
    const NewEntry entry = PrepareNewEntry(table, c.fields);
    ASSERT_EQ(entry.verdict, NewEntry::Verdict::Store) << c.stored;
    EXPECT_EQ(entry.trigger, c.stored);
  }
}

TEST(AddFromFields, RefusesAGroupNameTheFileCannotHoldButIgnoresEmptyFieldsFirst) {
  const TriggerTable table;
  const NewEntry refused = PrepareNewEntry(table, Fields("x", "y", {}, "a=b"));
  EXPECT_EQ(refused.verdict, NewEntry::Verdict::Refuse);
  EXPECT_NE(refused.problem.find("group"), std::string::npos);
  EXPECT_EQ(PrepareNewEntry(table, Fields("", "y", {}, "a=b")).verdict, NewEntry::Verdict::Ignore);
  // The other checks stay as they were.
  EXPECT_EQ(PrepareNewEntry(table, Fields("a=b", "y")).verdict, NewEntry::Verdict::Refuse);
  const NewEntry lines = PrepareNewEntry(table, Fields("x", "one\r\ntwo"));
  EXPECT_EQ(lines.expansion, "one{{newline}}two");
}

TEST(AddFromFields, ANewGroupNameMakesTheGroupAtTheEndOfTheFile) {
  TriggerTable table = ParseTriggerText(GroupedFile);
  const NewEntry entry = PrepareNewEntry(table, Fields("acme", "ACME Ltd.", {}, " Customer A "));
  ASSERT_EQ(entry.verdict, NewEntry::Verdict::Store);
  ASSERT_TRUE(StoreNewEntry(table, entry));
  ASSERT_EQ(table.Groups().size(), 4u);
  EXPECT_EQ(table.Groups()[3].name, "Customer A");
  EXPECT_EQ(table.InfoOf(":acme").group, 3u);
  EXPECT_EQ(UpdateTriggerText(GroupedFile, table).text,
            std::string(GroupedFile) + "\r\n[group Customer A]\r\n:acme=ACME Ltd.\r\n");
}

TEST(AddFromFields, AnEntryAddedToAGroupGoesAfterItsLastEntryWithItsOptionsLine) {
  TriggerTable table = ParseTriggerText(GroupedFile);
  ASSERT_TRUE(StoreNewEntry(
      table, PrepareNewEntry(table, Fields("afaik", "as far as I know", {0, 2, 0}, "Words"))));
  const std::string expected =
      "# mine\r\n:demo=Hello World\r\n\r\n[group Words: after ending, conform case]\r\n"
      "(options: word start)\r\nbtw=by the way\r\nomw=on my way\r\n"
      "(options: word start)\r\nafaik=as far as I know\r\n"
      "[group Mail: off]\r\nsig=Regards\r\n";
  EXPECT_EQ(UpdateTriggerText(GroupedFile, table).text, expected);
}

TEST(Rename, AChangedTriggerKeepsTheOptionsAndGroupTheRowFilledIn) {
  TriggerTable table = ParseTriggerText(GroupedFile);
  const TriggerTable::Entry* row = nullptr;
  for (const TriggerTable::Entry& entry : table) {
    if (entry.first == "btw") row = &entry;
  }
  ASSERT_NE(row, nullptr);
  EntryFields fields = FieldsOfEntry(table, *row);
  EXPECT_EQ(fields.options, (OptionChoices{0, 2, 0}));
  EXPECT_EQ(fields.group, "Words");
  fields.trigger = "bytheway";
  const EntryInfo before = table.InfoOf("btw");
  ASSERT_TRUE(StoreNewEntry(table, PrepareNewEntry(table, fields)));
  EXPECT_EQ(table.InfoOf("bytheway"), before);
  // DELETE of the old row ends the rename: the options line goes with the entry it belongs to.
  table.Erase("btw");
  const std::string expected =
      "# mine\r\n:demo=Hello World\r\n\r\n[group Words: after ending, conform case]\r\n"
      "omw=on my way\r\n(options: word start)\r\nbytheway=by the way\r\n"
      "[group Mail: off]\r\nsig=Regards\r\n";
  EXPECT_EQ(UpdateTriggerText(GroupedFile, table).text, expected);
}

TEST(Rename, AnEntryOfNoGroupWithOptionsKeepsThemToo) {
  TriggerTable table;
  const TriggerOptions options{FireWhen::EndingDropped, std::nullopt, CaseRule::Ignore};
  table.Set(":ar", "aristocrat", EntryInfo{options, 0});
  EntryFields fields = FieldsOfEntry(table, *table.begin());
  EXPECT_EQ(fields.group, "no group");
  fields.trigger = ":aris";
  ASSERT_TRUE(StoreNewEntry(table, PrepareNewEntry(table, fields)));
  EXPECT_EQ(table.InfoOf(":aris"), (EntryInfo{options, 0}));
}

TEST(Rename, ChangingOnlyTheExpansionKeepsOptionsAndGroupAndTheFileLinesBesideIt) {
  TriggerTable table = ParseTriggerText(GroupedFile);
  EntryFields fields = FieldsOfEntry(table, *table.begin());
  ASSERT_EQ(fields.trigger, ":demo");
  fields.expansion = "Hello there";
  ASSERT_TRUE(StoreNewEntry(table, PrepareNewEntry(table, fields)));
  std::string expected(GroupedFile);
  expected.replace(expected.find("Hello World"), 11, "Hello there");
  EXPECT_EQ(UpdateTriggerText(GroupedFile, table).text, expected);
}

TEST(UndoDelete, BringsTheEntryBackWithItsOptionsAndGroup) {
  TriggerTable table = ParseTriggerText(GroupedFile);
  const EntryInfo before = table.InfoOf("btw");
  const NewEntry kept = EntryToKeep(table, TriggerTable::Entry("btw", *table.Find("btw")));
  table.Erase("btw");
  ASSERT_TRUE(StoreNewEntry(table, kept));
  EXPECT_EQ(table.InfoOf("btw"), before);
  EXPECT_EQ(*table.Find("btw"), "by the way");
}

TEST(RowAfterDelete, SelectsTheRowThatTookItsPlaceElseTheOneAbove) {
  EXPECT_EQ(RowAfterDelete(0, 3), 0u);
  EXPECT_EQ(RowAfterDelete(2, 3), 2u);
  EXPECT_EQ(RowAfterDelete(3, 3), 2u);
  EXPECT_EQ(RowAfterDelete(0, 0), std::nullopt);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
