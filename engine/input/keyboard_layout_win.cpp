#include "engine/input/keyboard_layout_win.h"

#include <string>

namespace tarquel {

namespace {

// Windows 10 1607 and later: translate without touching the keyboard state, so that a dead key
// the user pressed still waits for the window that gets it.
constexpr UINT KeepKeyboardState = 0x4;

std::string Utf8Of(const wchar_t* text, int length) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

void FillState(BYTE (&state)[256], const ModifierState& modifiers) {
  auto down = [&state](int key, bool held) {
    if (held) state[key] = 0x80;
  };
  down(VK_LSHIFT, modifiers.leftShift);
  down(VK_RSHIFT, modifiers.rightShift);
  down(VK_SHIFT, modifiers.Shift());
  down(VK_LCONTROL, modifiers.leftCtrl);
  down(VK_RCONTROL, modifiers.rightCtrl);
  down(VK_CONTROL, modifiers.Ctrl());
  down(VK_LMENU, modifiers.leftAlt);
  down(VK_RMENU, modifiers.rightAlt);
  down(VK_MENU, modifiers.Alt());
  if (modifiers.capsLock) state[VK_CAPITAL] = 0x01;
  if (modifiers.numLock) state[VK_NUMLOCK] = 0x01;
}

}  // namespace

std::size_t WindowsKeyboardLayout::EntryOf(const KeyStroke& stroke) {
  const ModifierState& m = stroke.modifiers;
  const std::size_t states = (m.Shift() ? 1u : 0u) | (m.Ctrl() && m.Alt() ? 2u : 0u) |
                             (m.capsLock ? 4u : 0u) | (m.numLock ? 8u : 0u);
  return (stroke.virtualKey & 0xFF) | (states << 8);
}

KeyText WindowsKeyboardLayout::Translate(const KeyStroke& stroke) {
  HKL layout = GetKeyboardLayout(foregroundThread_);
  // Keys outside the table, and Ctrl or Alt alone (never asked by the engine), are not kept.
  if (stroke.virtualKey > 0xFF || stroke.modifiers.Ctrl() != stroke.modifiers.Alt()) {
    return Ask(layout, stroke);
  }
  if (layout != cachedLayout_) {
    known_.fill(false);
    cachedLayout_ = layout;
  }
  const std::size_t entry = EntryOf(stroke);
  if (!known_[entry]) {
    answers_[entry] = Ask(layout, stroke);
    known_[entry] = true;
  }
  return answers_[entry];
}

KeyText WindowsKeyboardLayout::Ask(HKL layout, const KeyStroke& stroke) const {
  BYTE state[256] = {};
  FillState(state, stroke.modifiers);
  wchar_t text[16];
  const int length = ToUnicodeEx(stroke.virtualKey, stroke.scanCode, state, text,
                                 static_cast<int>(std::size(text)), KeepKeyboardState, layout);
  if (length == 0) return {};
  if (length < 0) {
    // Before Windows 10 1607 the flag is ignored and this thread now holds the accent itself;
    // a space takes it out again, so that the next key is translated on its own.
    BYTE plain[256] = {};
    wchar_t ignored[4];
    ToUnicodeEx(VK_SPACE, MapVirtualKeyExW(VK_SPACE, MAPVK_VK_TO_VSC, layout), plain, ignored,
                static_cast<int>(std::size(ignored)), KeepKeyboardState, layout);
    return {KeyText::Kind::DeadKey, Utf8Of(text, 1)};
  }
  return {KeyText::Kind::Characters, Utf8Of(text, length)};
}

bool LayoutTypesWithAltGr(HKL layout, UINT key) {
  BYTE state[256] = {};
  state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
  state[VK_MENU] = state[VK_RMENU] = 0x80;
  wchar_t text[16];
  const int length = ToUnicodeEx(key, MapVirtualKeyExW(key, MAPVK_VK_TO_VSC, layout), state, text,
                                 static_cast<int>(std::size(text)), KeepKeyboardState, layout);
  if (length < 0) return true;  // an AltGr dead key is typing too
  for (int i = 0; i < length; ++i) {
    if (text[i] >= 0x20 && text[i] != 0x7F) return true;
  }
  return false;
}

}  // namespace tarquel
