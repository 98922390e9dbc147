// Sends random key-downs (each with its key-up) through SendInput, as a keyboard would: no
// dwExtraInfo tag, so tarquel's hook takes each one as typed. They go to this helper's own edit
// box, emptied between batches, so that no other window fills up.
//   e2e_key_soak COUNT [SEED]   waits (at most a minute) for its window to be in front, sends
//                               COUNT key-downs, prints "sent COUNT" and ends; exit 1 when its
//                               window never came to the front or SendInput refused.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr int BatchKeys = 200;

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs("usage: e2e_key_soak COUNT [SEED]\n", stderr);
    return 2;
  }
  const long count = std::strtol(argv[1], nullptr, 10);
  std::mt19937 random(argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 1u);

  HWND window = CreateWindowExA(0, "EDIT", "Tarquel key soak",
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE, 0, 0, 400, 300,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return 1;
  std::printf("window\n");
  std::fflush(stdout);
  for (int i = 0; i < 600 && GetForegroundWindow() != window; ++i) {
    Pump();
    Sleep(100);
  }
  if (GetForegroundWindow() != window) return 1;

  // Letters, digits, space, Backspace, Return and ";": what typing is made of.
  std::vector<WORD> keys = {VK_SPACE, VK_BACK, VK_RETURN, VK_OEM_1};
  for (WORD key = 'A'; key <= 'Z'; ++key) keys.push_back(key);
  for (WORD key = '0'; key <= '9'; ++key) keys.push_back(key);
  std::uniform_int_distribution<std::size_t> pick(0, keys.size() - 1);

  long sent = 0;
  std::vector<INPUT> batch;
  while (sent < count) {
    batch.clear();
    for (int i = 0; i < BatchKeys && sent < count; ++i, ++sent) {
      INPUT down{};
      down.type = INPUT_KEYBOARD;
      down.ki.wVk = keys[pick(random)];
      INPUT up = down;
      up.ki.dwFlags = KEYEVENTF_KEYUP;
      batch.push_back(down);
      batch.push_back(up);
    }
    UINT size = static_cast<UINT>(batch.size());
    if (SendInput(size, batch.data(), sizeof(INPUT)) != size) return 1;
    Pump();
    SetWindowTextA(window, "");
  }
  Pump();
  std::printf("sent %ld\n", sent);
  std::fflush(stdout);
  return 0;
}
