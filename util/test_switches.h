#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tarquel {

// What the end-to-end tests need the program to do that a user's program never does: ask a
// version-file server on loopback, lose its hook once as Windows would, write files slowly.
// Only the test build (tarquel_test.exe) reads them, from its environment at start; the release
// build never sets them, so there every switch keeps its default.
struct TestSwitches {
  // Asked instead of the configured version file; empty: the configured one.
  std::wstring updateUrl;
  // The hook removes itself once, after its first key, without telling the watchdog.
  bool watchdogDrill = false;
  // Every atomic file write waits this long before it writes, as on a slow network share.
  std::uint32_t slowFileWritesMs = 0;
  // The program takes itself to run as a standard user (medium integrity). Under Wine every
  // process runs as administrator; so seen, every other program then runs above this one.
  bool standardUser = false;
};

// The environment variables the test build reads, each named after its switch.
inline constexpr char TestUpdateUrlVariable[] = "TARQUEL_TEST_UPDATE_URL";
inline constexpr char TestWatchdogDrillVariable[] = "TARQUEL_TEST_WATCHDOG_DRILL";
inline constexpr char TestSlowFileWritesVariable[] = "TARQUEL_TEST_SLOW_FILE_WRITES_MS";
inline constexpr char TestStandardUserVariable[] = "TARQUEL_TEST_STANDARD_USER";

struct TestSwitchesReading {
  TestSwitches switches;
  // One line per value that was refused; a test build with any of these does not start, so a
  // mistyped switch never turns into a test that passes for the wrong reason.
  std::string errors;
};

// `variable` returns a variable's value, or nothing when it is not set.
TestSwitchesReading ReadTestSwitches(
    const std::function<std::optional<std::string>(const char* name)>& variable);

// Set once at start, before any other thread runs; read from anywhere afterwards.
void SetTestSwitches(TestSwitches switches);
const TestSwitches& ActiveTestSwitches();

}  // namespace tarquel
