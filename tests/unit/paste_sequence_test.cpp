#include "engine/output/paste_sequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using Formats = std::map<unsigned, std::u16string>;
using Reader = PasteProtocol::Reader;
using State = PasteProtocol::State;
constexpr unsigned UnicodeText = 13;
constexpr unsigned Bitmap = 2;

const Formats UsersClipboard{{UnicodeText, u"password copied a minute ago"}, {Bitmap, u"pixels"}};

// The clipboard, the target and the other programs around one PasteProtocol, on a fake clock
// that moves in steps of 10 ms: the adapter's part (save, put, render, restore) done as the
// Windows side does it, with formats as strings.
class World {
 public:
  explicit World(PasteProtocol::Bounds bounds = {}) : protocol(bounds) {}

  // A paste-sized expansion: true when it went out as Ctrl+V, false when it was typed.
  bool Expand(const std::u16string& text) {
    switch (protocol.Begin()) {
      case PasteProtocol::Plan::Type:
        typed.push_back(text);
        return false;
      case PasteProtocol::Plan::SaveFirst:
        if (saveFails) {
          typed.push_back(text);
          return false;
        }
        saved = contents;
        protocol.Saved();
        break;
      case PasteProtocol::Plan::ReuseSaved:
        break;
    }
    if (clipboardHeldOpen) {
      protocol.Put(PutResult::Untouched, now);
      Step();
      typed.push_back(text);
      return false;
    }
    contents = {{UnicodeText, u"(promised)"}};
    promised = text;
    ours = true;
    protocol.Put(PutResult::Done, now);
    protocol.PasteSent(now);
    pendingPastes.push_back(now);
    return true;
  }

  // `reader` opens the clipboard and asks for the text: what it gets.
  std::optional<std::u16string> Read(Reader reader) {
    if (ours && promised) {
      if (protocol.OnRead(reader, now)) {
        contents = {{UnicodeText, *promised}};
        return promised;
      }
      return std::nullopt;
    }
    auto text = contents.find(UnicodeText);
    if (text == contents.end()) return std::nullopt;
    return text->second;
  }

  // The target gets to the oldest Ctrl+V in its queue.
  void TargetPastes() {
    ASSERT_FALSE(pendingPastes.empty());
    pendingPastes.erase(pendingPastes.begin());
    if (std::optional<std::u16string> text = Read(Reader::Target)) pasted.push_back(*text);
  }

  void UserCopies(const Formats& formats) {
    contents = formats;
    ours = false;
    promised.reset();
    protocol.OnReplaced();
  }

  // The clock moves on by `ms`, the timer putting the clipboard back when the protocol says.
  void Advance(std::uint64_t ms) {
    for (std::uint64_t end = now + ms; now < end;) {
      now += 10;
      Step();
    }
  }

  void Step() {
    if (!protocol.RestoreDue(now)) return;
    if (clipboardHeldOpen) {
      protocol.Restored(PasteProtocol::RestoreResult::Busy, now);
      return;
    }
    if (!ours) {
      protocol.Restored(PasteProtocol::RestoreResult::Replaced, now);
      return;
    }
    contents = *saved;
    ours = false;
    promised.reset();
    ++restores;
    protocol.Restored(PasteProtocol::RestoreResult::Restored, now);
  }

  PasteProtocol protocol;
  std::uint64_t now = 1000;
  Formats contents = UsersClipboard;
  std::optional<Formats> saved;
  std::optional<std::u16string> promised;
  bool ours = false;
  bool saveFails = false;
  bool clipboardHeldOpen = false;
  std::vector<std::uint64_t> pendingPastes;
  std::vector<std::u16string> pasted;
  std::vector<std::u16string> typed;
  int restores = 0;
};

constexpr std::uint64_t LateReadMs = PasteProtocol::Bounds{}.lateReadMs;

