#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "store/trigger_file.h"
#include "store/trigger_file_history.h"
#include "tests/support/temp_dir.h"
#include "tests/support/trigger_groups.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using testing::Group;

// A hand-kept file: comments, blank lines, its own order, two groups, options.
const std::string Tidy =
    "# My triggers\r\n"
    "\r\n"
    "zz=last in the alphabet, first in the file\r\n"
    "btw=by the way\r\n"
    "\r\n"
    "# Mail\r\n"
    "[group Mail: only in outlook.exe, after ending]\r\n"
    "(options: conform case)\r\n"
    "sig=Best regards\r\n"
    "adr=Main Street 1\r\n"
    "\r\n"
    "[group Code: off]\r\n"
    "fn=function\r\n";

// What a load makes of the text, and how a save writes `change` of it back.
std::string SavedAfter(const std::string& text, const std::function<void(TriggerTable&)>& change,
                       TriggerTextUpdate* update = nullptr) {
  TriggerTable table = ParseTriggerText(text);
  change(table);
  TriggerTextUpdate result = UpdateTriggerText(text, table);
  // Whatever was written reads back as the table that was written.
  const TriggerTable again = ParseTriggerText(result.text);
  EXPECT_TRUE(std::equal(again.begin(), again.end(), table.begin(), table.end()));
  for (const auto& [trigger, expansion] : table) {
    EXPECT_EQ(again.InfoOf(trigger).options, table.InfoOf(trigger).options) << trigger;
    EXPECT_EQ(again.Groups()[again.InfoOf(trigger).group].name,
              table.Groups()[table.InfoOf(trigger).group].name)
        << trigger;
  }
  if (update != nullptr) *update = result;
  return result.text;
}

std::size_t GroupOf(const TriggerTable& table, std::string_view name) {
  return *table.FindGroup(name);
}

TEST(TriggerFileReading, EntriesTakeTheirGroupAndTheOptionsLineAboveThem) {
  TriggerLoadInfo info;
  const TriggerTable table = ParseTriggerText(Tidy, &info);
  EXPECT_EQ(info.droppedLines, 0u);
  ASSERT_EQ(table.size(), 5u);
  ASSERT_EQ(table.Groups().size(), 3u);
  EXPECT_EQ(table.Groups()[1],
            Group("Mail", true, {FireWhen::EndingKept, {}, {}}, {"outlook.exe"}));
  EXPECT_EQ(table.Groups()[2], Group("Code", false));

  EXPECT_EQ(table.InfoOf("btw"), EntryInfo{});
  EXPECT_EQ(table.InfoOf("sig"), (EntryInfo{{{}, {}, CaseRule::Conform}, 1}));
  // The options line is for the very next entry only.
  EXPECT_EQ(table.InfoOf("adr"), (EntryInfo{{}, 1}));
  EXPECT_EQ(table.InfoOf("fn"), (EntryInfo{{}, 2}));
  EXPECT_EQ(table.OptionsOf("sig"),
            (ResolvedOptions{FireWhen::EndingKept, FireWhere::Anywhere, CaseRule::Conform}));
}

TEST(TriggerFileReading, ALaterLineOfTheSameTriggerOverridesExpansionOptionsAndGroup) {
  const TriggerTable table = ParseTriggerText(
      "(options: any case)\r\n:a=1\r\n[group G]\r\n:a=2\r\n(options: word start)\r\n:b=1\r\n"
      ":b=2\r\n");
  EXPECT_EQ(*table.Find(":a"), "2");
  EXPECT_EQ(table.InfoOf(":a"), (EntryInfo{{}, 1}));
  EXPECT_EQ(*table.Find(":b"), "2");
  EXPECT_EQ(table.InfoOf(":b"), (EntryInfo{{}, 1}));
}

TEST(TriggerFileReading, UnknownWordsLeaveAComment) {
  TriggerLoadInfo info;
  const TriggerTable table = ParseTriggerText(
      "(options: word start, sometimes)\r\n:a=1\r\n[group G: now]\r\n:b=2\r\n", &info);
  EXPECT_EQ(info.droppedLines, 2u);
  EXPECT_EQ(table.InfoOf(":a"), EntryInfo{});
  // The group line was not one: :b stays with the entries of no group.
  EXPECT_EQ(table.InfoOf(":b"), EntryInfo{});
  EXPECT_EQ(table.Groups().size(), 1u);
}

