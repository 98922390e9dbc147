// Which entry with options fires, on which key, and what the request carries: ending characters
// (kept, dropped, Enter and Tab, other layouts, the setting), word start, case exact, ignored
// and conformed, groups' switch and programs, and the order among several that could fire.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/match/expander.h"
#include "tests/support/fake_layouts.h"
#include "tests/support/fake_output.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::FakeLayout;
using testing::Keyboard;
using testing::RecordingOutput;
using testing::Type;
using Swallowed = std::vector<std::size_t>;

constexpr TriggerOptions Kept{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Exact};

class ExpanderOptionsTest : public ::testing::Test {
 protected:
  void Set(const std::string& trigger, const std::string& expansion, TriggerOptions options,
           std::size_t group = 0) {
    ASSERT_TRUE(table.Set(trigger, expansion, EntryInfo{options, group}));
  }
  // One character typed by another program (a Unicode event), for letters no fake layout has.
  bool Packet(char16_t unit) { return expander.OnKeyEvent(vk::Packet, unit, false, false); }
  void Packets(std::u16string_view text) {
    for (char16_t unit : text) Packet(unit);
  }
  const RecordingOutput::FullRequest& LastFull() { return output.full.back(); }

  TriggerTable table;
  RecordingOutput output;
  FakeLayout layout = testing::UsLayout();
  Expander expander{table, output, layout};
  Keyboard keyboard{expander};
};

// ---- ending characters ------------------------------------------------------------------------

TEST_F(ExpanderOptionsTest, EndingKeptFiresOnTheEndingCharacterAndTypesItAfter) {
  Set("btw", "by the way", Kept);
  EXPECT_EQ(Type(expander, "btw"), Swallowed{});
  EXPECT_EQ(Type(expander, " "), Swallowed{0});
  ASSERT_EQ(output.full.size(), 1u);
  EXPECT_EQ(LastFull().backspaces, 3u);
  EXPECT_EQ(LastFull().trigger, "btw ");
  EXPECT_EQ(LastFull().ending, " ");
  EXPECT_EQ(LastFull().expansion, "by the way");
  EXPECT_EQ(output.diagnostics.back(), "Expander Triggered by: 'btw'\n");

  for (std::string_view ending :
       {".", ",", "?", "!", ";", ":", "\"", "'", "/", "\\", "-", "(", ")", "[", "]", "{", "}"}) {
    EXPECT_EQ(Type(expander, "btw" + std::string(ending)), Swallowed{3}) << ending;
    EXPECT_EQ(LastFull().ending, ending);
  }
}

TEST_F(ExpanderOptionsTest, CharacterThatEndsNothingLeavesTheTriggerWaiting) {
  Set("btw", "by the way", Kept);
  EXPECT_EQ(Type(expander, "btwx "), Swallowed{});
  EXPECT_EQ(Type(expander, "btw@"), Swallowed{});
  EXPECT_EQ(Type(expander, "btw=btw "), Swallowed{7});
  EXPECT_EQ(output.full.size(), 1u);
}

TEST_F(ExpanderOptionsTest, DroppedEndingErasesTheTriggerAndTypesNothingAfter) {
  Set("ar", "aristocrat", {FireWhen::EndingDropped, {}, {}});
  EXPECT_EQ(Type(expander, "ar"), Swallowed{});
  EXPECT_EQ(Type(expander, "s"), Swallowed{});
  EXPECT_EQ(Type(expander, " ar "), Swallowed{3});
  EXPECT_EQ(LastFull().ending, "");
  EXPECT_EQ(LastFull().backspaces, 2u);
  EXPECT_EQ(LastFull().trigger, "ar ");
}

