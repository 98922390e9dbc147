#include "engine/output/output_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

class NoClock final : public Clock {
 public:
  LocalTime Now() const override { return {}; }
};

class NoClipboard final : public ClipboardTextSource {
 public:
  std::optional<std::string> Text() const override { return std::nullopt; }
};

RenderedExpansion Render(std::string_view stored) {
  NoClock clock;
  EnglishNames names;
  NoClipboard clipboard;
  return RenderExpansion(stored, {clock, names, clipboard});
}

// What the target would see, one word per key event: "+Tab" / "-Tab" for a key down and up,
// and the characters of Unicode events as they are typed.
std::string Describe(const std::vector<KeyEvent>& events) {
  std::string out;
  auto word = [&out](const std::string& text) {
    if (!out.empty()) out += ' ';
    out += text;
  };
  bool inText = false;
  for (const KeyEvent& event : events) {
    if (event.unicode != 0) {
      if (event.release) continue;
      if (!inText) word("");
      out += static_cast<char>(event.unicode < 0x80 ? event.unicode : '?');
      inText = true;
      continue;
    }
    inText = false;
    std::string name;
    switch (event.virtualKey) {
      case vk::Back:
        name = "BS";
        break;
      case vk::Tab:
        name = "Tab";
        break;
      case vk::Return:
        name = "Enter";
        break;
      case vk::Left:
        name = "Left";
        break;
      case vk::End:
        name = "End";
        break;
      case vk::LeftShift:
        name = "Shift";
        break;
      case vk::LeftControl:
        name = "Ctrl";
        break;
      case 'V':
        name = "V";
        break;
      default:
        name = std::to_string(event.virtualKey);
        break;
    }
    word((event.release ? "-" : "+") + name);
  }
  return out;
}

// Sends, pastes and waits on a clock of its own: a wait moves the clock on and nothing else.
class RecordingSink final : public StepSink {
 public:
  struct Sent {
    std::uint32_t at;
    std::string events;
    bool last;
  };

  bool Send(const std::vector<KeyEvent>& events, bool last) override {
    sends.push_back({now, Describe(events), last});
    log.push_back((last ? "last: " : "part: ") + Describe(events));
    return !refuseSend || sends.size() < *refuseSend;
  }
  bool PreparePaste(std::string_view text) override {
    log.push_back("prepare " + std::string(text));
    return pasteWorks;
  }
  void PasteSent() override { log.push_back("paste sent"); }
  bool Wait(std::uint32_t ms) override {
    now += ms;
    log.push_back("wait " + std::to_string(ms));
    return !ending;
  }

  std::string AllEvents() const {
    std::string all;
    for (const Sent& sent : sends) {
      if (sent.events.empty()) continue;
      all += (all.empty() ? "" : " ") + sent.events;
    }
    return all;
  }

  std::uint32_t now = 0;
  std::vector<Sent> sends;
  std::vector<std::string> log;
  bool pasteWorks = true;
  // The Send with this number (from 1) and those after it are refused.
  std::optional<std::size_t> refuseSend;
  bool ending = false;
};

// Texts up to 10 characters without a line break typed, others pasted.
std::optional<std::vector<KeyEvent>> TypeShortText(std::string_view text) {
  if (CountCharacters(text) > 10 || text.find('\n') != std::string_view::npos) return std::nullopt;
  return BuildKeyEvents(0, false, text);
}

StepRequest Erasing(std::size_t backspaces, Pace pace = {}) {
  StepRequest request;
  request.backspaces = backspaces;
  request.pace = pace;
  return request;
}

// --- Order ---

TEST(ExpansionSteps, WithoutWaitsTextAndKeysGoOutInOrderInOneLastBatch) {
  RecordingSink sink;
  EXPECT_TRUE(SendSteps(Render("first{{key:Tab}}second{{key:Shift+Tab}}"), Erasing(3),
                        TypeShortText, sink));
  ASSERT_EQ(sink.sends.size(), 1u);
  EXPECT_TRUE(sink.sends[0].last);
  EXPECT_EQ(sink.sends[0].events,
            "+BS -BS +BS -BS +BS -BS first +Tab -Tab second +Shift +Tab -Tab -Shift");
}