// Files 1.0 could have written or a person could keep, saved with the table they load into.
TEST(TriggerFileUpdate, NothingChangedGivesTheFileBackByteForByte) {
  const std::string files[] = {
      "",
      Tidy,
      ":a=1\r\n:b=2\r\n",
      ":b=2\r\n:a=1",
      "# only a comment",
      "\n\n\n",
      ":a=1\n# unix\n\n[group G]\n:b=2\n",
      ":a=1\r\n:b=2\n:c=3\r\n",
      "\xEF\xBB\xBF# marked\r\n:caf\xC3\xA9=\xE2\x98\x95\r\n",
      ":a=1\r\n:a=2\r\n=no trigger\r\n(options: sometimes)\r\n[group]\r\n",
      "(options: any case)\r\n\r\n:a=1\r\n(options: word start)",
      ":a=1\r\n\x1A:after=never read\r\n\xE9\xFF",
      ":a=b\r",
      "  (options:  Word Start )\t\r\n:a=1\r\n[GROUP  G :OFF]\r\n",
      "[group G]\r\n:a=1\r\n[group H]\r\n:b=2\r\n[group G]\r\n:c=3\r\n",
  };
  for (const std::string& file : files) {
    SCOPED_TRACE(::testing::PrintToString(file));
    TriggerTextUpdate update;
    EXPECT_EQ(SavedAfter(
                  file, [](TriggerTable&) {}, &update),
              file);
    EXPECT_FALSE(update.dropsLines);
    EXPECT_FALSE(update.changesEncoding);
  }
}

TEST(TriggerFileUpdate, AChangedExpansionRewritesOnlyItsLine) {
  std::string expected = Tidy;
  expected.replace(expected.find("Best regards"), 12, "Kind regards");
  EXPECT_EQ(SavedAfter(Tidy, [](TriggerTable& t) { t.Set("sig", "Kind regards"); }), expected);
}

TEST(TriggerFileUpdate, ChangedOptionsRewriteOnlyTheOptionsLine) {
  // Options added: a line above the entry.
  std::string added = Tidy;
  added.insert(added.find("btw="), "(options: word start, any case)\r\n");
  EXPECT_EQ(
      SavedAfter(Tidy,
                 [](TriggerTable& t) {
                   t.Set("btw", "by the way", {{{}, FireWhere::WordStart, CaseRule::Ignore}, 0});
                 }),
      added);

  // Options changed: the line says the new ones, the entry's line stays.
  std::string changed = Tidy;
  changed.replace(changed.find("(options: conform case)"), 23, "(options: drop ending)");
  EXPECT_EQ(SavedAfter(Tidy,
                       [](TriggerTable& t) {
                         t.Set("sig", "Best regards", {{FireWhen::EndingDropped, {}, {}}, 1});
                       }),
            changed);

  // Options gone: so is the line.
  std::string removed = Tidy;
  removed.erase(removed.find("(options: conform case)\r\n"), 25);
  EXPECT_EQ(SavedAfter(Tidy,
                       [](TriggerTable& t) {
                         t.Set("sig", "Best regards", {{}, 1});
                       }),
            removed);
}

TEST(TriggerFileUpdate, NewEntriesGoAfterTheLastEntryOfTheirGroup) {
  std::string expected = Tidy;
  // No group: after its last entry, before the comment that opens the first group.
  expected.insert(expected.find("\r\n# Mail"), "aaa=first in table order\r\nnew=entry\r\n");
  // A group's: after its last entry, before the blank line that ends it.
  expected.insert(expected.find("\r\n\r\n[group Code"), "\r\n(options: any case)\r\nmail=new");
  expected += "zzz=code\r\n";
  EXPECT_EQ(SavedAfter(Tidy,
                       [](TriggerTable& t) {
                         t.Set("new", "entry");
                         t.Set("aaa", "first in table order");
                         t.Set("mail", "new", {{{}, {}, CaseRule::Ignore}, GroupOf(t, "Mail")});
                         t.Set("zzz", "code", {{}, GroupOf(t, "Code")});
                       }),
            expected);
}

TEST(TriggerFileUpdate, NewEntriesOfAPartWithoutEntriesFollowItsLastWrittenLine) {
  EXPECT_EQ(SavedAfter("# header\r\n\r\n[group G]\r\n# mail snippets\r\n\r\n",
                       [](TriggerTable& t) {
                         t.Set("a", "1");
                         t.Set("g", "2", {{}, 1});
                       }),
            "# header\r\na=1\r\n\r\n[group G]\r\n# mail snippets\r\ng=2\r\n\r\n");
  EXPECT_EQ(SavedAfter("\r\n[group G]\r\n", [](TriggerTable& t) { t.Set("a", "1"); }),
            "a=1\r\n\r\n[group G]\r\n");
}

