#include "engine/output/expansion_sender_win.h"

#include <string>

namespace tarquel {

static_assert(sizeof(INPUT) == 40, "SendInput records are 40 bytes on 64-bit Windows");

ExpansionSender* ActiveSender = nullptr;

namespace {

constexpr UINT SendQueuedMessage = WM_APP + 1;
constexpr const wchar_t* SenderWindowClass = L"TarquelExpansionSender";

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
  pending_.backspaces = request.backspaces;
  pending_.settleDeadKey = request.settleDeadKey;
  pending_.trigger.assign(request.trigger);
  pending_.expansion.assign(request.expansion);
  pending_.modifiers = modifiers;
  pending_.undo.reset();
  gate_.Queued(GetTickCount());
  PostSend();
}

bool ExpansionSender::TakesBackExpansion(std::uint32_t virtualKey, const ModifierState& modifiers) {
  // Shift+Backspace too would erase, but a held Shift would turn the Right presses that
  // precede the erasing into a selection.
  const bool plain = virtualKey == vk::Back && !modifiers.Shift() && !modifiers.Ctrl() &&
                     !modifiers.Alt() && !modifiers.Win();
  std::optional<UndoAction> action =
      output_.undo().OnKeyDown(plain ? UserKey::Backspace : UserKey::Other);
  if (!action) return false;
  pending_.undo = std::move(action);
  gate_.Queued(GetTickCount());
  PostSend();
  return true;
}

bool ExpansionSender::MustHold(bool replayed) {
  switch (gate_.Judge(replayed, GetTickCount())) {
    case SendGate::Verdict::Pass:
      return false;
    case SendGate::Verdict::Hold:
      return true;
    case SendGate::Verdict::PassAndSend:
      PostSend();
      return false;
  }
  return false;
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
  gate_.Held();
  return true;
}

void ExpansionSender::OnBatchEnd() {
  // Keys pressed while the last batch was under way go out now, behind it.
  if (gate_.BatchEnded(GetTickCount())) PostSend();
}

void ExpansionSender::PostSend() {
  // Without a window to post to, sending now is late in the hook but better than never.
  if (window_ == nullptr || !PostMessageW(window_, SendQueuedMessage, 0, 0)) SendNow();
}

LRESULT CALLBACK ExpansionSender::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == SendQueuedMessage) {
    if (ActiveSender != nullptr) ActiveSender->SendNow();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ExpansionSender::SendNow() {
  // One batch at a time: the next goes out when the hook has seen this one's end.
  if (sending_ || !gate_.CanSend()) return;
  sending_ = true;
  auto send = [this](const std::vector<KeyEvent>& events) { return SendBatch(events); };
  if (!gate_.HasQueued()) {
    SendBatch({});
  } else if (pending_.undo) {
    const UndoAction undo = std::move(*pending_.undo);
    pending_.undo.reset();
    output_.SendUndo(undo, send);
  } else {
    ExpansionRequest request;
    request.backspaces = pending_.backspaces;
    request.settleDeadKey = pending_.settleDeadKey;
    request.trigger = pending_.trigger;
    request.expansion = pending_.expansion;
    output_.Send(request, pending_.modifiers, send);
  }
  sending_ = false;
}

bool ExpansionSender::SendBatch(const std::vector<KeyEvent>& events) {
  std::vector<INPUT> inputs;
  inputs.reserve(events.size() + held_.size() + 1);
  for (const KeyEvent& event : events) inputs.push_back(ToInput(event));
  // The user's keys go behind the expansion in the same call.
  inputs.insert(inputs.end(), held_.begin(), held_.end());
  held_.clear();
  INPUT end{};
  end.type = INPUT_KEYBOARD;
  end.ki.wVk = MaskKey;
  end.ki.dwFlags = KEYEVENTF_KEYUP;
  end.ki.dwExtraInfo = BatchEndTag;
  inputs.push_back(end);

  // Counted as under way before it is: the hook must not see the end before the gate expects it.
  gate_.Sent(true, GetTickCount());
  // Short of the end, nothing would ever tell the hook to stop holding.
  const bool whole = SendInputs(inputs) == inputs.size();
  if (!whole) gate_.Sent(false, GetTickCount());
  return whole;
}

}  // namespace tarquel
