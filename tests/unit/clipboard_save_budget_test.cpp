#include "engine/output/clipboard_save_budget.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

class FakeClock final : public MonotonicClock {
 public:
  std::uint64_t NowMs() const override { return now; }
  std::uint64_t now = 5000;
};

// One format on the fake clipboard: how long its owner takes to give it, its size, or no data.
struct FakeFormat {
  unsigned format;
  std::uint64_t renderMs = 0;
  std::optional<std::size_t> bytes = 100;
  bool copies = true;
};

class FakeReader final : public ClipboardFormatReader {
 public:
  FakeReader(FakeClock& clock, std::vector<FakeFormat> formats)
      : clock_(clock), formats_(std::move(formats)) {}

  Listed Next(unsigned& format) override {
    if (listFails && next_ == formats_.size()) return Listed::Failed;
    if (next_ == formats_.size()) return Listed::End;
    format = formats_[next_++].format;
    return Listed::Format;
  }
  std::optional<std::size_t> Fetch(unsigned format) override {
    fetched.push_back(format);
    const FakeFormat& f = formats_[next_ - 1];
    clock_.now += f.renderMs;
    return f.bytes;
  }
  bool Copy(unsigned format) override {
    if (!formats_[next_ - 1].copies) return false;
    copied.push_back(format);
    return true;
  }

  bool listFails = false;
  std::vector<unsigned> fetched;
  std::vector<unsigned> copied;

 private:
  FakeClock& clock_;
  std::vector<FakeFormat> formats_;
  std::size_t next_ = 0;
};

constexpr unsigned Registered = 0xC123;

ClipboardSaveEnd Save(FakeReader& reader, FakeClock& clock, ClipboardSaveLimits limits = {}) {
  return SaveWithinBudget(reader, clock, limits);
}

TEST(ClipboardSave, CopiesOriginalsAndLeavesWhatTheSystemMakesAgain) {
  FakeClock clock;
  // As the system lists a copied text and a picture: originals first, made formats after.
  FakeReader reader(clock, {{clip::UnicodeText},
                            {Registered},
                            {clip::Dib},
                            {clip::Locale},
                            {clip::Text},
                            {clip::OemText},
                            {clip::Bitmap},
                            {clip::DibV5},
                            {clip::Palette}});
  EXPECT_EQ(Save(reader, clock), ClipboardSaveEnd::Whole);
  EXPECT_EQ(reader.copied, (std::vector<unsigned>{clip::UnicodeText, Registered, clip::Dib}));
  // Made formats are not even asked for: asking is what makes the system convert them.
  EXPECT_EQ(reader.fetched, reader.copied);
}

TEST(ClipboardSave, AnOlderProgramsTextKeepsTheUnicodeTextMadeFromIt) {
  FakeClock clock;
  FakeReader reader(clock, {{clip::Text}, {clip::Locale}, {clip::UnicodeText}, {clip::OemText}});
  EXPECT_EQ(Save(reader, clock), ClipboardSaveEnd::Whole);
  EXPECT_EQ(reader.copied, (std::vector<unsigned>{clip::Text, clip::Locale, clip::UnicodeText}));
}

TEST(ClipboardSave, AFormatWithoutDataIsAFailureEvenIfTheSystemCouldMakeIt) {
  FakeClock clock;
  // An owner that failed to render its text: nothing to make CF_TEXT from either.
  FakeReader reader(clock, {{clip::UnicodeText, 0, std::nullopt}, {clip::Text}});
  EXPECT_EQ(Save(reader, clock), ClipboardSaveEnd::Unreadable);
}

TEST(ClipboardSave, AMadeFormatWhoseSourceWasNotSavedIsCopied) {
  FakeClock clock;
  FakeReader reader(clock, {{clip::Palette},
                            {clip::Dib},
                            {clip::MetafilePicture},
                            {clip::EnhancedMetafile},
                            {clip::Bitmap}});
  EXPECT_EQ(Save(reader, clock), ClipboardSaveEnd::Whole);
  EXPECT_EQ(reader.copied,
            (std::vector<unsigned>{clip::Palette, clip::Dib, clip::MetafilePicture}));
}

struct BudgetCase {
  const char* name;
  std::vector<FakeFormat> formats;
  ClipboardSaveEnd end;
};

class ClipboardSaveBudget : public ::testing::TestWithParam<BudgetCase> {};

