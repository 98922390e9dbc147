#include "app/start_switches_win.h"

#include <windows.h>

#include <optional>
#include <string>

#include "util/test_switches.h"

namespace tarquel {

bool ApplyStartSwitches() {
  const TestSwitchesReading reading =
      ReadTestSwitches([](const char* name) -> std::optional<std::string> {
        char value[2048];
        const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
        if (length == 0 || length >= sizeof value) return std::nullopt;
        return std::string(value, length);
      });
  if (!reading.errors.empty()) {
    OutputDebugStringA(("Test switches refused:\n" + reading.errors).c_str());
    return false;
  }
  SetTestSwitches(reading.switches);
  return true;
}

}  // namespace tarquel
