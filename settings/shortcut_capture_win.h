#pragma once

#include <windows.h>

#include <optional>

#include "settings/shortcut.h"

namespace tarquel {

// The capture dialog titled `title`, modal over `owner` (disabled meanwhile): the shortcut the
// user pressed, none when cancelled. Its loop serves every window and hook of this thread. A
// quit message that arrives meanwhile is put back for the caller's loop.
std::optional<Shortcut> CaptureShortcutDialog(HWND owner, const wchar_t* title);

}  // namespace tarquel
