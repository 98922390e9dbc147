// The index-backed matcher against the plain walk, over long seeded random runs. A failure names
// the seed, the key and the buffer, so it can be replayed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/expander.h"
#include "tests/support/fake_layouts.h"
#include "tests/support/fake_output.h"
#include "tests/support/reference_expander.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::FakeLayout;
using testing::Keyboard;
using testing::RecordingOutput;
using testing::ReferenceExpander;
using testing::WalkForTriggerEnding;

// Few distinct characters, so that random typing keeps ending triggers; a US keyboard types
// each of them with one key, with or without Shift.
constexpr std::string_view Typeable = "abcABC12@;:";
// F24 and Shift itself add no character; Enter and Left empty the buffer.
constexpr std::uint32_t KeysWithoutCharacter[] = {0x87, vk::LeftShift};
constexpr std::uint32_t ForgettingKeys[] = {vk::Return, vk::Left};
// Bytes no key gives (a control character, pieces of UTF-8 that are no character): such
// triggers must never match, wherever the byte sits.
constexpr std::string_view Untypeable = "\x01\x80\xE9\xFF";

class RandomRun {
 public:
  explicit RandomRun(std::uint32_t seed) : random_(seed) {}

  std::size_t Below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }
  bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }

  std::string Text(std::size_t length, std::string_view alphabet) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[Below(alphabet.size())];
    return text;
  }

  const std::string& AnyTrigger(const TriggerTable& table) {
    return std::next(table.begin(), static_cast<std::ptrdiff_t>(Below(table.size())))->first;
  }

  std::string Trigger(const TriggerTable& table) {
    switch (Below(10)) {
      case 0:
      case 1:
      case 2:
      case 3: {
        // Length 1 is rare: such a trigger fires on almost every key and hides the others.
        std::size_t length = Chance(0.1) ? 1 : 2 + Below(5);
        return Text(length, Typeable);
      }
      case 4:
      case 5:
      case 6: {
        // One trigger ending another: the tie-break between them is what is checked.
        if (table.empty()) return Text(3, Typeable);
        const std::string& other = AnyTrigger(table);
        if (other.size() > 1 && Chance(0.5)) return other.substr(1 + Below(other.size() - 1));
        return Text(1 + Below(3), Typeable) + other;
      }
      case 7: {
        std::string text = Text(2 + Below(4), Typeable);
        text[Below(text.size())] = Untypeable[Below(Untypeable.size())];
        return text;
      }
      default:
        // Around the buffer's limit: the ones of 50 or fewer can be completed, longer never.
        return Text(TypedBufferLimit - 3 + Below(7), Typeable);
    }
  }

  std::mt19937& Engine() { return random_; }

 private:
  std::mt19937 random_;
};

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "literal" + std::string.
std::string Numbered(std::string_view prefix, std::size_t n) {
  std::string text(prefix);
  text += std::to_string(n);
  return text;
}

struct RunStats {
  std::size_t keys = 0;
  std::size_t matches = 0;
  std::size_t tieBreaks = 0;  // matches where more than one trigger ended the buffer
  std::size_t longestMatch = 0;
  std::size_t edits = 0;
};

// One table, one real Expander and one reference fed the same keys and edits. Returns false
// (having reported why) at the first disagreement.
bool RunRound(std::uint32_t seed, std::size_t keys, RunStats& stats) {
  RandomRun run(seed);
  TriggerTable table;
  std::size_t initial = run.Below(30);
  while (table.size() < initial) table.Set(run.Trigger(table), Numbered("x", table.size()));

  RecordingOutput output;
  FakeLayout us = testing::UsLayout();
  Expander expander(table, output, us);
  Keyboard keyboard(expander);
  ReferenceExpander reference(table);
  std::string pending;  // a trigger being typed on purpose, next character first
  std::string before;

  for (std::size_t k = 0; k < keys; ++k) {
    if (run.Chance(0.01)) {
      ++stats.edits;
      std::size_t what = run.Below(4);
      if (what == 0 && !table.empty()) {
        table.Erase(std::string(run.AnyTrigger(table)));
      } else if (what == 1 && !table.empty()) {
        table.Set(run.AnyTrigger(table), Numbered("replaced", k));
      } else if (what == 2) {
        table.Erase(run.Text(1 + run.Below(4), Typeable));  // mostly absent
      } else {
        table.Set(run.Trigger(table), Numbered("new", k));
      }
    }
    if (run.Chance(0.002)) {
      bool enabled = !expander.IsEnabled();
      expander.SetEnabled(enabled);
      reference.SetEnabled(enabled);
    }

    before = reference.TypedBuffer();
    std::size_t expansionsBefore = output.expansions.size();
    if (pending.empty() && !table.empty() && run.Chance(0.03)) pending = run.AnyTrigger(table);
    std::string what;
    bool swallowed = false;
    testing::KeyOutcome expected;
    std::size_t kind = run.Below(100);
    if (!pending.empty() || kind >= 15) {
      char c = Typeable[run.Below(Typeable.size())];
      if (!pending.empty()) {
        c = pending.front();
        pending.erase(0, 1);
      }
      what = std::string("'") + c + "'";
      std::optional<FakeLayout::Place> place = us.Find(std::string(1, c));
      if (place) {
        swallowed = keyboard.PressWith(place->key, place->shift, place->altGr);
        expected = reference.Typed(std::string(1, c));
      } else {
        pending.clear();  // a trigger no key can type: give up on it
      }
    } else if (kind < 8) {
      what = "Backspace";
      keyboard.Press(vk::Back);
      reference.Erase();
    } else if (kind < 12) {
      std::uint32_t key = KeysWithoutCharacter[run.Below(std::size(KeysWithoutCharacter))];
      what = "vk " + std::to_string(key);
      keyboard.Press(key);
    } else {
      std::uint32_t key = ForgettingKeys[run.Below(std::size(ForgettingKeys))];
      what = "vk " + std::to_string(key);
      keyboard.Press(key);
      reference.Forget();
    }
    ++stats.keys;

    bool agree = swallowed == expected.swallowed &&
                 expander.TypedBuffer() == reference.TypedBuffer() &&
                 output.expansions.size() == expansionsBefore + (swallowed ? 1 : 0);
    if (agree && expected.match != nullptr) {
      const RecordingOutput::Expansion wanted{expected.match->first.size() - 1,
                                              expected.match->second};
      agree =
          output.expansions.back() == wanted &&
          output.diagnostics.back() == "Expander Triggered by: '" + expected.match->first + "'\n";
    }
    if (!agree) {
      ADD_FAILURE() << "seed " << seed << ", key " << k << " (" << what << "), buffer before \""
                    << before << "\": index " << (swallowed ? "swallowed" : "passed") << ", walk "
                    << (expected.swallowed ? "matched '" + expected.match->first + "'" : "passed")
                    << "; buffers after \"" << expander.TypedBuffer() << "\" and \""
                    << reference.TypedBuffer() << "\"";
      return false;
    }

    if (expected.match != nullptr) {
      ++stats.matches;
      stats.longestMatch = std::max(stats.longestMatch, expected.match->first.size());
      std::string ended = before + what.substr(1, 1);
      if (ended.size() > TypedBufferLimit) ended.erase(0, ended.size() - TypedBufferLimit);
      std::size_t endingTriggers = 0;
      for (const auto& entry : table)
        endingTriggers += std::string_view(ended).ends_with(entry.first);
      if (endingTriggers > 1) ++stats.tieBreaks;
      output.expansions.clear();
      output.diagnostics.clear();
    }
  }
  return true;
}

