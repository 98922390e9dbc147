#include <gtest/gtest.h>

#include <string>

#include "store/import.h"
#include "tests/support/import_results.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::EntryOf;
using testing::ImportAhk;
using testing::Noted;

ImportResult Ahk(std::string script) {
  return ImportAhk(std::move(script), "hotstrings.ahk");
}

ResolvedOptions OptionsOf(const ImportResult& result, std::string_view trigger) {
  const ImportedEntry* entry = EntryOf(result, trigger);
  EXPECT_NE(entry, nullptr) << trigger;
  return entry ? Resolve(result.FullOptions(*entry)) : ResolvedOptions{};
}

constexpr ResolvedOptions AhkDefault{FireWhen::EndingKept, FireWhere::WordStart, CaseRule::Conform};

TEST(ImportAutoHotkey, MapsEachHotstringOption) {
  const ImportResult result =
      Ahk("::btw::by the way\n"
          ":*:j@::jsmith@example.com\n"
          ":?:al::airline\n"
          ":o:ar::aristocrat\n"
          ":C:Ahk::AutoHotkey\n"
          ":C1:usa::USA\n"
          ":*b0:<em>::</em>{left 5}\n"
          ":R:ckg-::checking {Enter}\n"
          ":Ro*:svg-::saving\n"
          ":T:raw!::a!b^c\n");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(result.groups[0].name, "AutoHotkey");
  EXPECT_EQ(OptionsOf(result, "btw"), AhkDefault);
  // Entries that keep AutoHotkey's defaults carry no options of their own: the group has them.
  EXPECT_TRUE(EntryOf(result, "btw")->options.empty());
  EXPECT_EQ(OptionsOf(result, "j@").when, FireWhen::AtOnce);
  EXPECT_EQ(OptionsOf(result, "al").where, FireWhere::Anywhere);
  EXPECT_EQ(OptionsOf(result, "ar").when, FireWhen::EndingDropped);
  EXPECT_EQ(OptionsOf(result, "Ahk").caseRule, CaseRule::Exact);
  EXPECT_EQ(OptionsOf(result, "usa").caseRule, CaseRule::Ignore);
  // B0 leaves the abbreviation on screen: it is typed again.
  EXPECT_EQ(EntryOf(result, "<em>")->expansion, "<em></em>{{key:Left:5}}");
  EXPECT_EQ(EntryOf(result, "ckg-")->expansion, "checking {Enter}");
  EXPECT_EQ(OptionsOf(result, "svg-").when, FireWhen::AtOnce);
  EXPECT_EQ(EntryOf(result, "raw!")->expansion, "a!b^c");
}

TEST(ImportAutoHotkey, TranslatesSendKeysEscapesAndComments) {
  const ImportResult result =
      Ahk("::addr::Jane{Tab}Main St{Enter 2}done  ; a comment\n"
          "::esc::a`;b `n c`tz`s\n"
          "::br::{{}x{}} {!} {+} {U+00E9} {ASC 65}\n"
          "::mods::^a then +b then !{Tab}\n"
          "::unknown::a{AppsKey}b{Shift down}c\n");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(EntryOf(result, "addr")->expansion, "Jane{{key:Tab}}Main St{{key:Enter:2}}done");
  EXPECT_EQ(EntryOf(result, "esc")->expansion, "a;b {{newline}} c{{tab}}z ");
  EXPECT_EQ(EntryOf(result, "br")->expansion, "{x} ! + \xC3\xA9 A");
  EXPECT_EQ(EntryOf(result, "mods")->expansion, "{{key:Ctrl+a}} then B then {{key:Alt+Tab}}");
  EXPECT_EQ(EntryOf(result, "unknown")->expansion, "abc");
  EXPECT_TRUE(Noted(result, "unknown", "AppsKey", false));
  EXPECT_TRUE(Noted(result, "unknown", "Shift down", false));
}

TEST(ImportAutoHotkey, ReadsContinuationSections) {
  const ImportResult result =
      Ahk("::sig::\n"
          "(\n"
          "Best regards,\n"
          "   Jane {not a key}   \n"
          ")\n"
          "::joined::\n"
          "(LTrim Join`s Comments\n"
          "    one ; dropped\n"
          "    two\n"
          ")\n"
          ":R0:keys::\n"
          "(\n"
          "a{Tab}b\n"
          ")\n");
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(EntryOf(result, "sig")->expansion, "Best regards,{{newline}}   Jane {not a key}");
  EXPECT_EQ(EntryOf(result, "joined")->expansion, "one two");
  EXPECT_EQ(EntryOf(result, "keys")->expansion, "a{{key:Tab}}b");
  EXPECT_EQ(EntryOf(result, "keys")->where, "hotstrings.ahk:11");
}