TEST_P(ClipboardSaveBudget, IsWholeOrGivesUp) {
  FakeClock clock;
  FakeReader reader(clock, GetParam().formats);
  EXPECT_EQ(Save(reader, clock, {250, 1000}), GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClipboardSaveBudget,
    ::testing::Values(BudgetCase{"QuickFormatsFit",
                                 {{clip::UnicodeText, 100}, {Registered, 100}},
                                 ClipboardSaveEnd::Whole},
                      BudgetCase{"AnOwnerTakingThreeSecondsIsOverTime",
                                 {{clip::UnicodeText, 3000}},
                                 ClipboardSaveEnd::OutOfTime},
                      BudgetCase{"ManyQuickFormatsAddUpPastTheTime",
                                 {{Registered, 100}, {Registered + 1, 100}, {Registered + 2, 100}},
                                 ClipboardSaveEnd::OutOfTime},
                      BudgetCase{"FormatsPastTheSizeBound",
                                 {{clip::UnicodeText, 0, 600}, {Registered, 0, 600}},
                                 ClipboardSaveEnd::TooLarge},
                      BudgetCase{"ExactlyTheSizeBoundFits",
                                 {{clip::UnicodeText, 0, 400}, {Registered, 0, 600}},
                                 ClipboardSaveEnd::Whole},
                      BudgetCase{"AFormatThatCannotBeCopied",
                                 {{clip::UnicodeText}, {Registered, 0, 10, false}},
                                 ClipboardSaveEnd::Unreadable},
                      BudgetCase{"AnEmptyClipboard", {}, ClipboardSaveEnd::Whole}),
    [](const auto& info) { return info.param.name; });

TEST(ClipboardSave, AListThatFailsHalfWayIsNoSave) {
  FakeClock clock;
  FakeReader reader(clock, {{clip::UnicodeText}});
  reader.listFails = true;
  EXPECT_EQ(Save(reader, clock), ClipboardSaveEnd::Unreadable);
}

TEST(ClipboardSave, StopsAskingOnceTheTimeIsGone) {
  FakeClock clock;
  FakeReader reader(clock, {{Registered, 300}, {clip::UnicodeText}});
  EXPECT_EQ(Save(reader, clock), ClipboardSaveEnd::OutOfTime);
  EXPECT_EQ(reader.fetched, std::vector<unsigned>{Registered});
}

struct TextCase {
  const char* name;
  std::vector<FakeFormat> formats;
  ClipboardTextEnd end;
};

class ClipboardTextBudget : public ::testing::TestWithParam<TextCase> {};

TEST_P(ClipboardTextBudget, GivesTheTextOnlyWithinTheTime) {
  FakeClock clock;
  FakeReader reader(clock, GetParam().formats);
  const ClipboardTextEnd end = ReadTextWithinBudget(reader, clock, {250, 1000});
  EXPECT_EQ(end, GetParam().end);
  // Copied exactly when it counts as read: a late text is never used.
  EXPECT_EQ(reader.copied.size(), end == ClipboardTextEnd::Text ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClipboardTextBudget,
    ::testing::Values(
        TextCase{"AQuickOwnersText", {{clip::UnicodeText, 100}}, ClipboardTextEnd::Text},
        TextCase{
            "AnOwnerTakingThreeSeconds", {{clip::UnicodeText, 3000}}, ClipboardTextEnd::OutOfTime},
        TextCase{"AnOwnerThatGivesNothing",
                 {{clip::UnicodeText, 0, std::nullopt}},
                 ClipboardTextEnd::NoText},
        TextCase{"ATextThatCannotBeCopied",
                 {{clip::UnicodeText, 0, 10, false}},
                 ClipboardTextEnd::NoText},
        TextCase{"APictureOnly", {{clip::Dib}, {clip::Bitmap}}, ClipboardTextEnd::NoText},
        // The other formats are passed over without being asked for, however slow their owner.
        TextCase{"ASlowFormatBeforeTheText",
                 {{Registered, 3000}, {clip::UnicodeText, 100}},
                 ClipboardTextEnd::Text},
        TextCase{"AnEmptyClipboard", {}, ClipboardTextEnd::NoText}),
    [](const auto& info) { return info.param.name; });

TEST(ClipboardText, AsksForNothingButTheUnicodeText) {
  FakeClock clock;
  FakeReader reader(clock, {{Registered}, {clip::Dib}, {clip::UnicodeText}, {clip::Text}});
  EXPECT_EQ(ReadTextWithinBudget(reader, clock, {}), ClipboardTextEnd::Text);
  EXPECT_EQ(reader.fetched, std::vector<unsigned>{clip::UnicodeText});
}

TEST(ClipboardText, AListThatFailsBeforeTheTextLeavesItOut) {
  FakeClock clock;
  FakeReader reader(clock, {{Registered}});
  reader.listFails = true;
  EXPECT_EQ(ReadTextWithinBudget(reader, clock, {}), ClipboardTextEnd::NoText);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
