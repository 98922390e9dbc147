#include "util/test_switches.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TestSwitchesReading ReadFrom(const std::map<std::string, std::string>& environment) {
  return ReadTestSwitches([&environment](const char* name) -> std::optional<std::string> {
    const auto found = environment.find(name);
    if (found == environment.end()) return std::nullopt;
    return found->second;
  });
}

TEST(TestSwitches, NoneSetLeavesTheReleaseBehaviour) {
  const TestSwitchesReading reading = ReadFrom({});
  EXPECT_EQ(reading.errors, "");
  EXPECT_TRUE(reading.switches.updateUrl.empty());
  EXPECT_FALSE(reading.switches.watchdogDrill);
  EXPECT_EQ(reading.switches.slowFileWritesMs, 0u);
  EXPECT_FALSE(reading.switches.standardUser);
}

TEST(TestSwitches, EachSwitchIsReadFromItsVariable) {
  const TestSwitchesReading reading = ReadFrom({
      {"TARQUEL_TEST_UPDATE_URL", "http://127.0.0.1:47815/version.txt"},
      {"TARQUEL_TEST_WATCHDOG_DRILL", "1"},
      {"TARQUEL_TEST_SLOW_FILE_WRITES_MS", "3000"},
      {"TARQUEL_TEST_STANDARD_USER", "1"},
  });
  EXPECT_EQ(reading.errors, "");
  EXPECT_TRUE(reading.switches.standardUser);
  EXPECT_EQ(reading.switches.updateUrl, L"http://127.0.0.1:47815/version.txt");
  EXPECT_TRUE(reading.switches.watchdogDrill);
  EXPECT_EQ(reading.switches.slowFileWritesMs, 3000u);
}

TEST(TestSwitches, ZeroTurnsTheDrillOff) {
  const TestSwitchesReading reading = ReadFrom({{"TARQUEL_TEST_WATCHDOG_DRILL", "0"}});
  EXPECT_EQ(reading.errors, "");
  EXPECT_FALSE(reading.switches.watchdogDrill);
}

// A mistyped switch must stop the test build rather than let a test pass without it.
TEST(TestSwitches, RefusesValuesThatAreNotWhatTheSwitchTakes) {
  struct Case {
    const char* name;
    const char* value;
  };
  const Case cases[] = {
      {"TARQUEL_TEST_UPDATE_URL", "127.0.0.1:47815/version.txt"},
      {"TARQUEL_TEST_UPDATE_URL", "file:///C:/version.txt"},
      {"TARQUEL_TEST_UPDATE_URL", "http://"},
      {"TARQUEL_TEST_UPDATE_URL", "http://host/a b"},
      {"TARQUEL_TEST_UPDATE_URL", "http://host/\"quoted\""},
      {"TARQUEL_TEST_WATCHDOG_DRILL", "yes"},
      {"TARQUEL_TEST_WATCHDOG_DRILL", ""},
      {"TARQUEL_TEST_STANDARD_USER", "true"},
      {"TARQUEL_TEST_SLOW_FILE_WRITES_MS", ""},
      {"TARQUEL_TEST_SLOW_FILE_WRITES_MS", "3s"},
      {"TARQUEL_TEST_SLOW_FILE_WRITES_MS", "-1"},
      {"TARQUEL_TEST_SLOW_FILE_WRITES_MS", "60001"},
      {"TARQUEL_TEST_SLOW_FILE_WRITES_MS", "99999999999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    const TestSwitchesReading reading = ReadFrom({{c.name, c.value}});
    EXPECT_NE(reading.errors.find(c.name), std::string::npos) << reading.errors;
    EXPECT_TRUE(reading.switches.updateUrl.empty());
    EXPECT_FALSE(reading.switches.watchdogDrill);
    EXPECT_EQ(reading.switches.slowFileWritesMs, 0u);
    EXPECT_FALSE(reading.switches.standardUser);
  }
}

TEST(TestSwitches, HttpsAndUpperCaseSchemesAreAddresses) {
  EXPECT_EQ(ReadFrom({{"TARQUEL_TEST_UPDATE_URL", "HTTPS://example.org/v.txt"}}).errors, "");
  EXPECT_EQ(ReadFrom({{"TARQUEL_TEST_UPDATE_URL", "https://example.org/v.txt"}}).errors, "");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