TEST(ExpansionSteps, APlainExpansionIsOneBatchTypedOrPasted) {
  RecordingSink typed;
  EXPECT_TRUE(SendSteps(Render("Hello"), Erasing(1), TypeShortText, typed));
  EXPECT_EQ(typed.log, (std::vector<std::string>{"last: +BS -BS Hello"}));

  RecordingSink pasted;
  EXPECT_TRUE(SendSteps(Render("a text too long to type"), Erasing(1), TypeShortText, pasted));
  // The clipboard is told before the Ctrl+V goes: the target may read while it goes out.
  EXPECT_EQ(pasted.log, (std::vector<std::string>{"prepare a text too long to type", "paste sent",
                                                  "last: +BS -BS +Ctrl +V -V -Ctrl"}));
}

TEST(ExpansionSteps, PastedTextKeepsItsPlaceBetweenKeys) {
  RecordingSink sink;
  StepRequest request = Erasing(1);
  request.trailing = {{static_cast<std::uint16_t>(vk::Left), false, 0, true},
                      {static_cast<std::uint16_t>(vk::Left), true, 0, true}};
  EXPECT_TRUE(SendSteps(Render("Dear customer,{{key:Enter}}hi{{key:Tab}}line one{{newline}}two"),
                        request, TypeShortText, sink));
  // The first Ctrl+V goes out before the second text is put on the clipboard: the clipboard
  // must know it went before it takes another text.
  EXPECT_EQ(sink.log, (std::vector<std::string>{
                          "prepare Dear customer,",
                          "paste sent",
                          "part: +BS -BS +Ctrl +V -V -Ctrl +Enter -Enter hi +Tab -Tab",
                          "prepare line one\ntwo",
                          "paste sent",
                          "last: +Ctrl +V -V -Ctrl +Left -Left",
                      }));
}

TEST(ExpansionSteps, APasteThatCannotBePreparedIsTypedInItsPlace) {
  RecordingSink sink;
  sink.pasteWorks = false;
  EXPECT_TRUE(SendSteps(Render("x{{key:Tab}}a long text here"), Erasing(0), TypeShortText, sink));
  EXPECT_EQ(sink.AllEvents(), "x +Tab -Tab a long text here");
  EXPECT_EQ(std::count(sink.log.begin(), sink.log.end(), "paste sent"), 0);
}

TEST(ExpansionSteps, HeldModifiersAreLetGoBeforeEverythingAndPressedAgainAfterIt) {
  RecordingSink sink;
  StepRequest request = Erasing(1);
  request.held.leftShift = true;
  EXPECT_TRUE(SendSteps(Render("a{{delay:20}}{{key:Ctrl+End}}"), request, TypeShortText, sink));
  ASSERT_EQ(sink.sends.size(), 2u);
  EXPECT_EQ(sink.sends[0].events, "-Shift +BS -BS a");
  EXPECT_EQ(sink.sends[1].events, "+Ctrl +End -End -Ctrl +Shift");
}

TEST(ExpansionSteps, KeysOfACountArePressedThatManyTimes) {
  RecordingSink sink;
  EXPECT_TRUE(SendSteps(Render("ab{{key:Left:3}}"), Erasing(0), TypeShortText, sink));
  EXPECT_EQ(sink.AllEvents(), "ab +Left -Left +Left -Left +Left -Left");
}

// --- Delays ---

