#include "engine/trigger_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/unit/temp_dir.h"

namespace tarquel {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const TriggerTable& table) {
  return Entries(table.begin(), table.end());
}

struct ParseCase {
  const char* name;
  std::string text;
  Entries expected;
};

class TriggerFileParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(TriggerFileParsing, GivesTheEntriesOfTheText) {
  EXPECT_EQ(EntriesOf(ParseTriggerText(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TriggerFileParsing,
    ::testing::Values(
        ParseCase{"SpacesAroundEqualsBelongToBothSides", ":a = b\r\n", {{":a ", " b"}}},
        ParseCase{"LineBeginningWithEqualsIsSkipped", "=x\r\n:a=b\r\n", {{":a", "b"}}},
        ParseCase{"NothingAfterEqualsGivesEmptyExpansion", ":a=\r\n", {{":a", ""}}},
        ParseCase{"SplitsAtFirstEquals", ":a=b=c\r\n", {{":a", "b=c"}}},
        ParseCase{"LaterDuplicateWins", ":a=1\r\n:a=2\r\n", {{":a", "2"}}},
        ParseCase{"BlankAndSpaceOnlyLinesAreSkipped", "\r\n   \r\n:a=b\r\n\n", {{":a", "b"}}},
        ParseCase{"LastLineWithoutLineEndCounts", ":a=b\r\n:c=d", {{":a", "b"}, {":c", "d"}}},
        ParseCase{"LoneLineFeedsReadLikeCrLf", ":a=b\n:c=d\n", {{":a", "b"}, {":c", "d"}}},
        ParseCase{"LoneCarriageReturnStaysInTheLine", ":a=b\rc\r\n", {{":a", "b\rc"}}},
        ParseCase{"CarriageReturnBeforeEndOfFileStays", ":a=b\r", {{":a", "b\r"}}},
        ParseCase{"ByteOrderMarkBelongsToFirstTrigger",
                  "\xEF\xBB\xBF:a=b\r\n",
                  {{"\xEF\xBB\xBF:a", "b"}}},
        ParseCase{"NothingAfterCtrlZIsRead", ":a=b\r\n\x1A:c=d\r\n", {{":a", "b"}}},
        ParseCase{"CtrlZInsideALineEndsIt",
                  ":a=b\x1A"
                  "c\r\n",
                  {{":a", "b"}}},
        ParseCase{"TabsAreKept", "\t:a\t=\tb\t\r\n", {{"\t:a\t", "\tb\t"}}},
        ParseCase{"NulBytesAreOrdinaryBytes",
                  std::string(":a=b\0c\r\n", 8),
                  {{":a", std::string("b\0c", 3)}}},
        ParseCase{"EmptyTextGivesEmptyTable", "", {}}),
    [](const auto& info) { return info.param.name; });

TEST(TriggerFileParsing, CountsLinesASaveWouldDrop) {
  TriggerLoadInfo info;
  ParseTriggerText("no equals\r\n=x\r\n:a=1\r\n:a=2\r\n\r\n:b=c\r\n", &info);
  EXPECT_EQ(info.droppedLines, 3u);

  ParseTriggerText(":a=1\r\n\r\n:b=2\n", &info);
  EXPECT_EQ(info.droppedLines, 0u);

  ParseTriggerText(":a=1\r\n\x1A:b=2\r\n", &info);
  EXPECT_EQ(info.droppedLines, 1u);
  ParseTriggerText(":a=1\r\n\x1A", &info);
  EXPECT_EQ(info.droppedLines, 0u);
}

TEST(TriggerTableOrder, IsUnsignedByteWise) {
  TriggerTable table;
  for (const char* trigger : {":b", ":a", ":ab", ":B", "\xE9", "~"}) table.Set(trigger, "x");
  std::vector<std::string> order;
  for (const auto& entry : table) order.push_back(entry.first);
  EXPECT_EQ(order, (std::vector<std::string>{":B", ":a", ":ab", ":b", "~", "\xE9"}));
}

TEST(TriggerTableEdits, SetReplacesAndEraseCounts) {
  TriggerTable table;
  table.Set(":a", "1");
  table.Set(":a", "2");
  EXPECT_EQ(table.size(), 1u);
  EXPECT_EQ(*table.Find(":a"), "2");
  EXPECT_EQ(table.Erase(":a"), 1u);
  EXPECT_EQ(table.Erase(":a"), 0u);
  EXPECT_TRUE(table.empty());
}

TEST(DefaultTriggers, FillOnlyAnEmptyTable) {
  TriggerTable empty;
  AddDefaultTriggers(empty);
  EXPECT_EQ(EntriesOf(empty),
            (Entries{{":demo", "Hello World"}, {":mail", "someone@example.com"}}));

  TriggerTable one;
  one.Set(":x", "y");
  AddDefaultTriggers(one);
  EXPECT_EQ(EntriesOf(one), (Entries{{":x", "y"}}));
}

TEST(TriggerFileSaving, WritesCrLfLinesInTableOrderAndNothingMore) {
  testing::TempDir dir;
  TriggerTable table;
  AddDefaultTriggers(table);
  ASSERT_TRUE(SaveTriggerTable(dir / "config.txt", table));
  EXPECT_EQ(testing::ReadBytes(dir / "config.txt"),
            ":demo=Hello World\r\n:mail=someone@example.com\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.tmp"));
}

TEST(TriggerFileSaving, EmptyTableGivesEmptyFileThatLoadsEmpty) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "config.txt", ":old=entry\r\n");
  ASSERT_TRUE(SaveTriggerTable(dir / "config.txt", TriggerTable()));
  EXPECT_EQ(std::filesystem::file_size(dir / "config.txt"), 0u);
  TriggerLoadInfo info;
  EXPECT_TRUE(LoadTriggerTable(dir / "config.txt", &info).empty());
  EXPECT_TRUE(info.opened);
}

