#include "engine/send_expansion_win.h"

#include <windows.h>

#include <vector>

#include "engine/keyboard_hook_win.h"

namespace tarquel {

static_assert(sizeof(INPUT) == 40, "SendInput records are 40 bytes on 64-bit Windows");

std::optional<LayoutKey> WindowsLayoutLookup::Lookup(unsigned char byte) const {
  SHORT scan = VkKeyScanA(static_cast<CHAR>(byte));
  if (scan == -1) return std::nullopt;
  LayoutKey key;
  key.virtualKey = LOBYTE(scan);
  key.shift = (scan & 0x100) != 0;
  key.ctrlOrAlt = (scan & 0x600) != 0;
  // The top bit of the unshifted character marks a dead key: pressed alone it types nothing.
  key.deadKey = (MapVirtualKeyA(key.virtualKey, MAPVK_VK_TO_CHAR) & 0x80000000u) != 0;
  return key;
}

char16_t WindowsLayoutLookup::ToUnicode(unsigned char byte) const {
  char narrow = static_cast<char>(byte);
  wchar_t wide = 0;
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &narrow, 1, &wide, 1) != 1) return 0;
  return static_cast<char16_t>(wide);
}

void SendExpansion(std::size_t backspaces, std::string_view expansion) {
  std::vector<KeyEvent> events = BuildKeyEvents(backspaces, expansion, WindowsLayoutLookup());
  if (events.empty()) return;
  std::vector<INPUT> inputs(events.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    INPUT& input = inputs[i];
    input.type = INPUT_KEYBOARD;
    if (events[i].unicode != 0) {
      input.ki.wScan = static_cast<WORD>(events[i].unicode);
      input.ki.dwFlags = KEYEVENTF_UNICODE;
    } else {
      input.ki.wVk = events[i].virtualKey;
    }
    if (events[i].release) input.ki.dwFlags |= KEYEVENTF_KEYUP;
    input.ki.dwExtraInfo = InjectedEventTag;
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace tarquel
