#include "util/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

struct Utf8Case {
  const char* name;
  std::string bytes;
};

class ValidUtf8 : public ::testing::TestWithParam<Utf8Case> {};
class InvalidUtf8 : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(ValidUtf8, IsAccepted) {
  EXPECT_TRUE(IsValidUtf8(GetParam().bytes));
  EXPECT_EQ(RepairUtf8(GetParam().bytes), GetParam().bytes);
}

TEST_P(InvalidUtf8, IsRefusedAlsoAfterALongAsciiRun) {
  EXPECT_FALSE(IsValidUtf8(GetParam().bytes));
  // Past the eight-byte ASCII skip, at every alignment.
  for (std::size_t ascii = 1; ascii <= 17; ++ascii) {
    EXPECT_FALSE(IsValidUtf8(std::string(ascii, 'a') + GetParam().bytes)) << ascii;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ValidUtf8,
    ::testing::Values(Utf8Case{"Empty", ""}, Utf8Case{"Ascii", "plain :text=here\r\n"},
                      Utf8Case{"Nul", std::string("a\0b", 3)},
                      Utf8Case{"SmallestTwoByte", "\xC2\x80"},
                      Utf8Case{"LargestTwoByte", "\xDF\xBF"},
                      Utf8Case{"SmallestThreeByte", "\xE0\xA0\x80"},
                      Utf8Case{"LastBeforeSurrogates", "\xED\x9F\xBF"},
                      Utf8Case{"FirstAfterSurrogates", "\xEE\x80\x80"},
                      Utf8Case{"LargestThreeByte", "\xEF\xBF\xBF"},
                      Utf8Case{"SmallestFourByte", "\xF0\x90\x80\x80"},
                      Utf8Case{"LargestCodePoint", "\xF4\x8F\xBF\xBF"},
                      Utf8Case{"MixedText", "caf\xC3\xA9 \xE2\x98\x95 \xD0\x9F \xF0\x9F\x98\x80"},
                      Utf8Case{"NonAsciiAfterLongAscii", "0123456789abcdef\xC3\xA9"}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Sequences, InvalidUtf8,
    ::testing::Values(
        Utf8Case{"LoneContinuation", "\x80"}, Utf8Case{"OverlongSlash", "\xC0\xAF"},
        Utf8Case{"OverlongTwoByte", "\xC1\xBF"}, Utf8Case{"OverlongThreeByte", "\xE0\x9F\xBF"},
        Utf8Case{"OverlongFourByte", "\xF0\x8F\xBF\xBF"}, Utf8Case{"HighSurrogate", "\xED\xA0\x80"},
        Utf8Case{"LowSurrogate", "\xED\xBF\xBF"},
        Utf8Case{"AboveLargestCodePoint", "\xF4\x90\x80\x80"},
        Utf8Case{"LeadF5", "\xF5\x80\x80\x80"}, Utf8Case{"ByteFF", "\xFF"},
        Utf8Case{"TruncatedTwoByte", "\xC3"}, Utf8Case{"TruncatedThreeByte", "\xE2\x82"},
        Utf8Case{"TruncatedFourByte", "\xF0\x9F\x98"},
        Utf8Case{"ContinuationMissingMidText", "\xE2\x82x"}, Utf8Case{"Latin1Byte", "caf\xE9"}),
    [](const auto& info) { return info.param.name; });

struct RepairCase {
  const char* name;
  std::string bytes;
  std::string repaired;
  std::size_t replaced;
};

class Utf8Repair : public ::testing::TestWithParam<RepairCase> {};

TEST_P(Utf8Repair, ReplacesEachMaximalIllFormedPartOnce) {
  std::size_t replaced = 0;
  EXPECT_EQ(RepairUtf8(GetParam().bytes, &replaced), GetParam().repaired);
  EXPECT_EQ(replaced, GetParam().replaced);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, Utf8Repair,
    ::testing::Values(
        RepairCase{"TruncatedFourByteIsOne", "a\xF0\x9F\x98z", "a\xEF\xBF\xBDz", 1},
        RepairCase{"TruncatedAtEndIsOne", "a\xE2\x82", "a\xEF\xBF\xBD", 1},
        // C0 never starts a sequence, so each byte is its own part.
        RepairCase{"OverlongIsTwo", "\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD", 2},
        RepairCase{"SurrogateIsThree", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", 3},
        RepairCase{"ValidAroundIsKept", "\xC3\xA9\xFF\xC3\xA9", "\xC3\xA9\xEF\xBF\xBD\xC3\xA9", 1}),
    [](const auto& info) { return info.param.name; });

TEST(Utf8ToUtf16, GivesSurrogatePairsAboveTheBasicPlane) {
  EXPECT_EQ(Utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
            (std::u16string{u'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00}));
  EXPECT_EQ(Utf8ToUtf16(""), u"");
}

TEST(Utf8ToUtf16, TurnsInvalidBytesIntoReplacementCharacters) {
  EXPECT_EQ(Utf8ToUtf16("a\xE9z"), (std::u16string{u'a', 0xFFFD, u'z'}));
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), (std::u16string{0xFFFD, 0xFFFD, 0xFFFD}));
  EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98"), (std::u16string{0xFFFD}));
}

struct Utf16Case {
  const char* name;
  std::u16string units;
  std::string utf8;
  std::size_t replaced;
};

class Utf16ToUtf8Conversion : public ::testing::TestWithParam<Utf16Case> {};

TEST_P(Utf16ToUtf8Conversion, GivesValidUtf8) {
  std::size_t replaced = 0;
  const std::string utf8 = Utf16ToUtf8(GetParam().units, &replaced);
  EXPECT_EQ(utf8, GetParam().utf8);
  EXPECT_EQ(replaced, GetParam().replaced);
  EXPECT_TRUE(IsValidUtf8(utf8));
}

INSTANTIATE_TEST_SUITE_P(
    Units, Utf16ToUtf8Conversion,
    ::testing::Values(
        Utf16Case{
            "BasicPlane", {u'a', 0x00E9, 0x20AC, 0xFFFF}, "a\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBF", 0},
        Utf16Case{"SurrogatePair", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80", 0},
        Utf16Case{"LargestPair", {0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF", 0},
        Utf16Case{"LoneHighBeforeText", {0xD83D, u'x'}, "\xEF\xBF\xBDx", 1},
        Utf16Case{"LoneHighAtEnd", {u'x', 0xD83D}, "x\xEF\xBF\xBD", 1},
        Utf16Case{"LoneLow", {0xDE00, u'x'}, "\xEF\xBF\xBDx", 1},
        Utf16Case{"ReversedPairIsTwo", {0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD", 2},
        Utf16Case{"TwoHighsThenLowKeepsThePair",
                  {0xD83D, 0xD83D, 0xDE00},
                  "\xEF\xBF\xBD\xF0\x9F\x98\x80",
                  1}),
    [](const auto& info) { return info.param.name; });

TEST(UnicodeConversions, EveryScalarValueSurvivesUtf8ToUtf16AndBack) {
  std::u16string all;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (c < 0x10000) {
      all += static_cast<char16_t>(c);
    } else {
      all += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
      all += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  std::size_t replaced = 0;
  const std::string utf8 = Utf16ToUtf8(all, &replaced);
  EXPECT_EQ(replaced, 0u);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToUtf16(utf8), all);
}

// Characters that Windows-1252 on the host and the ANSI code page Wine runs the tests with
// agree on.
TEST(AnsiToUtf8, ConvertsTheCodePagesCharacters) {
  EXPECT_EQ(AnsiToUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(AnsiToUtf8("\x80 5"), "\xE2\x82\xAC 5");
  EXPECT_EQ(AnsiToUtf8("Stra\xDF"
                       "e \xFC\xFF"),
            "Stra\xC3\x9F"
            "e \xC3\xBC\xC3\xBF");
  EXPECT_EQ(AnsiToUtf8("plain ASCII\r\n"), "plain ASCII\r\n");
  EXPECT_EQ(AnsiToUtf8(""), "");
}

struct DetectCase {
  const char* name;
  std::string bytes;
  TextEncoding encoding;
};

class EncodingDetection : public ::testing::TestWithParam<DetectCase> {};

TEST_P(EncodingDetection, FollowsMarkThenUtf8ThenAnsi) {
  EXPECT_EQ(DetectEncoding(GetParam().bytes), GetParam().encoding)
      << EncodingName(DetectEncoding(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Files, EncodingDetection,
    ::testing::Values(
        DetectCase{"EmptyIsUtf8", "", TextEncoding::Utf8},
        DetectCase{"AsciiIsUtf8", ":a=b\r\n", TextEncoding::Utf8},
        DetectCase{"ValidUtf8", ":caf\xC3\xA9=x", TextEncoding::Utf8},
        DetectCase{"Utf8Mark", "\xEF\xBB\xBF:a=b", TextEncoding::Utf8WithBom},
        DetectCase{"Utf8MarkBeforeInvalidBytes", "\xEF\xBB\xBF\xE9", TextEncoding::Utf8WithBom},
        DetectCase{"Utf16LeMark", std::string("\xFF\xFE:\0", 4), TextEncoding::Utf16Le},
        DetectCase{"Utf16BeMark", std::string("\xFE\xFF\0:", 4), TextEncoding::Utf16Be},
        DetectCase{"InvalidUtf8IsAnsi", ":caf\xE9=x", TextEncoding::Ansi},
        DetectCase{"TruncatedSequenceIsAnsi", ":a=b\xC3", TextEncoding::Ansi},
        DetectCase{"InvalidBytesAfterCtrlZAreNotRead", ":a=\xC3\xA9\x1A\xE9", TextEncoding::Utf8},
        DetectCase{"AnsiBeforeCtrlZ", ":a=\xE9\x1A\xC3\xA9", TextEncoding::Ansi}),
    [](const auto& info) { return info.param.name; });

TEST(Utf16BytesToUtf8, ReadsBothOrdersAndDropsAnOddLastByte) {
  std::size_t replaced = 0;
  EXPECT_EQ(Utf16BytesToUtf8(std::string_view("a\0\xE9\0", 4), false, &replaced), "a\xC3\xA9");
  EXPECT_EQ(Utf16BytesToUtf8(std::string_view("\0a\0\xE9", 4), true, &replaced), "a\xC3\xA9");
  EXPECT_EQ(replaced, 0u);
  EXPECT_EQ(Utf16BytesToUtf8(std::string_view("a\0b", 3), false, &replaced), "a");
  EXPECT_EQ(replaced, 1u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
