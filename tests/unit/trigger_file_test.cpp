#include "store/trigger_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const TriggerTable& table) {
  return Entries(table.begin(), table.end());
}

struct TriggerLineCase {
  const char* name;
  std::string text;
  Entries expected;
};

class TriggerFileParsing : public ::testing::TestWithParam<TriggerLineCase> {};

TEST_P(TriggerFileParsing, GivesTheEntriesOfTheText) {
  EXPECT_EQ(EntriesOf(ParseTriggerText(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TriggerFileParsing,
    ::testing::Values(
        TriggerLineCase{"SpacesAroundEqualsBelongToBothSides", ":a = b\r\n", {{":a ", " b"}}},
        TriggerLineCase{"LineBeginningWithEqualsIsSkipped", "=x\r\n:a=b\r\n", {{":a", "b"}}},
        TriggerLineCase{"NothingAfterEqualsGivesEmptyExpansion", ":a=\r\n", {{":a", ""}}},
        TriggerLineCase{"SplitsAtFirstEquals", ":a=b=c\r\n", {{":a", "b=c"}}},
        TriggerLineCase{"LaterDuplicateWins", ":a=1\r\n:a=2\r\n", {{":a", "2"}}},
        TriggerLineCase{"BlankAndSpaceOnlyLinesAreSkipped", "\r\n   \r\n:a=b\r\n\n", {{":a", "b"}}},
        TriggerLineCase{"LastLineWithoutLineEndCounts", ":a=b\r\n:c=d", {{":a", "b"}, {":c", "d"}}},
        TriggerLineCase{"LoneLineFeedsReadLikeCrLf", ":a=b\n:c=d\n", {{":a", "b"}, {":c", "d"}}},
        TriggerLineCase{"LoneCarriageReturnStaysInTheLine", ":a=b\rc\r\n", {{":a", "b\rc"}}},
        TriggerLineCase{"CarriageReturnBeforeEndOfFileStays", ":a=b\r", {{":a", "b\r"}}},
        TriggerLineCase{"NothingAfterCtrlZIsRead", ":a=b\r\n\x1A:c=d\r\n", {{":a", "b"}}},
        TriggerLineCase{"CtrlZInsideALineEndsIt",
                        ":a=b\x1A"
                        "c\r\n",
                        {{":a", "b"}}},
        TriggerLineCase{"TabsAreKept", "\t:a\t=\tb\t\r\n", {{"\t:a\t", "\tb\t"}}},
        TriggerLineCase{"NulBytesAreOrdinaryBytes",
                        std::string(":a=b\0c\r\n", 8),
                        {{":a", std::string("b\0c", 3)}}},
        TriggerLineCase{"EmptyTextGivesEmptyTable", "", {}}),
    [](const auto& info) { return info.param.name; });

// Lines a save keeps as written but whose meaning the table does not hold: the first save keeps
// a copy of the file for them.
TEST(TriggerFileParsing, CountsLinesWhoseMeaningTheTableDoesNotHold) {
  struct Case {
    const char* text;
    std::size_t counted;
  };
  for (const Case& c : {
           // Comments, lines with no trigger, duplicates and what follows a Ctrl+Z are kept.
           Case{"no equals\r\n=x\r\n:a=1\r\n:a=2\r\n\r\n:b=c\r\n", 0},
           Case{":a=1\r\n\x1A:b=2\r\n", 0},
           Case{"(options: word start)\r\n:a=1\r\n[group G: off]\r\n:b=2\r\n", 0},
           // Looks like one of the new lines but is not.
           Case{"(options: sometimes)\r\n:a=1\r\n", 1},
           Case{"(options: at once, drop ending)\r\n:a=1\r\n", 1},
           Case{"[group G: sometimes]\r\n[group]\r\n[GROUP : off]\r\n", 3},
           // Options with no entry right below them.
           Case{"(options: any case)\r\n\r\n:a=1\r\n(options: any case)", 2},
           Case{"(options: any case)\r\n(options: word start)\r\n:a=1\r\n", 1},
           // The same group again with other settings; a bare repeat says nothing new.
           Case{"[group G: off]\r\n:a=1\r\n[group G: on]\r\n", 1},
           Case{"[group G]\r\n:a=1\r\n[group H]\r\n[group G]\r\n", 0},
       }) {
    SCOPED_TRACE(c.text);
    TriggerLoadInfo info;
    ParseTriggerText(c.text, &info);
    EXPECT_EQ(info.droppedLines, c.counted);
  }
}

std::string Utf16Bytes(std::u16string_view units, bool bigEndian) {
  std::string bytes;
  for (char16_t unit : units) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}
std::string Le(std::u16string_view units) {
  return Utf16Bytes(units, false);
}
std::string Be(std::u16string_view units) {
  return Utf16Bytes(units, true);
}
const std::string LeMark = "\xFF\xFE";
const std::string BeMark = "\xFE\xFF";
const std::string Utf8Mark = "\xEF\xBB\xBF";

struct EncodingCase {
  const char* name;
  std::string bytes;
  Entries expected;
  TextEncoding encoding;
  std::size_t invalidSequences = 0;
  std::size_t droppedLines = 0;

  friend void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.name; }
};

class TriggerFileEncodings : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(TriggerFileEncodings, AreReadIntoUtf8Entries) {
  TriggerLoadInfo info;
  const TriggerTable table = ParseTriggerText(GetParam().bytes, &info);
  EXPECT_EQ(EntriesOf(table), GetParam().expected);
  EXPECT_EQ(info.encoding, GetParam().encoding) << EncodingName(info.encoding);
  EXPECT_EQ(info.invalidSequences, GetParam().invalidSequences);
  EXPECT_EQ(info.droppedLines, GetParam().droppedLines);
  for (const auto& [trigger, expansion] : table) {
    EXPECT_TRUE(IsValidUtf8(trigger) && IsValidUtf8(expansion)) << trigger << "=" << expansion;
  }
}

// "café ☕ Привет 😀" in UTF-8.
const std::string MixedUtf8 =
    "caf\xC3\xA9 \xE2\x98\x95 \xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80";
const std::u16string MixedUtf16 =
    u"caf\u00E9 \u2615 \u041F\u0440\u0438\u0432\u0435\u0442 \U0001F600";

const EncodingCase EncodingCases[] = {
    EncodingCase{
        "Utf8WithoutMark", ":x=" + MixedUtf8 + "\r\n", {{":x", MixedUtf8}}, TextEncoding::Utf8},
    EncodingCase{"Utf8MarkIsNotPartOfTheFirstTrigger",
                 Utf8Mark + ":a=b\r\n:c=d\r\n",
                 {{":a", "b"}, {":c", "d"}},
                 TextEncoding::Utf8WithBom},
    EncodingCase{"Utf8MarkAndNothingElse", Utf8Mark, {}, TextEncoding::Utf8WithBom},
    EncodingCase{"SecondUtf8MarkBelongsToTheTrigger",
                 Utf8Mark + Utf8Mark + ":a=b",
                 {{Utf8Mark + ":a", "b"}},
                 TextEncoding::Utf8WithBom},
    EncodingCase{"InvalidBytesAfterUtf8MarkBecomeReplacements",
                 Utf8Mark + ":a=caf\xE9\r\n:b=\xF0\x9F\x98\r\n",
                 {{":a", "caf\xEF\xBF\xBD"}, {":b", "\xEF\xBF\xBD"}},
                 TextEncoding::Utf8WithBom,
                 2},
    EncodingCase{"Utf16Le",
                 LeMark + Le(u":x=" + MixedUtf16 + u"\r\n:y=2\n"),
                 {{":x", MixedUtf8}, {":y", "2"}},
                 TextEncoding::Utf16Le},
    EncodingCase{"Utf16Be",
                 BeMark + Be(u":x=" + MixedUtf16 + u"\r\n:y=2\n"),
                 {{":x", MixedUtf8}, {":y", "2"}},
                 TextEncoding::Utf16Be},
    EncodingCase{"Utf16LeMarkAndNothingElse", LeMark, {}, TextEncoding::Utf16Le},
    EncodingCase{"Utf16BeMarkAndNothingElse", BeMark, {}, TextEncoding::Utf16Be},
    // U+011A, U+0A0A and U+3D3D hold the bytes of Ctrl+Z, LF and "=": only whole code
    // units end the text, end a line or split it.
    EncodingCase{"Utf16LeSplitsOnCharactersNotBytes",
                 LeMark + Le(u":\u011A\u3D3D=\u0A0A\r\n"),
                 {{":\xC4\x9A\xE3\xB4\xBD", "\xE0\xA8\x8A"}},
                 TextEncoding::Utf16Le},
    EncodingCase{"Utf16BeSplitsOnCharactersNotBytes",
                 BeMark + Be(u":\u1A3D\u3D3D=\u0A0A\r\n"),
                 {{":\xE1\xA8\xBD\xE3\xB4\xBD", "\xE0\xA8\x8A"}},
                 TextEncoding::Utf16Be},
    EncodingCase{"Utf16CtrlZEndsTheText",
                 LeMark + Le(u":a=b\r\n\u001A:c=d\r\n"),
                 {{":a", "b"}},
                 TextEncoding::Utf16Le},
    EncodingCase{"Utf16LoneCarriageReturnStaysInTheLine",
                 BeMark + Be(u":a=b\rc\r\n"),
                 {{":a", "b\rc"}},
                 TextEncoding::Utf16Be},
    EncodingCase{"Utf16LoneHighSurrogate",
                 LeMark + Le(std::u16string(u":a=x") + char16_t{0xD83D} + u"y\r\n:b=c"),
                 {{":a", "x\xEF\xBF\xBDy"}, {":b", "c"}},
                 TextEncoding::Utf16Le,
                 1},
    EncodingCase{"Utf16LoneLowSurrogate",
                 BeMark + Be(std::u16string(u":a=") + char16_t{0xDE00}),
                 {{":a", "\xEF\xBF\xBD"}},
                 TextEncoding::Utf16Be,
                 1},
    EncodingCase{"Utf16HighSurrogateCutByTheLineEnd",
                 LeMark + Le(std::u16string(u":a=") + char16_t{0xD83D} + u"\r\n"),
                 {{":a", "\xEF\xBF\xBD"}},
                 TextEncoding::Utf16Le,
                 1},
    EncodingCase{"Utf16OddByteCountDropsTheLastByte",
                 LeMark + Le(u":a=b") + "c",
                 {{":a", "b"}},
                 TextEncoding::Utf16Le,
                 1},
    EncodingCase{"Utf16MarkAndOneByte", BeMark + "x", {}, TextEncoding::Utf16Be, 1},
    EncodingCase{"AnsiBytesOf10",
                 ":caf\xE9=\x80 5\r\n:b=Stra\xDF"
                 "e\r\n",
                 {{":b",
                   "Stra\xC3\x9F"
                   "e"},
                  {":caf\xC3\xA9", "\xE2\x82\xAC 5"}},
                 TextEncoding::Ansi},
    EncodingCase{"AnsiStopsAtCtrlZ", ":a=\xE9\x1A:b=c", {{":a", "\xC3\xA9"}}, TextEncoding::Ansi},
    EncodingCase{"TruncatedUtf8SequenceIsAnsi",
                 ":a=caf\xC3\r\n",
                 {{":a", "caf\xC3\x83"}},
                 TextEncoding::Ansi},
    EncodingCase{
        "OverlongUtf8IsAnsi", ":a=\xC0\xAF\r\n", {{":a", "\xC3\x80\xC2\xAF"}}, TextEncoding::Ansi},
    EncodingCase{"Utf8SurrogateIsAnsi",
                 ":a=\xED\xA0\xBF\r\n",
                 {{":a", "\xC3\xAD\xC2\xA0\xC2\xBF"}},
                 TextEncoding::Ansi},
    EncodingCase{"Utf8BeforeCtrlZDecidesOverBytesAfter",
                 ":a=\xC3\xA9\r\n\x1A\xE9",
                 {{":a", "\xC3\xA9"}},
                 TextEncoding::Utf8},
};

INSTANTIATE_TEST_SUITE_P(Files, TriggerFileEncodings, ::testing::ValuesIn(EncodingCases),
                         [](const auto& info) { return info.param.name; });

TEST(TriggerFileEncodings, MegabyteLineReadsWholeInEveryEncoding) {
  const std::u16string wide = u":big=" + std::u16string(1 << 20, u'\u00E9') + u"\r\n:z=1";
  const std::string expansion = [] {
    std::string e;
    for (int i = 0; i < (1 << 20); ++i) e += "\xC3\xA9";
    return e;
  }();
  const Entries expected{{":big", expansion}, {":z", "1"}};
  EXPECT_EQ(EntriesOf(ParseTriggerText(LeMark + Le(wide))), expected);
  EXPECT_EQ(EntriesOf(ParseTriggerText(BeMark + Be(wide))), expected);
  EXPECT_EQ(EntriesOf(ParseTriggerText(":big=" + expansion + "\r\n:z=1")), expected);
  EXPECT_EQ(EntriesOf(ParseTriggerText(":big=" + std::string(1 << 20, '\xE9') + "\r\n:z=1")),
            expected);
}

// What is read in any encoding is written as UTF-8 and read back the same.
class TriggerFileConversion : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(TriggerFileConversion, SavesUtf8WithoutMarkThatLoadsTheSameTable) {
  const TriggerTable table = ParseTriggerText(GetParam().bytes);
  const std::string saved = FormatTriggerText(table);
  EXPECT_TRUE(IsValidUtf8(saved));
  // Only a first trigger that itself begins with U+FEFF needs a mark in front.
  EXPECT_EQ(saved.starts_with(Utf8Mark),
            !table.empty() && table.begin()->first.starts_with(Utf8Mark));
  TriggerLoadInfo info;
  EXPECT_EQ(EntriesOf(ParseTriggerText(saved, &info)), EntriesOf(table));
  EXPECT_EQ(info.droppedLines, 0u);
  EXPECT_EQ(info.invalidSequences, 0u);
}

INSTANTIATE_TEST_SUITE_P(Files, TriggerFileConversion, ::testing::ValuesIn(EncodingCases),
                         [](const auto& info) { return info.param.name; });

TEST(TriggerFileFormatting, FirstTriggerBeginningWithAMarkCharacterKeepsIt) {
  TriggerTable table;
  table.Set(Utf8Mark + ":a", "b");
  const std::string saved = FormatTriggerText(table);
  EXPECT_EQ(saved, Utf8Mark + Utf8Mark + ":a=b\r\n");
  EXPECT_EQ(EntriesOf(ParseTriggerText(saved)), EntriesOf(table));
}

TEST(TriggerFileFormatting, BytesThatAreNotUtf8AreWrittenAsReplacements) {
  TriggerTable table;
  table.Set(":a", "caf\xE9");
  table.Set(":b", "\xC3\xA9");
  const std::string saved = FormatTriggerText(table);
  EXPECT_EQ(saved, ":a=caf\xEF\xBF\xBD\r\n:b=\xC3\xA9\r\n");
  EXPECT_EQ(EntriesOf(ParseTriggerText(saved)),
            (Entries{{":a", "caf\xEF\xBF\xBD"}, {":b", "\xC3\xA9"}}));
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

TEST(TriggerFileSaving, RoundTripKeepsEveryCharacterOfTriggersWithoutEquals) {
  testing::TempDir dir;
  TriggerTable table;
  table.Set(" :sp ", " spaced = value ");
  table.Set("\xC3\xA9t\xC3\xA9", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80");
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

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
