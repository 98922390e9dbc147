#pragma once

#include <windows.h>

#include <array>
#include <cstdint>

#include "engine/input/key_input.h"

namespace tarquel {

// The layout of the thread that owns the foreground window, asked through ToUnicodeEx in a
// way that leaves the layout's dead-key state alone. A layout gives the same answer for the
// same key and state every time, and ToUnicodeEx is slow where it reaches the window system
// (about 100 us a key under Wine), so each answer is kept for as long as the layout stays.
class WindowsKeyboardLayout final : public KeyboardLayout {
 public:
  KeyText Translate(const KeyStroke& stroke) override;
  // The thread whose layout counts; follows the foreground window.
  void SetForegroundThread(DWORD threadId) { foregroundThread_ = threadId; }

 private:
  // A key with the states that change what it types: Shift, AltGr, Caps Lock, Num Lock.
  static constexpr std::size_t Entries = 256 * 16;
  static std::size_t EntryOf(const KeyStroke& stroke);
  KeyText Ask(HKL layout, const KeyStroke& stroke) const;

  DWORD foregroundThread_ = 0;
  HKL cachedLayout_ = nullptr;
  std::array<bool, Entries> known_{};
  std::array<KeyText, Entries> answers_;
};

// The characters `layout` types for `key` with AltGr, if any: a shortcut of Ctrl+Alt+key would
// take them from the user.
bool LayoutTypesWithAltGr(HKL layout, UINT key);

}  // namespace tarquel