TEST(TriggerFileUpdate, ADeletedEntryTakesItsOptionsLineAndNothingElse) {
  std::string expected = Tidy;
  expected.erase(expected.find("(options: conform case)"), 25 + 18);
  expected.erase(expected.find("btw=by the way\r\n"), 16);
  TriggerTextUpdate update;
  EXPECT_EQ(SavedAfter(
                Tidy,
                [](TriggerTable& t) {
                  t.Erase("sig");
                  t.Erase("btw");
                },
                &update),
            expected);
  EXPECT_FALSE(update.dropsLines);
}

TEST(TriggerFileUpdate, AnEntryMovedToAnotherGroupLeavesItsPlaceForTheEndOfThatGroup) {
  std::string expected = Tidy;
  expected.erase(expected.find("btw=by the way\r\n"), 16);
  expected += "btw=by the way\r\n";
  EXPECT_EQ(SavedAfter(Tidy,
                       [](TriggerTable& t) {
                         t.Set("btw", "by the way", {{}, GroupOf(t, "Code")});
                       }),
            expected);
}

TEST(TriggerFileUpdate, AGroupWithOtherSettingsGetsItsLineRewritten) {
  std::string expected = Tidy;
  expected.replace(expected.find("[group Code: off]"), 17, "[group Code: not in cmd.exe]");
  EXPECT_EQ(SavedAfter(Tidy,
                       [](TriggerTable& t) {
                         t.SetGroup(GroupOf(t, "Code"), Group("Code", true, {}, {}, {"cmd.exe"}));
                       }),
            expected);

  // Every line that opens the group says the same.
  EXPECT_EQ(SavedAfter("[group G]\r\n:a=1\r\n[group H]\r\n[group G]\r\n:b=2\r\n",
                       [](TriggerTable& t) { t.SetGroup(1, Group("G", false)); }),
            "[group G: off]\r\n:a=1\r\n[group H]\r\n[group G: off]\r\n:b=2\r\n");
}

TEST(TriggerFileUpdate, ANewGroupComesAtTheEndWithItsEntries) {
  EXPECT_EQ(
      SavedAfter(
          Tidy,
          [](TriggerTable& t) {
            const std::size_t web = t.AddGroup(Group("Web", true, {{}, FireWhere::WordStart, {}}));
            t.Set("url", "https://example.com", {{}, web});
            t.AddGroup(Group("Empty"));
          }),
      Tidy + "\r\n[group Web: word start]\r\nurl=https://example.com\r\n\r\n[group Empty]\r\n");
}

TEST(TriggerFileUpdate, AFileOf10StaysAFileOf10) {
  const std::string file = ":demo=Hello World\r\n:zz=the last\r\n:mail=someone@example.com\r\n";
  EXPECT_EQ(SavedAfter(file,
                       [](TriggerTable& t) {
                         t.Erase(":zz");
                         t.Set(":sig", "Best regards");
                         t.Set(":demo", "Hello");
                       }),
            ":demo=Hello\r\n:mail=someone@example.com\r\n:sig=Best regards\r\n");
}

TEST(TriggerFileUpdate, ATriggerWrittenTwiceIsChangedWhereItIsInForce) {
  TriggerTextUpdate update;
  EXPECT_EQ(SavedAfter(
                ":a=1\r\n:b=2\r\n:a=3\r\n", [](TriggerTable& t) { t.Set(":a", "4"); }, &update),
            ":a=1\r\n:b=2\r\n:a=4\r\n");
  EXPECT_FALSE(update.dropsLines);
  // Deleted, or moved away, it leaves no earlier line to come back: that line is lost.
  EXPECT_EQ(SavedAfter(
                ":a=1\r\n:b=2\r\n:a=3\r\n", [](TriggerTable& t) { t.Erase(":a"); }, &update),
            ":b=2\r\n");
  EXPECT_TRUE(update.dropsLines);
  EXPECT_EQ(SavedAfter(
                "[group G]\r\n:a=1\r\n[group H]\r\n:a=3\r\n",
                [](TriggerTable& t) {
                  t.Set(":a", "3", {{}, 1});
                },
                &update),
            "[group G]\r\n:a=3\r\n[group H]\r\n");
  EXPECT_TRUE(update.dropsLines);
}