// Targets that get to the Ctrl+V after these many milliseconds: at once, busy for 3 s, for 20 s.
class SlowTarget : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(SlowTarget, PastesTheExpansionOnceAndTheUsersClipboardComesBackAfter) {
  World world;
  ASSERT_TRUE(world.Expand(u"expansion"));
  world.Advance(GetParam());
  // Until the target has read, the user's clipboard is not what it would paste.
  EXPECT_EQ(world.restores, 0);
  world.TargetPastes();
  world.Advance(1000);
  EXPECT_EQ(world.pasted, std::vector<std::u16string>{u"expansion"});
  EXPECT_TRUE(world.typed.empty());
  EXPECT_EQ(world.contents, UsersClipboard);
  EXPECT_EQ(world.protocol.state(), State::Idle);
}

INSTANTIATE_TEST_SUITE_P(ReadingAfter, SlowTarget, ::testing::Values(0, 3000, 20000));

TEST(PasteProtocol, ATargetThatNeverPastesGetsTheClipboardBackAfterTheBoundAndNothingTyped) {
  World world;
  ASSERT_TRUE(world.Expand(u"expansion"));
  world.Advance(LateReadMs - 100);
  EXPECT_EQ(world.restores, 0);
  world.Advance(200);
  EXPECT_EQ(world.restores, 1);
  EXPECT_TRUE(world.protocol.LastPasteUnread());
  EXPECT_EQ(world.contents, UsersClipboard);
  EXPECT_TRUE(world.typed.empty());
  EXPECT_TRUE(world.pasted.empty());
}

TEST(PasteProtocol, AMonitorReadingFirstGetsNothingAndTheTargetStillGetsTheText) {
  World world;
  ASSERT_TRUE(world.Expand(u"expansion"));
  EXPECT_EQ(world.Read(Reader::Other), std::nullopt);
  EXPECT_EQ(world.protocol.state(), State::AwaitingRead);
  world.Advance(3000);
  EXPECT_EQ(world.restores, 0);
  world.TargetPastes();
  world.Advance(500);
  EXPECT_EQ(world.pasted, std::vector<std::u16string>{u"expansion"});
  EXPECT_EQ(world.contents, UsersClipboard);
  EXPECT_EQ(world.protocol.RefusedReaders(), 1);
}

// When a monitor (a clipboard manager that ignores the exclusion marks) asks for the text:
// right after it is put, before Ctrl+V has gone out; after it, before the target gets to it;
// between the target's read and the restore; and again and again meanwhile.
enum class MonitorMoment { BeforeCtrlV, BeforeTheTarget, AfterTheTarget, Repeatedly };

class MonitorReading : public ::testing::TestWithParam<MonitorMoment> {};

