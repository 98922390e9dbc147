#include "engine/output/placeholders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarquel {
namespace {

class FixedClock final : public Clock {
 public:
  explicit FixedClock(LocalTime time) : time_(time) {}
  LocalTime Now() const override {
    ++reads;
    return time_;
  }
  mutable int reads = 0;

 private:
  LocalTime time_;
};

class FakeClipboard final : public ClipboardTextSource {
 public:
  explicit FakeClipboard(std::optional<std::string> text) : text_(std::move(text)) {}
  std::optional<std::string> Text() const override {
    ++reads;
    return text_;
  }
  mutable int reads = 0;

 private:
  std::optional<std::string> text_;
};

// Names unlike the English ones, so a test sees that names come from the locale.
class GermanNames final : public LocaleNames {
 public:
  std::string DayName(int weekday, bool abbreviated) const override {
    static const char* days[] = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                 "Donnerstag", "Freitag", "Samstag"};
    std::string name = days[weekday];
    return abbreviated ? name.substr(0, 2) + "." : name;
  }
  std::string MonthName(int month, bool abbreviated) const override {
    static const char* months[] = {"Januar",    "Februar", "M\xC3\xA4rz", "April",
                                   "Mai",       "Juni",    "Juli",        "August",
                                   "September", "Oktober", "November",    "Dezember"};
    std::string name = months[month - 1];
    return abbreviated ? name.substr(0, 3) : name;
  }
  std::string ShortDate(const LocalTime& time) const override {
    return FormatDate("%d.%m.%Y", time, *this);
  }
  std::string ShortTime(const LocalTime& time) const override {
    return FormatDate("%H:%M", time, *this);
  }
};

// Wednesday 9 December 2026, 03:05:07, the 343rd day of the year.
constexpr LocalTime December9{2026, 12, 9, 3, 5, 7, 3, 342};
// Sunday 1 March 2026, 23:59:60.
constexpr LocalTime March1{2026, 3, 1, 23, 59, 60, 0, 59};

struct Rendering {
  FixedClock clock{December9};
  EnglishNames names;
  FakeClipboard clipboard{std::string("copied")};

  RenderedExpansion operator()(std::string_view stored) {
    return RenderExpansion(stored, {clock, names, clipboard});
  }
};

using Kind = PlaceholderKind;

struct ParseCase {
  const char* name;
  std::string stored;
  std::vector<ExpansionPart> parts;
};