TEST_F(ExpanderOptionsTest, EnterAndTabEndATriggerAndGoAfterIt) {
  Set("btw", "by the way", Kept);
  Type(expander, "btw");
  EXPECT_TRUE(keyboard.Press(vk::Return));
  EXPECT_EQ(LastFull().ending, "\n");
  EXPECT_EQ(LastFull().trigger, "btw\n");
  EXPECT_EQ(LastFull().backspaces, 3u);
  Type(expander, "btw");
  EXPECT_TRUE(keyboard.Press(vk::Tab));
  EXPECT_EQ(LastFull().ending, "\t");

  // With a modifier they are other keys (a line break in a chat, the previous field): the
  // buffer is emptied as before.
  Type(expander, "btw");
  EXPECT_FALSE(keyboard.PressWith(vk::Return, true, false));
  EXPECT_FALSE(keyboard.PressWith(vk::Tab, true, false));
  EXPECT_EQ(expander.TypedBuffer(), "");
  EXPECT_EQ(output.full.size(), 2u);
}

TEST_F(ExpanderOptionsTest, EnterWithoutTriggersThatWaitEmptiesTheBufferAsBefore) {
  table.Set(":de", "plain");
  Type(expander, "x:d");
  EXPECT_FALSE(keyboard.Press(vk::Return));
  EXPECT_EQ(expander.TypedBuffer(), "");
  Set("btw", "by the way", Kept);
  Type(expander, "x:d");
  EXPECT_FALSE(keyboard.Press(vk::Return));
  EXPECT_EQ(expander.TypedBuffer(), "");
  EXPECT_TRUE(output.full.empty());
}

TEST_F(ExpanderOptionsTest, EndingCharactersOfAGermanLayout) {
  Set("mfg", "Mit freundlichen Gr\u00FC\u00DFen", Kept);
  FakeLayout german = testing::GermanLayout();
  Expander engine(table, output, german);
  Keyboard keys(engine);
  // "." and "," are unshifted, ":" ";" "?" "/" "(" take Shift, "{" "[" "\\" AltGr.
  for (std::string_view ending : {".", ",", ":", ";", "?", "/", "(", "!", "{", "[", "\\", "-"}) {
    EXPECT_EQ(keys.Type(german, "mfg" + std::string(ending)), Swallowed{3}) << ending;
    EXPECT_EQ(output.full.back().ending, ending);
  }
  // Not an ending character: a letter of the layout, the section sign, the euro sign.
  EXPECT_EQ(keys.Type(german, "mfg\u00F6 mfg\u00A7 mfg\u20AC "), Swallowed{});
}

TEST_F(ExpanderOptionsTest, EndingCharactersOfAFrenchLayout) {
  Set("cad", "c'est-\u00E0-dire", Kept);
  FakeLayout french = testing::FrenchLayout();
  Expander engine(table, output, french);
  Keyboard keys(engine);
  // "!" ":" ";" "," and "(" are unshifted on AZERTY; "." "?" "/" take Shift.
  for (std::string_view ending : {"!", ":", ";", ",", "(", ")", ".", "?", "/", "-", "'", "\""}) {
    EXPECT_EQ(keys.Type(french, "cad" + std::string(ending)), Swallowed{3}) << ending;
    EXPECT_EQ(output.full.back().ending, ending);
  }
  EXPECT_EQ(keys.Type(french, "cad\u00E9 cad\u00B5 cad\u00A7 "), Swallowed{});
}

TEST_F(ExpanderOptionsTest, EndingCharactersComeFromTheSettingAndMayBeAnyCharacter) {
  Set("btw", "by the way", Kept);
  expander.SetEndingCharacters(" \u00A7");
  EXPECT_EQ(Type(expander, "btw."), Swallowed{});
  EXPECT_EQ(Type(expander, " btw "), Swallowed{4});
  FakeLayout german = testing::GermanLayout();
  Expander engine(table, output, german);
  engine.SetEndingCharacters("\u00A7");
  EXPECT_EQ(Keyboard(engine).Type(german, "btw\u00A7"), Swallowed{3});
  EXPECT_EQ(output.full.back().ending, "\u00A7");
  EXPECT_FALSE(engine.IsEndingCharacter(' '));
  EXPECT_TRUE(engine.IsEndingCharacter(U'\u00A7'));
}

// ---- word start -------------------------------------------------------------------------------