TEST_P(MonitorReading, GetsNothingAndTheClipboardComesBackSoonAfterTheTargetsRead) {
  const MonitorMoment moment = GetParam();
  World world;
  // Put by hand to let the monitor in before Ctrl+V.
  ASSERT_EQ(world.protocol.Begin(), PasteProtocol::Plan::SaveFirst);
  world.saved = world.contents;
  world.protocol.Saved();
  world.contents = {{UnicodeText, u"(promised)"}};
  world.promised = u"expansion";
  world.ours = true;
  world.protocol.Put(PutResult::Done, world.now);
  std::vector<std::optional<std::u16string>> monitorGot;
  if (moment == MonitorMoment::BeforeCtrlV) monitorGot.push_back(world.Read(Reader::Other));
  world.protocol.PasteSent(world.now);
  world.pendingPastes.push_back(world.now);
  world.Advance(20);
  if (moment == MonitorMoment::BeforeTheTarget) monitorGot.push_back(world.Read(Reader::Other));
  for (int i = 0; moment == MonitorMoment::Repeatedly && i < 30; ++i) {
    monitorGot.push_back(world.Read(Reader::Other));
    world.Advance(100);
  }
  world.TargetPastes();
  const std::uint64_t read = world.now;
  if (moment == MonitorMoment::AfterTheTarget) {
    // By now the text itself is on the clipboard (rendered for the target): whatever the
    // monitor gets, its read must not hold the clipboard's return.
    world.Advance(PasteProtocol::Bounds{}.settleMs / 2);
    world.Read(Reader::Other);
  }
  while (world.restores == 0 && world.now < read + LateReadMs) world.Advance(10);
  EXPECT_EQ(world.pasted, std::vector<std::u16string>{u"expansion"});
  EXPECT_TRUE(world.typed.empty());
  EXPECT_EQ(world.contents, UsersClipboard);
  // Within a settling after the read, never near the bound for a target that never reads.
  EXPECT_LE(world.now - read, PasteProtocol::Bounds{}.settleMs + 10);
  EXPECT_FALSE(world.protocol.LastPasteUnread());
  for (const auto& got : monitorGot) EXPECT_EQ(got, std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(When, MonitorReading,
                         ::testing::Values(MonitorMoment::BeforeCtrlV,
                                           MonitorMoment::BeforeTheTarget,
                                           MonitorMoment::AfterTheTarget,
                                           MonitorMoment::Repeatedly),
                         [](const auto& info) -> std::string {
                           switch (info.param) {
                             case MonitorMoment::BeforeCtrlV:
                               return "BeforeCtrlV";
                             case MonitorMoment::BeforeTheTarget:
                               return "BeforeTheTarget";
                             case MonitorMoment::AfterTheTarget:
                               return "AfterTheTarget";
                             case MonitorMoment::Repeatedly:
                               return "Repeatedly";
                           }
                           return "Unknown";
                         });

TEST(PasteProtocol, NobodyGetsTheTextBeforeCtrlVHasGoneOut) {
  PasteProtocol protocol;
  ASSERT_EQ(protocol.Begin(), PasteProtocol::Plan::SaveFirst);
  protocol.Saved();
  protocol.Put(PutResult::Done, 0);
  EXPECT_FALSE(protocol.OnRead(Reader::Target, 5));
  EXPECT_FALSE(protocol.OnRead(Reader::Unknown, 5));
  protocol.PasteSent(10);
  EXPECT_TRUE(protocol.OnRead(Reader::Unknown, 20));
}

TEST(PasteProtocol, TheTargetReadingTwiceGetsTheTextBothTimes) {
  World world;
  ASSERT_TRUE(world.Expand(u"expansion"));
  world.Advance(50);
  world.TargetPastes();
  world.pendingPastes.push_back(world.now);
  world.Advance(PasteProtocol::Bounds{}.settleMs / 2);
  world.TargetPastes();
  EXPECT_EQ(world.pasted, (std::vector<std::u16string>{u"expansion", u"expansion"}));
  world.Advance(500);
  EXPECT_EQ(world.contents, UsersClipboard);
}

TEST(PasteProtocol, WhatTheUserCopiesWhileTheTextWaitsStays) {
  World world;
  ASSERT_TRUE(world.Expand(u"expansion"));
  world.Advance(1000);
  const Formats newer{{UnicodeText, u"newer"}};
  world.UserCopies(newer);
  world.Advance(LateReadMs + 1000);
  EXPECT_EQ(world.contents, newer);
  EXPECT_EQ(world.restores, 0);
  EXPECT_FALSE(world.protocol.HoldsSavedCopy());
}

TEST(PasteProtocol, WhatTheUserCopiesAfterTheReadStays) {
  World world;
  ASSERT_TRUE(world.Expand(u"expansion"));
  world.TargetPastes();
  const Formats newer{{UnicodeText, u"newer"}};
  world.UserCopies(newer);
  world.Advance(1000);
  EXPECT_EQ(world.contents, newer);
}

TEST(PasteProtocol, AClipboardHeldOpenIsPutBackOnceItIsFreeWithoutWaitingInBetween) {
  World world;
  ASSERT_TRUE(world.Expand(u"expansion"));
  world.TargetPastes();
  world.clipboardHeldOpen = true;
  world.Advance(2000);
  EXPECT_EQ(world.protocol.state(), State::RestoreDue);
  // Each look is a single try, RetryMs apart: nothing in between blocks the output thread.
  EXPECT_LE(*world.protocol.NextDue() - world.now, PasteProtocol::Bounds{}.retryMs);
  world.clipboardHeldOpen = false;
  world.Advance(100);
  EXPECT_EQ(world.contents, UsersClipboard);
  EXPECT_EQ(world.protocol.state(), State::Idle);
}

TEST(PasteProtocol, ASecondExpansionWhileTheFirstIsUnreadIsTypedBehindIt) {
  World world;
  ASSERT_TRUE(world.Expand(u"first"));
  EXPECT_FALSE(world.Expand(u"second"));
  EXPECT_EQ(world.typed, std::vector<std::u16string>{u"second"});
  world.Advance(3000);
  world.TargetPastes();
  world.Advance(500);
  // The first Ctrl+V pasted the first text, not the second.
  EXPECT_EQ(world.pasted, std::vector<std::u16string>{u"first"});
  EXPECT_EQ(world.contents, UsersClipboard);
}

TEST(PasteProtocol, ASecondExpansionAfterTheFirstWasReadReusesTheSavedCopy) {
  World world;
  ASSERT_TRUE(world.Expand(u"first"));
  world.TargetPastes();
  world.clipboardHeldOpen = true;  // the restore waits
  world.Advance(500);
  world.clipboardHeldOpen = false;
  const Formats savedBefore = *world.saved;
  ASSERT_TRUE(world.Expand(u"second"));
  // Saved again now, the copy would have been our own first text.
  EXPECT_EQ(*world.saved, savedBefore);
  world.TargetPastes();
  world.Advance(500);
  EXPECT_EQ(world.pasted, (std::vector<std::u16string>{u"first", u"second"}));
  EXPECT_EQ(world.contents, UsersClipboard);
}

TEST(PasteProtocol, AFailedSaveTypesAndLeavesTheClipboardAlone) {
  World world;
  world.saveFails = true;
  EXPECT_FALSE(world.Expand(u"expansion"));
  EXPECT_EQ(world.typed, std::vector<std::u16string>{u"expansion"});
  EXPECT_EQ(world.contents, UsersClipboard);
  EXPECT_FALSE(world.protocol.HoldsSavedCopy());
}

TEST(PasteProtocol, APutThatCouldNotOpenTheClipboardTypesAndDropsTheCopy) {
  World world;
  world.clipboardHeldOpen = true;
  EXPECT_FALSE(world.Expand(u"expansion"));
  world.clipboardHeldOpen = false;
  world.Advance(100);
  EXPECT_EQ(world.typed, std::vector<std::u16string>{u"expansion"});
  EXPECT_EQ(world.contents, UsersClipboard);
  EXPECT_EQ(world.restores, 0);
  EXPECT_FALSE(world.protocol.HoldsSavedCopy());
}

TEST(PasteProtocol, AnEmptiedClipboardIsPutBack) {
  PasteProtocol protocol;
  protocol.Begin();
  protocol.Saved();
  protocol.Put(PutResult::Emptied, 100);
  EXPECT_TRUE(protocol.RestoreDue(100));
  protocol.Restored(PasteProtocol::RestoreResult::Restored, 100);
  EXPECT_FALSE(protocol.HoldsSavedCopy());
}

TEST(PasteProtocol, ATextPromisedButNeverSentStillComesOffTheClipboard) {
  PasteProtocol protocol;
  protocol.Begin();
  protocol.Saved();
  protocol.Put(PutResult::Done, 100);
  EXPECT_FALSE(protocol.RestoreDue(100 + LateReadMs - 1));
  EXPECT_TRUE(protocol.RestoreDue(100 + LateReadMs));
}

TEST(ClipboardTextOf, GivesCrLfAndUtf16) {
  EXPECT_EQ(ClipboardTextOf("a\nb\n"), u"a\r\nb\r\n");
  EXPECT_EQ(ClipboardTextOf("\xF0\x9F\x98\x80\t\xC3\xA9"), u"\U0001F600\t\u00E9");
  EXPECT_EQ(ClipboardTextOf(""), u"");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