TEST(ExpansionSteps, ADelayWaitsBetweenWhatComesBeforeAndAfterIt) {
  RecordingSink sink;
  EXPECT_TRUE(
      SendSteps(Render("a{{delay:50}}b{{key:Tab}}{{delay:20}}c"), Erasing(1), TypeShortText, sink));
  ASSERT_EQ(sink.sends.size(), 3u);
  EXPECT_EQ(sink.sends[0].at, 0u);
  EXPECT_EQ(sink.sends[0].events, "+BS -BS a");
  EXPECT_FALSE(sink.sends[0].last);
  EXPECT_EQ(sink.sends[1].at, 50u);
  EXPECT_EQ(sink.sends[1].events, "b +Tab -Tab");
  EXPECT_EQ(sink.sends[2].at, 70u);
  EXPECT_EQ(sink.sends[2].events, "c");
  EXPECT_TRUE(sink.sends[2].last);
}

TEST(ExpansionSteps, AnExpansionEndingInADelayStillSendsItsLastBatch) {
  RecordingSink sink;
  EXPECT_TRUE(SendSteps(Render("a{{delay:30}}"), Erasing(0), TypeShortText, sink));
  ASSERT_EQ(sink.sends.size(), 2u);
  EXPECT_EQ(sink.sends[1].at, 30u);
  EXPECT_TRUE(sink.sends[1].last);
  EXPECT_EQ(sink.sends[1].events, "");
}

// --- Stopping ---

TEST(ExpansionSteps, NothingMoreGoesOutOnceAPartIsRefused) {
  RecordingSink sink;
  sink.refuseSend = 1;
  EXPECT_FALSE(SendSteps(Render("a{{delay:50}}b"), Erasing(0), TypeShortText, sink));
  EXPECT_EQ(sink.sends.size(), 1u);
  EXPECT_EQ(sink.now, 0u) << "waited after the expansion was called off";
}

TEST(ExpansionSteps, NothingMoreGoesOutWhenTheOutputEndsDuringADelay) {
  RecordingSink sink;
  sink.ending = true;
  EXPECT_FALSE(SendSteps(Render("a{{delay:50}}b"), Erasing(0), TypeShortText, sink));
  EXPECT_EQ(sink.sends.size(), 1u);
}

TEST(ExpansionSteps, APreparedPasteIsToldOfEvenWhenItsCtrlVNeverGoes) {
  RecordingSink sink;
  sink.ending = true;
  EXPECT_FALSE(
      SendSteps(Render("a text too long to type"), Erasing(2, {0, 200}), TypeShortText, sink));
  // The clipboard holds our text: it goes back as after a paste nobody read.
  EXPECT_EQ(sink.log.back(), "paste sent");
  EXPECT_EQ(sink.AllEvents(), "+BS -BS +BS -BS");
}

// --- Pace ---

TEST(PacedSteps, EveryKeyPressWaitsTheKeyDelayAfterThePreviousOne) {
  RecordingSink sink;
  EXPECT_TRUE(SendSteps(Render("abc"), Erasing(2, {10, 0}), TypeShortText, sink));
  std::vector<std::uint32_t> times;
  std::vector<std::string> presses;
  for (const auto& sent : sink.sends) {
    times.push_back(sent.at);
    presses.push_back(sent.events);
  }
  EXPECT_EQ(times, (std::vector<std::uint32_t>{0, 10, 20, 30, 40}));
  EXPECT_EQ(presses, (std::vector<std::string>{"+BS -BS", "+BS -BS", "a", "b", "c"}));
  for (std::size_t i = 0; i + 1 < sink.sends.size(); ++i) EXPECT_FALSE(sink.sends[i].last);
  EXPECT_TRUE(sink.sends.back().last);
}

TEST(PacedSteps, AChordAndItsModifiersStayOnePress) {
  RecordingSink sink;
  StepRequest request = Erasing(0, {10, 0});
  request.held.leftShift = true;
  EXPECT_TRUE(SendSteps(Render("{{key:Ctrl+End}}x"), request, TypeShortText, sink));
  ASSERT_EQ(sink.sends.size(), 2u);
  // The held Shift let go with the first press, pressed again with the last.
  EXPECT_EQ(sink.sends[0].events, "-Shift +Ctrl +End -End -Ctrl");
  EXPECT_EQ(sink.sends[1].events, "x +Shift");
  EXPECT_EQ(sink.sends[1].at, 10u);
}