TEST_F(ExpanderOptionsTest, WordStartNeedsNoLetterOrDigitBefore) {
  Set("btw", "by the way", Kept);
  EXPECT_EQ(Type(expander, "abtw "), Swallowed{});
  EXPECT_EQ(Type(expander, "1btw "), Swallowed{});
  EXPECT_EQ(Type(expander, "-btw "), Swallowed{4});
  EXPECT_EQ(LastFull().backspaces, 3u);
  EXPECT_EQ(Type(expander, "x(btw "), Swallowed{5});
  EXPECT_EQ(Type(expander, "btw "), Swallowed{3});  // after an expansion
  // A letter of another script is a letter; a non-breaking space or a dash is not.
  Packet(u'\u044F');
  EXPECT_EQ(Type(expander, "btw "), Swallowed{});
  Packet(u'\u00A0');
  EXPECT_EQ(Type(expander, "btw "), Swallowed{3});
  Packet(u'\u2014');
  EXPECT_EQ(Type(expander, "btw "), Swallowed{3});
}

TEST_F(ExpanderOptionsTest, StartOfFieldClickAndEnterCountAsWordStart) {
  Set("btw", "by the way", Kept);
  Type(expander, "ab");
  expander.ForgetTyped();  // a click
  EXPECT_EQ(Type(expander, "btw "), Swallowed{3});
  Type(expander, "ab");
  keyboard.Press(vk::Return);
  EXPECT_EQ(Type(expander, "btw "), Swallowed{3});
}

TEST_F(ExpanderOptionsTest, BufferThatLostItsStartKnowsWhatCameBefore) {
  const std::string trigger(TypedBufferLimit - 1, 'q');
  Set(trigger, "long", Kept);
  // The buffer holds the trigger and the space; what fell out before it decides.
  EXPECT_EQ(Type(expander, "z" + trigger + " "), Swallowed{});
  EXPECT_EQ(Type(expander, "zz-" + trigger + " "), Swallowed{TypedBufferLimit + 2});
}

TEST_F(ExpanderOptionsTest, AtOnceWordTriggerFiresOnItsLastCharacter) {
  Set("gs", "greetings", {FireWhen::AtOnce, FireWhere::WordStart, {}});
  EXPECT_EQ(Type(expander, "ags"), Swallowed{});
  EXPECT_EQ(Type(expander, " gs"), Swallowed{2});
  EXPECT_EQ(LastFull().ending, "");
  EXPECT_EQ(LastFull().backspaces, 1u);
}

// ---- case ---------------------------------------------------------------------------------------

TEST_F(ExpanderOptionsTest, ExactCaseIsTheDefault) {
  Set("btw", "by the way", Kept);
  EXPECT_EQ(Type(expander, "Btw BTW "), Swallowed{});
}

TEST_F(ExpanderOptionsTest, IgnoredCaseMatchesAnyCaseAndLeavesTheExpansionAsWritten) {
  Set("btw", "by the way", {FireWhen::EndingKept, {}, CaseRule::Ignore});
  for (std::string_view typed : {"btw ", "BTW ", "Btw ", "bTw "}) {
    EXPECT_EQ(Type(expander, typed), Swallowed{3}) << typed;
    EXPECT_EQ(LastFull().trigger, typed);
    EXPECT_EQ(LastFull().caseShape, CaseShape::AsWritten);
  }
}

TEST_F(ExpanderOptionsTest, ConformedCaseFollowsTheCapitalsTyped) {
  Set("btw", "by the way", {FireWhen::EndingKept, {}, CaseRule::Conform});
  const std::pair<std::string_view, CaseShape> rows[] = {
      {"btw ", CaseShape::AsWritten},   {"Btw ", CaseShape::Capitalized},
      {"bTw ", CaseShape::Capitalized}, {"BTW ", CaseShape::AllCaps},
      {"BTw ", CaseShape::AsWritten},   {"bTW ", CaseShape::AsWritten},
  };
  for (const auto& [typed, shape] : rows) {
    EXPECT_EQ(Type(expander, typed), Swallowed{3}) << typed;
    EXPECT_EQ(LastFull().caseShape, shape) << typed;
  }
  // Caps Lock gives capitals as Shift does.
  keyboard.Press(vk::Capital);
  Type(expander, "btw ");
  EXPECT_EQ(LastFull().caseShape, CaseShape::AllCaps);
}

