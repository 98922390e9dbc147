#pragma once

#include <windows.h>

#include "engine/key_input.h"

namespace tarquel {

// The layout of the thread that owns the foreground window, asked through ToUnicodeEx in a
// way that leaves the layout's dead-key state alone.
class WindowsKeyboardLayout final : public KeyboardLayout {
 public:
  KeyText Translate(const KeyStroke& stroke) override;
  // The thread whose layout counts; follows the foreground window.
  void SetForegroundThread(DWORD threadId) { foregroundThread_ = threadId; }

 private:
  DWORD foregroundThread_ = 0;
};

// The characters `layout` types for `key` with AltGr, if any: a shortcut of Ctrl+Alt+key would
// take them from the user.
bool LayoutTypesWithAltGr(HKL layout, UINT key);

}  // namespace tarquel
