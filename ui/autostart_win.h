#pragma once

#include <windows.h>

namespace tarquel {

// The per-user Run key: the only place the switch is stored.
inline constexpr const wchar_t* RunKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const wchar_t* RunValueName = L"Tarquel";

// On whenever the value exists, whatever its type, content or length.
bool IsStartWithWindowsEnabled();

// A Run value that 1.0 wrote for this very program (its quoted path and nothing else) is
// rewritten in today's form, which adds LogonArgument; any other value is left as it is.
void UpgradeRunValue();

// Makes the Run value follow the checkbox, which has already flipped itself: on writes the
// executable's full path in double quotes followed by LogonArgument, off deletes the value. When
// the registry refuses, the user is told and the checkbox goes back to what the registry holds.
void ApplyStartWithWindows(HWND startupCheck);

}  // namespace tarquel