TEST_F(ExpanderOptionsTest, CaseIsIgnoredInCyrillicGreekAndGerman) {
  Set("\u043F\u0440\u0438\u0432\u0435\u0442", "hello", {{}, {}, CaseRule::Conform});
  Packets(u"\u041F\u0420\u0418\u0412\u0415\u0422");
  ASSERT_EQ(output.full.size(), 1u);
  EXPECT_EQ(LastFull().caseShape, CaseShape::AllCaps);
  EXPECT_EQ(LastFull().backspaces, 5u);

  // Final sigma folds to sigma: "ΛΟΓΟΣ" typed in capitals ends the word "λογος".
  Set("\u03BB\u03BF\u03B3\u03BF\u03C2", "word", {{}, {}, CaseRule::Ignore});
  Packets(u"\u039B\u039F\u0393\u039F\u03A3");
  ASSERT_EQ(output.full.size(), 2u);
  EXPECT_EQ(LastFull().expansion, "word");

  // Capital sharp s (two bytes longer in UTF-8 than nothing, one more than ß) matches ß.
  Set("stra\u00DFe", "street", {{}, {}, CaseRule::Ignore});
  Packets(u"xSTRA\u1E9EE");
  ASSERT_EQ(output.full.size(), 3u);
  EXPECT_EQ(LastFull().trigger,
            "STRA\u1E9E"
            "E");
  EXPECT_EQ(LastFull().backspaces, 5u);
}

TEST_F(ExpanderOptionsTest, BackspaceKeepsTheFoldedTextInStep) {
  Set("btw", "by the way", {FireWhen::AtOnce, {}, CaseRule::Ignore});
  Packets(u"B\u00C4");
  keyboard.Press(vk::Back);
  keyboard.Press(vk::Back);
  EXPECT_EQ(expander.FoldedBuffer(), "");
  Type(expander, "BTx");
  keyboard.Press(vk::Back);
  EXPECT_EQ(Type(expander, "W"), Swallowed{0});
  EXPECT_EQ(LastFull().trigger, "BTW");
}

// ---- which fires when several could -------------------------------------------------------------

TEST_F(ExpanderOptionsTest, ExactCaseEntryComesBeforeOneIgnoringCase) {
  Set("BTW", "ignoring", {{}, {}, CaseRule::Ignore});
  Set("btw", "exact", {});
  Type(expander, "btw");
  EXPECT_EQ(LastFull().expansion, "exact");
  Type(expander, "Btw");
  EXPECT_EQ(LastFull().expansion, "ignoring");
  Type(expander, "BTW");
  EXPECT_EQ(LastFull().expansion, "ignoring");
}

TEST_F(ExpanderOptionsTest, ExactCaseComesFirstAlsoBetweenAtOnceAndAfterEnding) {
  // "BTW." sorts before "btw", but matches only by ignoring case.
  Set("BTW.", "ignoring, at once", {{}, {}, CaseRule::Ignore});
  Set("btw", "exact, after ending", Kept);
  Type(expander, " btw.");
  EXPECT_EQ(LastFull().expansion, "exact, after ending");
  Type(expander, " Btw.");
  EXPECT_EQ(LastFull().expansion, "ignoring, at once");
}

TEST_F(ExpanderOptionsTest, EntriesIgnoringCaseTakeTableOrderAmongThemselves) {
  Set("Btw", "first", {{}, {}, CaseRule::Ignore});
  Set("bTW", "second", {{}, {}, CaseRule::Ignore});
  Set("tw", "third", {{}, {}, CaseRule::Ignore});
  Type(expander, "BTW");
  EXPECT_EQ(LastFull().expansion, "first");
}