TEST(MatcherProperty, IndexAgreesWithTheWalkOverAMillionRandomKeys) {
  constexpr std::uint32_t FirstSeed = 20240611;
  constexpr std::size_t Rounds = 250;
  constexpr std::size_t KeysPerRound = 4000;
  RunStats stats;
  for (std::uint32_t round = 0; round < Rounds; ++round) {
    if (!RunRound(FirstSeed + round, KeysPerRound, stats)) return;
  }
  EXPECT_GE(stats.keys, 1'000'000u);
  // The run must have reached the cases it exists for, or agreeing proves little.
  EXPECT_GT(stats.matches, 10'000u);
  EXPECT_GT(stats.tieBreaks, 100u);
  EXPECT_EQ(stats.longestMatch, TypedBufferLimit);
  EXPECT_GT(stats.edits, 5'000u);
}

// Straight at the table, with any bytes in the typed text: bytes above 0x7F tell an unsigned
// comparison from a signed one, and texts longer than the buffer show the length limit.
TEST(MatcherProperty, TableFindsWhatTheWalkFindsForAnyBytes) {
  RandomRun run(77);
  const std::string alphabet = "ab\x80\xE9\xFF";
  TriggerTable table;
  std::size_t queries = 0;
  std::size_t found = 0;
  for (std::size_t step = 0; step < 100'000; ++step) {
    if (table.size() < 40 && run.Chance(0.05)) {
      std::size_t length = run.Chance(0.1) ? TypedBufferLimit + 1 + run.Below(5) : 1 + run.Below(4);
      table.Set(run.Text(length, alphabet), "x");
    } else if (!table.empty() && run.Chance(0.03)) {
      table.Erase(std::string(run.AnyTrigger(table)));
    }
    std::string typed = run.Text(run.Below(TypedBufferLimit + 10), alphabet);
    // Only triggers the buffer could hold count: the walk over those is the reference.
    const TriggerTable::Entry* expected = nullptr;
    for (const auto& entry : table) {
      if (entry.first.size() <= TypedBufferLimit &&
          std::string_view(typed).ends_with(entry.first)) {
        expected = &entry;
        break;
      }
    }
    const TriggerTable::Entry* actual = table.FindTriggerEnding(typed);
    ++queries;
    found += expected != nullptr;
    if (actual != expected) {
      ADD_FAILURE() << "step " << step << ": typed \"" << typed << "\": index "
                    << (actual ? actual->first : "none") << ", walk "
                    << (expected ? expected->first : "none");
      return;
    }
  }
  EXPECT_GT(found, queries / 4);
}

// Many triggers over few characters make a dense trie and a crowded edge table, where erasing
// has to move other edges back; every remaining trigger must still be found after each wave.
TEST(MatcherProperty, EveryTriggerStaysFindableThroughWavesOfInsertsAndErases) {
  RandomRun run(5);
  TriggerTable table;
  for (int wave = 0; wave < 6; ++wave) {
    while (table.size() < 1500) table.Set(run.Text(1 + run.Below(7), "abcd"), "x");
    for (std::size_t i = 0; i < 700; ++i) table.Erase(std::string(run.AnyTrigger(table)));
    for (const auto& entry : table) {
      const TriggerTable::Entry* found = table.FindTriggerEnding(entry.first);
      ASSERT_EQ(found, WalkForTriggerEnding(table, entry.first)) << "wave " << wave;
    }
  }
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