TEST(TriggerFileUpdate, NewLinesEndAsTheFileEndsItsLines) {
  EXPECT_EQ(SavedAfter(":a=1\n:b=2\n",
                       [](TriggerTable& t) {
                         t.Set(":c", "3", {{{}, {}, CaseRule::Ignore}, 0});
                       }),
            ":a=1\n:b=2\n(options: any case)\n:c=3\n");
  // A file whose last line has no line end gets none after its new last line either.
  EXPECT_EQ(SavedAfter(":a=1\r\n:b=2", [](TriggerTable& t) { t.Set(":c", "3"); }),
            ":a=1\r\n:b=2\r\n:c=3");
  EXPECT_EQ(SavedAfter(":a=1\r\n:b=2", [](TriggerTable& t) { t.Erase(":b"); }), ":a=1");
  // A CR that ends an expansion is not half of a line end.
  EXPECT_EQ(SavedAfter(":a=1\n", [](TriggerTable& t) { t.Set(":a", "x\r"); }), ":a=x\r\r\n");
}

TEST(TriggerFileUpdate, TextAfterCtrlZStaysAfterTheEntries) {
  EXPECT_EQ(SavedAfter(":a=1\r\n\x1A:b=never read\r\n", [](TriggerTable& t) { t.Set(":c", "3"); }),
            ":a=1\r\n:c=3\r\n\x1A:b=never read\r\n");
  EXPECT_EQ(SavedAfter(":a=1\x1Atail", [](TriggerTable& t) { t.Set(":c", "3"); }),
            ":a=1\r\n:c=3\x1Atail");
}

// An options line that belongs to no entry must never come to stand above one.
TEST(TriggerFileUpdate, OptionsOfNoEntryNeverFallOnOne) {
  // A new entry of a part that ends in such a line goes above it.
  EXPECT_EQ(SavedAfter("# c\r\n(options: any case)\r\n", [](TriggerTable& t) { t.Set(":a", "1"); }),
            "# c\r\n:a=1\r\n(options: any case)\r\n");
  // The entry below the next options line goes: the stray line would take its place, and so it
  // goes too.
  TriggerTextUpdate update;
  EXPECT_EQ(SavedAfter(
                "(options: any case)\r\n(options: word start)\r\n:a=1\r\n:b=2\r\n",
                [](TriggerTable& t) { t.Erase(":a"); }, &update),
            ":b=2\r\n");
  EXPECT_TRUE(update.dropsLines);
}

TEST(TriggerFileUpdate, OtherEncodingsAreWrittenAsUtf8AndSaySo) {
  TriggerTextUpdate update;
  EXPECT_EQ(SavedAfter(
                "# caf\xE9\r\n:caf\xE9=\x80\r\n", [](TriggerTable&) {}, &update),
            "# caf\xC3\xA9\r\n:caf\xC3\xA9=\xE2\x82\xAC\r\n");
  EXPECT_TRUE(update.changesEncoding);
  const std::string utf16("\xFF\xFE#\0\r\0\n\0:\0a\0=\0\xE9\0", 16);
  EXPECT_EQ(SavedAfter(
                utf16, [](TriggerTable&) {}, &update),
            "#\r\n:a=\xC3\xA9");
  EXPECT_TRUE(update.changesEncoding);
}

TEST(TriggerFileUpdate, ANewFileHoldsTheEntriesOfNoGroupThenEachGroup) {
  TriggerTable table;
  const std::size_t mail = table.AddGroup(Group("Mail", false));
  table.Set("sig", "Best regards", {{FireWhen::EndingKept, {}, {}}, mail});
  table.Set("btw", "by the way");
  EXPECT_EQ(FormatTriggerText(table),
            "btw=by the way\r\n\r\n[group Mail: off]\r\n(options: after ending)\r\nsig=Best "
            "regards\r\n");
}

// The save on disk: nothing changed writes nothing, and a change keeps no copy.
class TriggerFileSaveInPlace : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir / "config.txt"; }
  TempDir dir;
  TriggerFileHistory history;
};

TEST_F(TriggerFileSaveInPlace, NothingChangedWritesNothing) {
  WriteBytes(File(), Tidy);
  const TriggerTable table = LoadTriggerFile(File(), history);
  const auto written = std::filesystem::last_write_time(File());
  // A save that wrote would go through a temporary file: a folder in its place fails it.
  std::filesystem::create_directories(dir / "config.txt.tmp" / "sub");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), Tidy);
  EXPECT_EQ(std::filesystem::last_write_time(File()), written);
}

TEST_F(TriggerFileSaveInPlace, AddingChangingAndDeletingKeepNoCopy) {
  WriteBytes(File(), Tidy);
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set("new", "entry");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Set("btw", "by the way!");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Erase("fn");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.bak"));
  std::string expected = Tidy;
  expected.replace(expected.find("by the way"), 10, "by the way!");
  expected.insert(expected.find("\r\n# Mail"), "new=entry\r\n");
  expected.erase(expected.find("fn=function\r\n"));
  EXPECT_EQ(ReadBytes(File()), expected);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