TEST_F(ExpanderOptionsTest, EntryThatCannotFireHereLetsTheNextOneFire) {
  Set("btw", "word", {{}, FireWhere::WordStart, {}});
  table.Set("tw", "inside");
  Type(expander, "abtw");
  EXPECT_EQ(LastFull().expansion, "inside");
  EXPECT_EQ(LastFull().backspaces, 1u);
  Type(expander, " btw");
  EXPECT_EQ(LastFull().expansion, "word");
}

TEST_F(ExpanderOptionsTest, AtOnceAndAfterEndingOnTheSameKeyTakeTableOrder) {
  Set("btw", "after ending", Kept);
  table.Set("btw.", "at once");
  Type(expander, " btw.");
  EXPECT_EQ(LastFull().expansion, "after ending");
  table.Set("-btw.", "at once, sorts first");
  Type(expander, "-btw.");
  EXPECT_EQ(LastFull().expansion, "at once, sorts first");
}

// ---- groups -------------------------------------------------------------------------------------

TEST_F(ExpanderOptionsTest, GroupSwitchedOffDoesNotExpandAndOnAgainDoes) {
  TriggerGroup mail{"Mail", false, {}, {}, {}};
  const std::size_t group = table.AddGroup(mail);
  Set("sig", "Regards", {}, group);
  EXPECT_EQ(Type(expander, "sig"), Swallowed{});
  mail.enabled = true;
  ASSERT_TRUE(table.SetGroup(group, mail));
  EXPECT_EQ(Type(expander, "sig"), Swallowed{2});
}

TEST_F(ExpanderOptionsTest, GroupDefaultsApplyToItsEntriesAndEntryOptionsWin) {
  const std::size_t group = table.AddGroup({"Words", true, Kept, {}, {}});
  Set("btw", "by the way", {}, group);
  Set("ty", "thank you", {FireWhen::AtOnce, {}, {}}, group);
  EXPECT_EQ(Type(expander, "btw"), Swallowed{});
  EXPECT_EQ(Type(expander, " "), Swallowed{0});
  EXPECT_EQ(Type(expander, " ty"), Swallowed{2});
  EXPECT_EQ(Type(expander, "xty"), Swallowed{});  // still a word trigger from the group
}

TEST_F(ExpanderOptionsTest, GroupOnlyInSomeProgramsAsksForTheFocusOnlyWhenItMatched) {
  const std::size_t group = table.AddGroup({"Outlook", true, {}, {"outlook.exe"}, {}});
  Set("sig", "Regards", {}, group);
  output.focused.executableName = "notepad.exe";
  Type(expander, "a long line without the trigger");
  EXPECT_EQ(output.focusQueries, 0);
  EXPECT_EQ(Type(expander, "sig"), Swallowed{});
  EXPECT_EQ(output.focusQueries, 1);
  output.focused.executableName = "OUTLOOK.EXE";
  EXPECT_EQ(Type(expander, "sig"), Swallowed{2});
  EXPECT_EQ(output.focusQueries, 2);  // once for the match, not again for the exclusions
}

TEST_F(ExpanderOptionsTest, GroupKeptOutOfAWindowClass) {
  const std::size_t group = table.AddGroup({"Code", true, {}, {}, {"class:ConsoleWindowClass"}});
  Set("fn", "function", {}, group);
  output.focused.windowClass = "ConsoleWindowClass";
  EXPECT_EQ(Type(expander, "fn"), Swallowed{});
  output.focused.windowClass = "Edit";
  EXPECT_EQ(Type(expander, "fn"), Swallowed{1});
}

// ---- pauses -------------------------------------------------------------------------------------

TEST_F(ExpanderOptionsTest, TriggerBegunBeforeAPauseEndsAfterIt) {
  constexpr std::uint32_t F12 = 0x7B;
  Set("btw", "by the way", Kept);
  expander.SetIgnoredShortcut(2 | 4, F12);  // Ctrl+Shift
  Type(expander, "btw");
  keyboard.Down(vk::LeftControl);
  keyboard.Down(vk::LeftShift);
  keyboard.Press(F12);
  keyboard.Up(vk::LeftShift);
  keyboard.Up(vk::LeftControl);
  EXPECT_EQ(Type(expander, " "), Swallowed{0});
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
