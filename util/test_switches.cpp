#include "util/test_switches.h"

#include <charconv>
#include <utility>

namespace tarquel {

namespace {

TestSwitches Switches;

// The update check takes an absolute http or https address of printable ASCII; anything else
// would be a test asking a server it never started.
bool IsPlainHttpAddress(const std::string& text) {
  const auto startsWith = [&text](std::string_view prefix) {
    if (text.size() <= prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      const char c = text[i];
      const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
      if (lower != prefix[i]) return false;
    }
    return true;
  };
  if (!startsWith("http://") && !startsWith("https://")) return false;
  for (const char c : text) {
    if (c <= ' ' || c > '~' || c == '"' || c == '\\' || c == '<' || c == '>') return false;
  }
  return true;
}

void Refuse(std::string& errors, const char* name, const std::string& value, const char* why) {
  errors += name;
  errors += "=";
  errors += value;
  errors += ": ";
  errors += why;
  errors += "\n";
}

void ReadOnOff(const std::function<std::optional<std::string>(const char* name)>& variable,
               const char* name, bool& on, std::string& errors) {
  const std::optional<std::string> value = variable(name);
  if (!value) return;
  if (*value == "1") {
    on = true;
  } else if (*value != "0") {
    Refuse(errors, name, *value, "not 0 or 1");
  }
}

}  // namespace

TestSwitchesReading ReadTestSwitches(
    const std::function<std::optional<std::string>(const char* name)>& variable) {
  TestSwitchesReading reading;
  if (const std::optional<std::string> url = variable(TestUpdateUrlVariable); url) {
    if (IsPlainHttpAddress(*url)) {
      reading.switches.updateUrl.assign(url->begin(), url->end());
    } else {
      Refuse(reading.errors, TestUpdateUrlVariable, *url, "not an http or https address");
    }
  }
  ReadOnOff(variable, TestWatchdogDrillVariable, reading.switches.watchdogDrill, reading.errors);
  ReadOnOff(variable, TestStandardUserVariable, reading.switches.standardUser, reading.errors);
  if (const std::optional<std::string> slow = variable(TestSlowFileWritesVariable); slow) {
    // At most a minute: a longer pause would outlast every test's wait.
    constexpr std::uint32_t MaxSlowWriteMs = 60'000;
    std::uint32_t ms = 0;
    const char* end = slow->data() + slow->size();
    const auto [stop, error] = std::from_chars(slow->data(), end, ms);
    if (slow->empty() || error != std::errc() || stop != end || ms > MaxSlowWriteMs) {
      Refuse(reading.errors, TestSlowFileWritesVariable, *slow,
             "not a number of milliseconds from 0 to 60000");
    } else {
      reading.switches.slowFileWritesMs = ms;
    }
  }
  return reading;
}

void SetTestSwitches(TestSwitches switches) {
  Switches = std::move(switches);
}

const TestSwitches& ActiveTestSwitches() {
  return Switches;
}

}  // namespace tarquel