TEST(ImportAutoHotkey, HotstringDefaultsApplyBelowTheirLine) {
  const ImportResult result =
      Ahk("::before::x\n"
          "#Hotstring * C\n"
          "::after::y\n"
          ":*0C0:back::z\n"
          "#Hotstring EndChars -()\n");
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(OptionsOf(result, "before"), AhkDefault);
  EXPECT_EQ(OptionsOf(result, "after"),
            (ResolvedOptions{FireWhen::AtOnce, FireWhere::WordStart, CaseRule::Exact}));
  EXPECT_EQ(OptionsOf(result, "back"), AhkDefault);
  EXPECT_TRUE(Noted(result, "", "EndChars", false));
}

TEST(ImportAutoHotkey, ScopesBecomeGroupsLimitedToTheirPrograms) {
  const ImportResult result =
      Ahk("#IfWinActive ahk_exe notepad.exe\n"
          "::v1::in notepad\n"
          "#IfWinActive\n"
          "::all::everywhere\n"
          "#HotIf WinActive(\"ahk_exe C:\\Apps\\code.exe\") or WinActive('ahk_class "
          "Chrome_WidgetWin_1')\n"
          "::v2::in code\n"
          "#HotIf !WinActive(\"ahk_exe cmd.exe\")\n"
          "::notcmd::not in cmd\n"
          "#HotIf WinActive(\"Untitled - Notepad\")\n"
          "::title::by title\n"
          "#HotIf\n"
          "::last::again everywhere\n");
  ASSERT_TRUE(result.ok()) << result.error;
  auto groupOf = [&](std::string_view trigger) -> const TriggerGroup& {
    return result.groups[EntryOf(result, trigger)->group];
  };
  EXPECT_EQ(groupOf("v1").onlyIn, std::vector<std::string>{"notepad.exe"});
  EXPECT_EQ(groupOf("all").name, "AutoHotkey");
  EXPECT_EQ(groupOf("v2").onlyIn,
            (std::vector<std::string>{"code.exe", "class:Chrome_WidgetWin_1"}));
  EXPECT_EQ(groupOf("notcmd").notIn, std::vector<std::string>{"cmd.exe"});
  EXPECT_TRUE(groupOf("notcmd").onlyIn.empty());
  EXPECT_FALSE(groupOf("title").enabled);
  EXPECT_TRUE(Noted(result, "", "Untitled - Notepad", false));
  EXPECT_EQ(groupOf("last").name, "AutoHotkey");
  // A scope's hotstrings keep AutoHotkey's defaults through their group.
  EXPECT_EQ(OptionsOf(result, "v1"), AhkDefault);
  EXPECT_TRUE(EntryOf(result, "v1")->options.empty());
}

TEST(ImportAutoHotkey, HotstringsThatRunCodeAreListedNotImported) {
  const ImportResult result =
      Ahk(":X:x1::MsgBox \"hi\"\n"
          "::v1code::\n"
          "MsgBox You typed btw\n"
          "return\n"
          "::v2code::\n"
          "{\n"
          "    if (1) {\n"
          "        Send \"x\"\n"
          "    }\n"
          "}\n"
          "::otb::{\n"
          "    Send \"y\"\n"
          "}\n"
          "/*\n"
          "::commented::out\n"
          "*/\n"
          "^j::Send \"hotkey, not a hotstring\"\n"
          "::kept::yes\n");
  ASSERT_TRUE(result.ok()) << result.error;
  ASSERT_EQ(result.entries.size(), 1u);
  EXPECT_EQ(result.entries[0].trigger, "kept");
  for (const char* trigger : {"x1", "v1code", "v2code", "otb"}) {
    EXPECT_TRUE(Noted(result, trigger, "runs code", true)) << trigger;
  }
}

TEST(ImportAutoHotkey, AContinuationSectionThatNeverEndsImportsNothing) {
  const ImportResult result = Ahk("::ok::fine\n::sig::\n(\nBest regards,\nJane\n");
  EXPECT_FALSE(result.ok());
  EXPECT_NE(result.error.find("hotstrings.ahk:3"), std::string::npos) << result.error;
  EXPECT_NE(result.error.find("never ends"), std::string::npos);
  EXPECT_TRUE(result.entries.empty());
}

TEST(ImportAutoHotkey, ReadsUtf16AndCrLfFiles) {
  std::string bytes = "\xFF\xFE";
  for (char c : std::string("::cr::lf\r\n::x::\xE9\r\n")) {
    bytes += c;
    bytes += '\0';
  }
  const ImportResult result = Ahk(bytes);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(EntryOf(result, "cr")->expansion, "lf");
  EXPECT_EQ(EntryOf(result, "x")->expansion, "\xC3\xA9");
}

TEST(ImportAutoHotkey, BytesThatAreNoUtf8AfterACtrlZBecomeReplacementCharacters) {
  // The text before a Ctrl+Z decides the encoding (UTF-8 here); what follows it must not
  // bring bytes into the table that its exports cannot write.
  const ImportResult result =
      Ahk("::a::b\n\x1A\n#IfWinActive ahk_exe n\xCB"
          "exe\n::c::d\xFF\n");
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(EntryOf(result, "c")->expansion, "d\xEF\xBF\xBD");
  EXPECT_EQ(result.groups[EntryOf(result, "c")->group].onlyIn,
            std::vector<std::string>{"n\xEF\xBF\xBD"
                                     "exe"});
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