class ExpansionParsing : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ExpansionParsing, GivesTheParts) {
  EXPECT_EQ(ParseExpansion(GetParam().stored), GetParam().parts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpansionParsing,
    ::testing::Values(
        ParseCase{"EmptyTextHasNoParts", "", {}},
        ParseCase{"PlainTextIsOneLiteral", "Hello World", {{Kind::Literal, "Hello World"}}},
        ParseCase{"EveryNamedPlaceholder",
                  "{{newline}}{{tab}}{{clipboard}}{{date}}{{time}}{{cursor}}",
                  {{Kind::Newline, ""},
                   {Kind::Tab, ""},
                   {Kind::Clipboard, ""},
                   {Kind::Date, ""},
                   {Kind::Time, ""},
                   {Kind::Cursor, ""}}},
        ParseCase{"DateWithFormat", "{{date:%d.%m.%Y}}", {{Kind::Date, "%d.%m.%Y"}}},
        ParseCase{"DateFormatMayHoldASingleBrace", "{{date:%Y}x}}", {{Kind::Date, "%Y}x"}}},
        ParseCase{"TextAroundPlaceholders",
                  "a{{tab}}b{{newline}}c",
                  {{Kind::Literal, "a"},
                   {Kind::Tab, ""},
                   {Kind::Literal, "b"},
                   {Kind::Newline, ""},
                   {Kind::Literal, "c"}}},
        ParseCase{"UnknownNameIsLiteral", "{{name}}", {{Kind::Literal, "{{name}}"}}},
        ParseCase{"NamesAreCaseSensitive", "{{Newline}}", {{Kind::Literal, "{{Newline}}"}}},
        ParseCase{"BlanksInsideBracesAreLiteral", "{{ tab }}", {{Kind::Literal, "{{ tab }}"}}},
        ParseCase{"SingleBracesAreLiteral", "{tab}", {{Kind::Literal, "{tab}"}}},
        ParseCase{"UnclosedDateIsLiteral", "{{date:%Y", {{Kind::Literal, "{{date:%Y"}}},
        ParseCase{"EmptyDateFormatIsLiteral", "{{date:}}", {{Kind::Literal, "{{date:}}"}}},
        ParseCase{"UnclosedDateBeforeATime",
                  "{{date:{{time}}",
                  {{Kind::Literal, "{{date:"}, {Kind::Time, ""}}},
        ParseCase{
            "ExtraOpeningBraceStaysLiteral", "{{{tab}}", {{Kind::Literal, "{"}, {Kind::Tab, ""}}},
        ParseCase{
            "ExtraClosingBraceStaysLiteral", "{{tab}}}", {{Kind::Tab, ""}, {Kind::Literal, "}"}}},
        ParseCase{"OpeningBracesAtTheEnd", "x{{", {{Kind::Literal, "x{{"}}},
        ParseCase{"LoneClosingBraces", "}}{{", {{Kind::Literal, "}}{{"}}},
        ParseCase{"JsonLikeTextIsUntouched", "{{\"a\": 1}}", {{Kind::Literal, "{{\"a\": 1}}"}}},
        ParseCase{"TooLongDateFormatIsLiteral",
                  "{{date:" + std::string(300, 'x') + "}}",
                  {{Kind::Literal, "{{date:" + std::string(300, 'x') + "}}"}}},
        ParseCase{"LongestDateFormatIsTaken",
                  "{{date:" + std::string(256, 'x') + "}}",
                  {{Kind::Date, std::string(256, 'x')}}}),
    [](const auto& info) { return info.param.name; });

TEST(ExpansionParsing, StaysLinearOnManyUnclosedOpenings) {
  std::string stored;
  for (int i = 0; i < 200000; ++i) stored += "{{date:";
  stored += "}}";
  std::vector<ExpansionPart> parts = ParseExpansion(stored);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts[0].text, stored);
}

TEST(HoldsPlaceholder, TellsPlainTextFromTemplates) {
  EXPECT_FALSE(HoldsPlaceholder("Hello World"));
  EXPECT_FALSE(HoldsPlaceholder("{{name}} and {tab}"));
  EXPECT_TRUE(HoldsPlaceholder("x{{cursor}}"));
  EXPECT_TRUE(HoldsPlaceholder("{{{date:%Y}}"));
}

struct RenderCase {
  const char* name;
  std::string stored;
  std::string text;
  std::size_t cursorLeft;
  bool hasCursor;
};

class ExpansionRendering : public ::testing::TestWithParam<RenderCase> {};