TEST(TriggerFileSaving, ShorterTableLeavesNoTailOfTheOldFile) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "config.txt", ":long=" + std::string(1000, 'x') + "\r\n");
  TriggerTable table;
  table.Set(":s", "t");
  ASSERT_TRUE(SaveTriggerTable(dir / "config.txt", table));
  EXPECT_EQ(testing::ReadBytes(dir / "config.txt"), ":s=t\r\n");
}

TEST(TriggerFileSaving, RoundTripKeepsEveryByteOfTriggersWithoutEquals) {
  testing::TempDir dir;
  TriggerTable table;
  table.Set(" :sp ", " spaced = value ");
  table.Set("\xC3\xA9t\xE9", "caf\xE9 \x80");
  table.Set(":tab\t", "\t");
  table.Set(":empty", "");
  ASSERT_TRUE(SaveTriggerTable(dir / "config.txt", table));
  EXPECT_EQ(EntriesOf(LoadTriggerTable(dir / "config.txt")), EntriesOf(table));
}

TEST(TriggerFileSaving, TriggerWithEqualsMovesItsTailToTheExpansion) {
  testing::TempDir dir;
  TriggerTable table;
  table.Set(":a=b", "c");
  ASSERT_TRUE(SaveTriggerTable(dir / "config.txt", table));
  EXPECT_EQ(EntriesOf(LoadTriggerTable(dir / "config.txt")), (Entries{{":a", "b=c"}}));
}

TEST(TriggerFileSaving, FailureIsReportedAndCreatesNothing) {
  testing::TempDir dir;
  TriggerTable table;
  table.Set(":a", "b");
  SaveResult result = SaveTriggerTable(dir / "missing" / "config.txt", table);
  EXPECT_FALSE(result);
  EXPECT_FALSE(result.error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(TriggerFileSaving, FailedReplaceKeepsTheOldContent) {
  testing::TempDir dir;
  // A folder where the file should be: the new bytes can be written beside it but never
  // replace it, and the folder's content must survive.
  std::filesystem::create_directory(dir / "config.txt");
  testing::WriteBytes(dir / "config.txt" / "keep", "old");
  TriggerTable table;
  table.Set(":a", "b");
  EXPECT_FALSE(SaveTriggerTable(dir / "config.txt", table));
  EXPECT_EQ(testing::ReadBytes(dir / "config.txt" / "keep"), "old");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.tmp"));
}

TEST(TriggerFileLoading, MissingFileGivesEmptyTableAndCreatesNothing) {
  testing::TempDir dir;
  TriggerLoadInfo info;
  EXPECT_TRUE(LoadTriggerTable(dir / "config.txt", &info).empty());
  EXPECT_FALSE(info.opened);
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt"));
}

TEST(TriggerFileLoading, ReadsBytesUntranslatedOnEveryPlatform) {
  testing::TempDir dir;
  // Text-mode reading would turn CR LF into LF and stop at Ctrl+Z on Windows only; the loader
  // must give the same table everywhere.
  testing::WriteBytes(dir / "config.txt", ":a=b\r\r\n:c=d\x1A\r\n:e=f\r\n");
  EXPECT_EQ(EntriesOf(LoadTriggerTable(dir / "config.txt")), (Entries{{":a", "b\r"}, {":c", "d"}}));
}

}  // namespace
}  // namespace tarquel
