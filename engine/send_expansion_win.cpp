#include "engine/send_expansion_win.h"

#include <string>

namespace tarquel {

static_assert(sizeof(INPUT) == 40, "SendInput records are 40 bytes on 64-bit Windows");

ExpansionSender* ActiveSender = nullptr;

namespace {

constexpr UINT SendQueuedMessage = WM_APP + 1;
constexpr const wchar_t* SenderWindowClass = L"TarquelExpansionSender";

// Keys held longer than this are let through: the main loop is not getting to the expansion
// (a long modal wait), and typing must not vanish meanwhile.
constexpr DWORD HoldLimitMs = 1500;
// A fast typist's keys behind one expansion, downs and ups, with room to spare.
constexpr std::size_t HeldLimit = 512;

INPUT ToInput(const KeyEvent& event) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  if (event.unicode != 0) {
    input.ki.wScan = static_cast<WORD>(event.unicode);
    input.ki.dwFlags = KEYEVENTF_UNICODE;
  } else {
    input.ki.wVk = event.virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(event.virtualKey, MAPVK_VK_TO_VSC));
    if (event.extended) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  }
  if (event.release) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  input.ki.dwExtraInfo = InjectedEventTag;
  return input;
}

UINT SendInputs(std::vector<INPUT>& inputs) {
  if (inputs.empty()) return 0;
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    const std::string line = "SendInput sent " + std::to_string(sent) + " of " +
                             std::to_string(inputs.size()) + " events (error " +
                             std::to_string(GetLastError()) + ")\n";
    OutputDebugStringA(line.c_str());
  }
  return sent;
}

}  // namespace

UINT SendKeyEvents(const std::vector<KeyEvent>& events) {
  std::vector<INPUT> inputs;
  inputs.reserve(events.size());
  for (const KeyEvent& event : events) inputs.push_back(ToInput(event));
  return SendInputs(inputs);
}

ExpansionSender::ExpansionSender() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = module;
  windowClass.lpszClassName = SenderWindowClass;
  RegisterClassExW(&windowClass);
  // A message-only window: posted messages to it are served by every message loop on this
  // thread, modal ones included, where a thread message would be lost.
  window_ = CreateWindowExW(0, SenderWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module,
                            nullptr);
  held_.reserve(HeldLimit);
  ActiveSender = this;
}

ExpansionSender::~ExpansionSender() {
  if (ActiveSender == this) ActiveSender = nullptr;
  if (window_ != nullptr) DestroyWindow(window_);
}

void ExpansionSender::Queue(const ExpansionRequest& request, const ModifierState& modifiers) {
  if (window_ == nullptr) {
    // No window to post to: sending now is late in the hook but better than never.
    pending_ = Pending{request, modifiers};
    SendQueued();
    return;
  }
  pending_ = Pending{request, modifiers};
  queuedAt_ = GetTickCount();
  PostMessageW(window_, SendQueuedMessage, 0, 0);
}

bool ExpansionSender::Waiting() const {
  return pending_.has_value() && GetTickCount() - queuedAt_ < HoldLimitMs;
}

bool ExpansionSender::Hold(const KBDLLHOOKSTRUCT& event, bool release) {
  if (held_.size() >= HeldLimit) return false;
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  if (event.vkCode == VK_PACKET) {
    input.ki.wScan = static_cast<WORD>(event.scanCode);
    input.ki.dwFlags = KEYEVENTF_UNICODE;
  } else {
    input.ki.wVk = static_cast<WORD>(event.vkCode);
    input.ki.wScan = static_cast<WORD>(event.scanCode);
    if ((event.flags & LLKHF_EXTENDED) != 0) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  }
  if (release) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  input.ki.dwExtraInfo = ReplayedEventTag;
  held_.push_back(input);
  return true;
}

LRESULT CALLBACK ExpansionSender::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == SendQueuedMessage) {
    if (ActiveSender != nullptr) ActiveSender->SendQueued();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ExpansionSender::SendQueued() {
  if (!pending_) return;
  const Pending pending = std::move(*pending_);
  pending_.reset();

  std::vector<KeyEvent> events =
      BuildKeyEvents(pending.request.backspaces, pending.request.settleDeadKey,
                     pending.request.expansion, pending.modifiers);
  std::vector<INPUT> inputs;
  inputs.reserve(events.size() + held_.size());
  for (const KeyEvent& event : events) inputs.push_back(ToInput(event));
  // The user's keys go behind the expansion in the same call, so nothing can come between.
  inputs.insert(inputs.end(), held_.begin(), held_.end());
  held_.clear();
  SendInputs(inputs);
}

}  // namespace tarquel