TEST_P(ExpansionRendering, GivesTextAndCursor) {
  Rendering render;
  RenderedExpansion rendered = render(GetParam().stored);
  EXPECT_EQ(rendered.text, GetParam().text);
  EXPECT_EQ(rendered.cursorLeft, GetParam().cursorLeft);
  EXPECT_EQ(rendered.hasCursor, GetParam().hasCursor);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpansionRendering,
    ::testing::Values(
        RenderCase{"PlainTextAsItStands", "Hello World", "Hello World", 0, false},
        RenderCase{"NewlineIsOneLineFeed", "a{{newline}}b", "a\nb", 0, false},
        RenderCase{"TabIsATab", "a{{tab}}b", "a\tb", 0, false},
        RenderCase{"ClipboardText", "[{{clipboard}}]", "[copied]", 0, false},
        RenderCase{"PlainDate", "{{date}}", "2026-12-09", 0, false},
        RenderCase{"PlainTime", "{{time}}", "03:05", 0, false},
        RenderCase{"DateFormat", "{{date:%Y/%m/%d %H:%M:%S}}", "2026/12/09 03:05:07", 0, false},
        RenderCase{"DateNames", "{{date:%A %a %B %b}}", "Wednesday Wed December Dec", 0, false},
        RenderCase{"DayOfYearAndPercent", "{{date:%j 100%%}}", "343 100%", 0, false},
        RenderCase{"UnknownCodeStaysAsWritten", "{{date:%Q %Y}}", "%Q 2026", 0, false},
        RenderCase{"LonePercentAtTheEnd", "{{date:%Y%}}", "2026%", 0, false},
        RenderCase{"MalformedTypedLiterally", "{{date:%Y", "{{date:%Y", 0, false},
        RenderCase{"CursorCountsCharactersAfterIt", "Dear {{cursor}}, thanks", "Dear , thanks", 8,
                   true},
        RenderCase{"CursorAtTheEnd", "abc{{cursor}}", "abc", 0, true},
        RenderCase{"CursorAtTheStart", "{{cursor}}abc", "abc", 3, true},
        RenderCase{"LineBreakIsOneCharacter", "a{{cursor}}b{{newline}}c", "ab\nc", 3, true},
        RenderCase{"SurrogatePairIsOneCharacter", "{{cursor}}\xF0\x9F\x98\x80\xC3\xA9",
                   "\xF0\x9F\x98\x80\xC3\xA9", 2, true},
        RenderCase{"OnlyTheFirstCursorCounts", "a{{cursor}}b{{cursor}}c", "abc", 2, true},
        RenderCase{"CursorCountsAClipboardText", "{{cursor}}{{clipboard}}", "copied", 6, true},
        RenderCase{"TabCountsOne", "{{cursor}}{{tab}}", "\t", 1, true},
        RenderCase{"StoredCrLfIsOneLineBreak", "a\r\nb{{cursor}}", "a\nb", 0, true},
        RenderCase{"InvalidUtf8IsRepaired", "a\xFF{{cursor}}b",
                   "a\xEF\xBF\xBD"
                   "b",
                   1, true}),
    [](const auto& info) { return info.param.name; });

TEST(ExpansionRendering, ReadsTheClockOnceForAllDates) {
  Rendering render;
  render("{{date}} {{time}} {{date:%S}}");
  EXPECT_EQ(render.clock.reads, 1);
}

TEST(ExpansionRendering, LeavesClockAndClipboardAloneWithoutTheirPlaceholders) {
  Rendering render;
  render("plain {{tab}} {{cursor}}");
  EXPECT_EQ(render.clock.reads, 0);
  EXPECT_EQ(render.clipboard.reads, 0);
}

TEST(ExpansionRendering, ReadsTheClipboardOnceForTwoPlaceholders) {
  Rendering render;
  EXPECT_EQ(render("{{clipboard}}-{{clipboard}}").text, "copied-copied");
  EXPECT_EQ(render.clipboard.reads, 1);
}

TEST(ExpansionRendering, EmptyOrUnreadableClipboardGivesNothing) {
  Rendering render;
  FakeClipboard none{std::nullopt};
  EXPECT_EQ(RenderExpansion("[{{clipboard}}]", {render.clock, render.names, none}).text, "[]");
}

TEST(ExpansionRendering, ClipboardLineBreaksBecomeOneCharacterEach) {
  Rendering render;
  FakeClipboard lines{std::string("one\r\ntwo\rthree\nfour")};
  RenderedExpansion rendered =
      RenderExpansion("{{cursor}}{{clipboard}}", {render.clock, render.names, lines});
  EXPECT_EQ(rendered.text, "one\ntwo\nthree\nfour");
  EXPECT_EQ(rendered.cursorLeft, 18u);
}

TEST(ExpansionRendering, ClipboardTextIsCutAt64KiBOnACharacterBoundary) {
  Rendering render;
  // 3-byte characters: 65,536 is not a multiple of 3, so the cut falls inside one.
  std::string euros;
  for (int i = 0; i < 30000; ++i) euros += "\xE2\x82\xAC";
  FakeClipboard big{euros};
  std::string text = RenderExpansion("{{clipboard}}", {render.clock, render.names, big}).text;
  EXPECT_EQ(text.size(), 65535u);
  EXPECT_EQ(text, euros.substr(0, 65535));
}

