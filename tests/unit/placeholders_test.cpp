#include "engine/output/placeholders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

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

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

struct KeyPlaceholderCase {
  const char* name;
  std::string stored;
  // Nothing: the whole text is one literal.
  std::optional<PlaceholderKind> kind{};
  std::uint16_t virtualKey = 0;
  bool shift = false;
  std::uint32_t number = 0;
};

class KeyAndDelayParsing : public ::testing::TestWithParam<KeyPlaceholderCase> {};

TEST_P(KeyAndDelayParsing, TakesWhatIsWellWrittenAndLeavesTheRestLiteral) {
  const KeyPlaceholderCase& c = GetParam();
  const std::vector<ExpansionPart> parts = ParseExpansion(c.stored);
  ASSERT_EQ(parts.size(), 1u);
  if (!c.kind) {
    EXPECT_EQ(parts[0], (ExpansionPart{Kind::Literal, c.stored}));
    return;
  }
  EXPECT_EQ(parts[0].kind, *c.kind);
  EXPECT_EQ(parts[0].number, c.number);
  EXPECT_EQ(parts[0].key.virtualKey, c.virtualKey);
  EXPECT_EQ(parts[0].key.shift, c.shift);
  // As written, so that the parts spell the stored text again.
  const std::string prefix = *c.kind == Kind::Key ? "{{key:" : "{{delay:";
  EXPECT_EQ(prefix + parts[0].text + "}}", c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, KeyAndDelayParsing,
    ::testing::Values(
        KeyPlaceholderCase{"Tab", "{{key:Tab}}", Kind::Key, 0x09, false, 1},
        KeyPlaceholderCase{"ShiftTab", "{{key:Shift+Tab}}", Kind::Key, 0x09, true, 1},
        KeyPlaceholderCase{"ACount", "{{key:Left:3}}", Kind::Key, 0x25, false, 3},
        KeyPlaceholderCase{"TheLargestCount", "{{key:Down:100}}", Kind::Key, 0x28, false, 100},
        KeyPlaceholderCase{"ACountTooLarge", "{{key:Down:101}}"},
        KeyPlaceholderCase{"AHugeCount", "{{key:Down:99999999999999999999}}"},
        KeyPlaceholderCase{"ACountOfZero", "{{key:Tab:0}}"},
        KeyPlaceholderCase{"AnEmptyCount", "{{key:Tab:}}"},
        KeyPlaceholderCase{"ANegativeCount", "{{key:Tab:-1}}"},
        KeyPlaceholderCase{"AnUnknownName", "{{key:Tabb}}"},
        KeyPlaceholderCase{"NoName", "{{key:}}"},
        KeyPlaceholderCase{"ThePrefixIsLowerCase", "{{Key:Tab}}"},
        KeyPlaceholderCase{"ADelay", "{{delay:50}}", Kind::Delay, 0, false, 50},
        KeyPlaceholderCase{"ADelayAtTheLimit", "{{delay:3000}}", Kind::Delay, 0, false, 3000},
        KeyPlaceholderCase{"ALongDelayIsCapped", "{{delay:60000}}", Kind::Delay, 0, false,
                           DelayLimitMs},
        KeyPlaceholderCase{"AHugeDelayIsCapped", "{{delay:99999999999999999999}}", Kind::Delay, 0,
                           false, DelayLimitMs},
        KeyPlaceholderCase{"ADelayInSeconds", "{{delay:2s}}"},
        KeyPlaceholderCase{"ANegativeDelay", "{{delay:-5}}"},
        KeyPlaceholderCase{"NoDelay", "{{delay:}}"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyAndDelayParsing, AnUnknownKeyBeforeAKnownPlaceholderLeavesItWhole) {
  EXPECT_EQ(ParseExpansion("{{key:{{tab}}").size(), 2u);
  EXPECT_EQ(ParseExpansion("{{key:{{tab}}")[1].kind, Kind::Tab);
}

std::vector<RenderedStep::Kind> KindsOf(const RenderedExpansion& rendered) {
  std::vector<RenderedStep::Kind> kinds;
  for (const RenderedStep& step : rendered.steps) kinds.push_back(step.kind);
  return kinds;
}

using Step = RenderedStep::Kind;

TEST(KeyRendering, TextKeysAndDelaysKeepTheirOrder) {
  Rendering render;
  const RenderedExpansion rendered =
      render("first{{key:Tab}}{{clipboard}}{{delay:20}}{{key:Enter:2}}{{newline}}end");
  EXPECT_EQ(KindsOf(rendered), (std::vector<Step>{Step::Text, Step::Key, Step::Text, Step::Delay,
                                                  Step::Key, Step::Text}));
  EXPECT_EQ(rendered.steps[0].text, "first");
  EXPECT_EQ(rendered.steps[1].key.virtualKey, 0x09);
  EXPECT_EQ(rendered.steps[2].text, "copied");
  EXPECT_EQ(rendered.steps[3].number, 20u);
  EXPECT_EQ(rendered.steps[4].key.virtualKey, 0x0D);
  EXPECT_EQ(rendered.steps[4].number, 2u);
  EXPECT_EQ(rendered.steps[5].text, "\nend");
  EXPECT_EQ(rendered.text, "firstcopied\nend");
  EXPECT_TRUE(rendered.HoldsKeys());
}

TEST(KeyRendering, AnExpansionWithoutKeysOrDelaysHasNoSteps) {
  Rendering render;
  EXPECT_TRUE(render("a{{tab}}b{{cursor}}{{key:Nope}}").steps.empty());
}

TEST(KeyRendering, PlaceholdersInTheClipboardsTextAreNotPressed) {
  Rendering render;
  FakeClipboard keys{std::string("{{key:Enter}}")};
  const RenderedExpansion rendered =
      RenderExpansion("{{clipboard}}", {render.clock, render.names, keys});
  EXPECT_EQ(rendered.text, "{{key:Enter}}");
  EXPECT_TRUE(rendered.steps.empty());
}

TEST(KeyRendering, ACursorFollowedByAKeyCountsAsNone) {
  Rendering render;
  const RenderedExpansion after = render("a{{cursor}}bc{{key:Tab}}d");
  EXPECT_FALSE(after.hasCursor);
  EXPECT_EQ(after.cursorLeft, 0u);
  // The key before it: the Left presses cover only the text after the cursor.
  const RenderedExpansion before = render("a{{key:Tab}}b{{cursor}}cd");
  EXPECT_TRUE(before.hasCursor);
  EXPECT_EQ(before.cursorLeft, 2u);
  // A delay moves no caret.
  const RenderedExpansion delayed = render("a{{cursor}}b{{delay:10}}cd");
  EXPECT_TRUE(delayed.hasCursor);
  EXPECT_EQ(delayed.cursorLeft, 3u);
}

TEST(KeyRendering, TheDelaysOfOneExpansionTogetherStayWithinTheirLimit) {
  Rendering render;
  const RenderedExpansion rendered =
      render("{{delay:3000}}a{{delay:3000}}{{delay:3000}}{{delay:3000}}{{delay:3000}}");
  std::vector<std::uint32_t> delays;
  for (const RenderedStep& step : rendered.steps) {
    if (step.kind == Step::Delay) delays.push_back(step.number);
  }
  EXPECT_EQ(delays, (std::vector<std::uint32_t>{3000, 3000, 3000, 1000, 0}));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
