#pragma once

namespace tarquel {

// The test build's start: its switches read from the environment. False, after a debugger line
// naming each refused value, when one could not be read; the program then ends at once.
bool ApplyTestSwitches();

}  // namespace tarquel
