#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tarquel {

// The file name of a process's executable ("notepad.exe"), in UTF-8; empty when it cannot be
// found out.
std::string ExecutableNameOf(DWORD processId);

// A window's class name in UTF-8 ("Edit", "Chrome_WidgetWin_1"); empty for no window.
std::string WindowClassOf(HWND window);

// The integrity level of a process's token (the relative identifier of its mandatory label:
// 0x2000 medium, 0x3000 high), or nothing when the process or its token may not be queried.
std::optional<std::uint32_t> IntegrityLevelOf(DWORD processId);
std::optional<std::uint32_t> IntegrityLevelOfToken(HANDLE token);

}  // namespace tarquel