TEST(ExpansionRendering, NamesComeFromTheLocale) {
  FixedClock clock{March1};
  GermanNames names;
  FakeClipboard clipboard{std::nullopt};
  RenderContext context{clock, names, clipboard};
  EXPECT_EQ(RenderExpansion("{{date:%A, %d. %B %Y}}", context).text,
            "Sonntag, 01. M\xC3\xA4rz 2026");
  EXPECT_EQ(RenderExpansion("{{date}} {{time}}", context).text, "01.03.2026 23:59");
  EXPECT_EQ(RenderExpansion("{{date:%S %j}}", context).text, "60 060");
}

TEST(FinishForTrigger, ConformsWhatThePlaceholdersPutInNotTheirNames) {
  FixedClock clock{March1};
  EnglishNames names;
  FakeClipboard clipboard{std::string("stra\u00DFe")};
  RenderContext context{clock, names, clipboard};
  RenderedExpansion rendered = RenderExpansion("see {{clipboard}} on {{date:%A}}", context);
  FinishForTrigger(rendered, CaseShape::AllCaps, "");
  EXPECT_EQ(rendered.text, "SEE STRASSE ON SUNDAY");
  rendered = RenderExpansion("{{clipboard}} is a {{Tab}}", context);
  FinishForTrigger(rendered, CaseShape::Capitalized, ".");
  EXPECT_EQ(rendered.text, "Stra\u00DFe is a {{Tab}}.");
}

TEST(FinishForTrigger, EndingGoesAfterTheTextAndTheCaretStillLandsOnTheCursor) {
  FixedClock clock{March1};
  EnglishNames names;
  FakeClipboard clipboard{std::nullopt};
  RenderContext context{clock, names, clipboard};
  RenderedExpansion rendered = RenderExpansion("<b>{{cursor}}</b>", context);
  FinishForTrigger(rendered, CaseShape::AsWritten, "\u00BB");
  EXPECT_EQ(rendered.text, "<b></b>\u00BB");
  EXPECT_EQ(rendered.cursorLeft, 5u);
  rendered = RenderExpansion("no cursor", context);
  FinishForTrigger(rendered, CaseShape::AsWritten, " ");
  EXPECT_EQ(rendered.text, "no cursor ");
  EXPECT_EQ(rendered.cursorLeft, 0u);
}

TEST(EnglishNames, NamesEveryDayAndMonthAndNothingOutOfRange) {
  EnglishNames names;
  EXPECT_EQ(names.DayName(0, false), "Sunday");
  EXPECT_EQ(names.DayName(6, true), "Sat");
  EXPECT_EQ(names.MonthName(1, true), "Jan");
  EXPECT_EQ(names.MonthName(9, false), "September");
  EXPECT_EQ(names.DayName(7, false), "");
  EXPECT_EQ(names.MonthName(0, false), "");
  EXPECT_EQ(names.MonthName(13, true), "");
}

struct CutCase {
  std::string text;
  std::size_t limit;
  std::string cut;
};

class CuttingAtCharacters : public ::testing::TestWithParam<CutCase> {};

TEST_P(CuttingAtCharacters, NeverSplitsACharacter) {
  EXPECT_EQ(CutAtCharacter(GetParam().text, GetParam().limit), GetParam().cut);
}

INSTANTIATE_TEST_SUITE_P(Cases, CuttingAtCharacters,
                         ::testing::Values(CutCase{"abc", 5, "abc"}, CutCase{"abc", 2, "ab"},
                                           CutCase{"a\xC3\xA9", 2, "a"},
                                           CutCase{"\xF0\x9F\x98\x80x", 3, ""},
                                           CutCase{"\xF0\x9F\x98\x80x", 4, "\xF0\x9F\x98\x80"},
                                           CutCase{"", 0, ""}));

}  // namespace
}  // namespace tarquel