TEST(PacedSteps, ThePasteWaitsItsDelayAfterTheBackspacesWithTheTextAlreadyOnTheClipboard) {
  RecordingSink sink;
  EXPECT_TRUE(
      SendSteps(Render("a text too long to type"), Erasing(2, {10, 200}), TypeShortText, sink));
  EXPECT_EQ(sink.log, (std::vector<std::string>{
                          "prepare a text too long to type",
                          "part: +BS -BS",
                          "wait 10",
                          "part: +BS -BS",
                          "wait 200",
                          "paste sent",
                          "last: +Ctrl +V -V -Ctrl",
                      }));
}

TEST(PacedSteps, TheClipboardHearsOfTheCtrlVJustBeforeItsPress) {
  RecordingSink sink;
  EXPECT_TRUE(
      SendSteps(Render("a text too long to type"), Erasing(2, {10, 0}), TypeShortText, sink));
  EXPECT_EQ(sink.log, (std::vector<std::string>{
                          "prepare a text too long to type",
                          "part: +BS -BS",
                          "wait 10",
                          "part: +BS -BS",
                          "wait 10",
                          "paste sent",
                          "last: +Ctrl +V -V -Ctrl",
                      }));
}

TEST(PacedSteps, APasteCalledOffBeforeItsCtrlVIsStillTold) {
  RecordingSink sink;
  sink.refuseSend = 1;
  EXPECT_FALSE(
      SendSteps(Render("a text too long to type"), Erasing(2, {10, 0}), TypeShortText, sink));
  EXPECT_EQ(sink.log.back(), "paste sent");
  EXPECT_EQ(sink.sends.size(), 1u);
}

TEST(PacedSteps, APasteDelayAloneKeepsTheKeysTogether) {
  RecordingSink sink;
  EXPECT_TRUE(
      SendSteps(Render("a text too long to type"), Erasing(3, {0, 150}), TypeShortText, sink));
  ASSERT_EQ(sink.sends.size(), 2u);
  EXPECT_EQ(sink.sends[0].events, "+BS -BS +BS -BS +BS -BS");
  EXPECT_EQ(sink.sends[1].at, 150u);
  EXPECT_EQ(sink.sends[1].events, "+Ctrl +V -V -Ctrl");
}

TEST(PacedSteps, ADelayStandsInForTheKeyDelayBesideIt) {
  RecordingSink sink;
  EXPECT_TRUE(SendSteps(Render("a{{delay:50}}b"), Erasing(0, {10, 0}), TypeShortText, sink));
  ASSERT_EQ(sink.sends.size(), 2u);
  EXPECT_EQ(sink.sends[1].at, 50u);
}

// --- Key presses ---

std::vector<std::string> Pieces(const std::vector<KeyEvent>& events) {
  std::vector<std::string> pieces;
  for (const auto& piece : SplitKeyPresses(events)) pieces.push_back(Describe(piece));
  return pieces;
}

TEST(SplitKeyPresses, ModifiersLetGoFirstJoinTheFirstPressAndThosePressedAgainTheLast) {
  ModifierState held;
  held.leftShift = true;
  EXPECT_EQ(Pieces(BuildKeyEvents(1, false, "ab", held)),
            (std::vector<std::string>{"-Shift +BS -BS", "a", "b +Shift"}));
}

TEST(SplitKeyPresses, ASurrogatePairIsOnePress) {
  const std::vector<KeyEvent> events = BuildKeyEvents(0, false, "\xF0\x9F\x98\x80x");
  const auto pieces = SplitKeyPresses(events);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0].size(), 4u);
}

TEST(SplitKeyPresses, APasteIsOnePress) {
  EXPECT_EQ(Pieces(PasteKeys()), (std::vector<std::string>{"+Ctrl +V -V -Ctrl"}));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
