#include "engine/key_events.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace tarquel {
namespace {

constexpr std::uint16_t Back = 0x08;
constexpr std::uint16_t Shift = 0x10;

// A layout given as a table of bytes; bytes missing from it have no key.
class FakeLayout final : public LayoutLookup {
 public:
  explicit FakeLayout(std::map<unsigned char, LayoutKey> keys) : keys_(std::move(keys)) {}
  std::optional<LayoutKey> Lookup(unsigned char byte) const override {
    auto it = keys_.find(byte);
    if (it == keys_.end()) return std::nullopt;
    return it->second;
  }
  // cp1252 for the two bytes the tests use, Latin-1 otherwise, 0x81 undefined.
  char16_t ToUnicode(unsigned char byte) const override {
    if (byte == 0x80) return u'\u20AC';
    if (byte == 0x81) return 0;
    return byte;
  }

 private:
  std::map<unsigned char, LayoutKey> keys_;
};

// US-like: letters, with Shift for capitals, and the space.
FakeLayout UsLayout() {
  std::map<unsigned char, LayoutKey> keys;
  for (char c = 'a'; c <= 'z'; ++c) keys[c] = {static_cast<std::uint8_t>(c - 'a' + 'A')};
  for (char c = 'A'; c <= 'Z'; ++c) keys[c] = {static_cast<std::uint8_t>(c), true};
  keys[' '] = {0x20};
  keys['\t'] = {0x09};
  keys['@'] = {'2', true};
  return FakeLayout(keys);
}

// German-like: @ and the euro sign need AltGr, ^ is a dead key, é has no key.
FakeLayout GermanLayout() {
  std::map<unsigned char, LayoutKey> keys;
  for (char c = 'a'; c <= 'z'; ++c) keys[c] = {static_cast<std::uint8_t>(c - 'a' + 'A')};
  keys['.'] = {0xBE};
  keys['@'] = {'Q', false, true};
  keys[0x80] = {'E', false, true};
  keys['^'] = {0xDC, false, false, true};
  return FakeLayout(keys);
}

KeyEvent Down(std::uint16_t key) {
  return {key, false, 0};
}
KeyEvent Up(std::uint16_t key) {
  return {key, true, 0};
}
KeyEvent CharDown(char16_t c) {
  return {0, false, c};
}
KeyEvent CharUp(char16_t c) {
  return {0, true, c};
}

TEST(BuildKeyEvents, NothingToDoGivesNoEvents) {
  EXPECT_TRUE(BuildKeyEvents(0, "", UsLayout()).empty());
}

TEST(BuildKeyEvents, BackspacesComeAsPressReleasePairs) {
  EXPECT_EQ(
      BuildKeyEvents(3, "", UsLayout()),
      (std::vector<KeyEvent>{Down(Back), Up(Back), Down(Back), Up(Back), Down(Back), Up(Back)}));
}

TEST(BuildKeyEvents, HelloWorldAfterFourBackspacesIsThirtyFourEvents) {
  std::vector<KeyEvent> events = BuildKeyEvents(4, "Hello World", UsLayout());
  ASSERT_EQ(events.size(), 34u);
  EXPECT_EQ(
      std::vector<KeyEvent>(events.begin() + 8, events.begin() + 14),
      (std::vector<KeyEvent>{Down(Shift), Down('H'), Up('H'), Up(Shift), Down('E'), Up('E')}));
}

TEST(BuildKeyEvents, ShiftWrapsEachCapitalOnItsOwn) {
  EXPECT_EQ(BuildKeyEvents(0, "AB", UsLayout()),
            (std::vector<KeyEvent>{Down(Shift), Down('A'), Up('A'), Up(Shift), Down(Shift),
                                   Down('B'), Up('B'), Up(Shift)}));
}

TEST(BuildKeyEvents, TabBecomesTheKeyTheLayoutNames) {
  EXPECT_EQ(BuildKeyEvents(0, "\t", UsLayout()), (std::vector<KeyEvent>{Down(0x09), Up(0x09)}));
}

TEST(BuildKeyEvents, ByteWithoutKeyIsTypedAsItsUnicodeCharacter) {
  EXPECT_EQ(BuildKeyEvents(0, "a\xE9z", UsLayout()),
            (std::vector<KeyEvent>{Down('A'), Up('A'), CharDown(u'\u00E9'), CharUp(u'\u00E9'),
                                   Down('Z'), Up('Z')}));
}

TEST(BuildKeyEvents, AltGrCharactersAreNotSentAsTheirBareKey) {
  // "me@example.de" on a German layout: a bare Q would type "meqexample.de".
  std::vector<KeyEvent> events = BuildKeyEvents(0, "e@e\x80", GermanLayout());
  EXPECT_EQ(events,
            (std::vector<KeyEvent>{Down('E'), Up('E'), CharDown(u'@'), CharUp(u'@'), Down('E'),
                                   Up('E'), CharDown(u'\u20AC'), CharUp(u'\u20AC')}));
}

TEST(BuildKeyEvents, DeadKeyCharacterIsSentAsUnicode) {
  EXPECT_EQ(BuildKeyEvents(0, "^", GermanLayout()),
            (std::vector<KeyEvent>{CharDown(u'^'), CharUp(u'^')}));
}

TEST(BuildKeyEvents, ByteUndefinedInTheCodePageIsLeftOut) {
  EXPECT_EQ(BuildKeyEvents(0, "a\x81z", UsLayout()),
            (std::vector<KeyEvent>{Down('A'), Up('A'), Down('Z'), Up('Z')}));
}

}  // namespace
}  // namespace tarquel
