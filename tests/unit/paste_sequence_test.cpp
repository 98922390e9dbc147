#include "engine/output/paste_sequence.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace tarquel {
namespace {

using Formats = std::map<unsigned, std::u16string>;
constexpr unsigned UnicodeText = 13;
constexpr unsigned Bitmap = 2;

const Formats UsersClipboard{{UnicodeText, u"mine"}, {Bitmap, u"pixels"}};

enum class Failing { Nothing, Save, OpenForPut, SetAfterEmpty, SendPaste, Target, Restore };

// A clipboard with formats as strings and a target that reads what is there when Ctrl+V
// arrives, failing at one chosen step.
class FakeClipboard final : public PasteClipboard {
 public:
  explicit FakeClipboard(Failing failing) : failing_(failing) {}

  bool Save() override {
    if (failing_ == Failing::Save) return false;
    saved_ = contents;
    return true;
  }
  PutResult Put(std::u16string_view text) override {
    if (failing_ == Failing::OpenForPut) return PutResult::Untouched;
    contents.clear();
    if (failing_ == Failing::SetAfterEmpty) return PutResult::Emptied;
    contents[UnicodeText] = std::u16string(text);
    return PutResult::Done;
  }
  bool SendPaste() override {
    if (failing_ == Failing::SendPaste) return false;
    if (failing_ != Failing::Target) pasted = contents[UnicodeText];
    if (otherProgramCopies) contents = {{UnicodeText, u"newer"}};
    return true;
  }
  bool WaitUntilTaken() override { return pasted.has_value(); }
  bool ReplacedByOthers() override { return otherProgramCopies; }
  bool Restore() override {
    if (failing_ == Failing::Restore && restoreFailures-- > 0) return false;
    if (!saved_) return false;
    contents = *saved_;
    return true;
  }

  Formats contents = UsersClipboard;
  std::optional<std::u16string> pasted;
  bool otherProgramCopies = false;
  int restoreFailures = 1;

 private:
  Failing failing_;
  std::optional<Formats> saved_;
};

struct SequenceCase {
  const char* name;
  Failing failing;
  PasteOutcome outcome;
  bool pasted;
};

class PasteSequence : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(PasteSequence, LosesNothingOfTheUsersClipboard) {
  FakeClipboard clipboard(GetParam().failing);
  PasteOutcome outcome = PasteThroughClipboard(clipboard, "line one\nline two");
  EXPECT_EQ(outcome, GetParam().outcome);
  EXPECT_EQ(clipboard.pasted.has_value(), GetParam().pasted);
  if (GetParam().pasted) {
    EXPECT_EQ(*clipboard.pasted, u"line one\r\nline two");
  }
  if (RestorePending(outcome)) {
    EXPECT_TRUE(clipboard.Restore());
  }
  EXPECT_EQ(clipboard.contents, UsersClipboard);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, PasteSequence,
    ::testing::Values(
        SequenceCase{"EveryStepWorks", Failing::Nothing, PasteOutcome::Pasted, true},
        SequenceCase{"SaveFailsSoItTypes", Failing::Save, PasteOutcome::TypeInstead, false},
        SequenceCase{"ClipboardCannotBeOpenedSoItTypes", Failing::OpenForPut,
                     PasteOutcome::TypeInstead, false},
        SequenceCase{"SettingFailsAfterEmptying", Failing::SetAfterEmpty, PasteOutcome::TypeInstead,
                     false},
        SequenceCase{"KeysRefused", Failing::SendPaste, PasteOutcome::TypeInstead, false},
        SequenceCase{"TargetNeverReads", Failing::Target, PasteOutcome::TypeInstead, false},
        SequenceCase{"RestoreFailsOnceAndIsLeftPending", Failing::Restore,
                     PasteOutcome::PastedRestorePending, true}),
    [](const auto& info) { return info.param.name; });

TEST(PasteSequence, LeavesWhatAnotherProgramCopiedMeanwhile) {
  FakeClipboard clipboard(Failing::Nothing);
  clipboard.otherProgramCopies = true;
  EXPECT_EQ(PasteThroughClipboard(clipboard, "text"), PasteOutcome::Pasted);
  EXPECT_EQ(clipboard.contents, (Formats{{UnicodeText, u"newer"}}));
}

TEST(ClipboardTextOf, GivesCrLfAndUtf16) {
  EXPECT_EQ(ClipboardTextOf("a\nb\n"), u"a\r\nb\r\n");
  EXPECT_EQ(ClipboardTextOf("\xF0\x9F\x98\x80\t\xC3\xA9"), u"\U0001F600\t\u00E9");
  EXPECT_EQ(ClipboardTextOf(""), u"");
}

}  // namespace
}  // namespace tarquel
