#pragma once

namespace tarquel {

// What the program reads at start before anything else. The release program has nothing to
// read (release_switches_win.cpp); the program the end-to-end tests run reads their switches
// from the environment (test_switches_win.cpp). False, after a debugger line naming each
// refused value, when one could not be read; the program then ends at once.
bool ApplyStartSwitches();

}  // namespace tarquel
