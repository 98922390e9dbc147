#include "engine/output/expansion_sender_win.h"

#include <string>

namespace tarquel {

static_assert(sizeof(INPUT) == 40, "SendInput records are 40 bytes on 64-bit Windows");

ExpansionSender* ActiveSender = nullptr;

namespace {

constexpr WORD VirtualKeyPacket = 0xE7;  // VK_PACKET: a character event

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

INPUT ToInput(const HeldKey& key) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  if (key.virtualKey == VirtualKeyPacket) {
    input.ki.wScan = static_cast<WORD>(key.scanCode);
    input.ki.dwFlags = KEYEVENTF_UNICODE;
  } else {
    input.ki.wVk = static_cast<WORD>(key.virtualKey);
    input.ki.wScan = static_cast<WORD>(key.scanCode);
    if (key.extended) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
  }
  if (key.release) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  input.ki.dwExtraInfo = ReplayedEventTag;
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
  wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  batchHeld_.reserve(SendQueue::HeldLimit);
  ActiveSender = this;
  thread_ = std::thread([this] { Run(); });
}

ExpansionSender::~ExpansionSender() {
  if (ActiveSender == this) ActiveSender = nullptr;
  Stop();
  if (wake_ != nullptr) CloseHandle(wake_);
}

void ExpansionSender::Stop() {
  stop_.store(true);
  SetEvent(wake_);
  const std::lock_guard lock(stopMutex_);
  if (thread_.joinable()) thread_.join();
}

void ExpansionSender::Queue(const ExpansionRequest& request, const ModifierState& modifiers) {
  queue_.Queue(request, modifiers, GetTickCount());
  Wake();
}

void ExpansionSender::SetOutputSettings(const OutputSettings& settings) {
  queue_.SetUndoEnabled(settings.undoBackspace);
  {
    const std::lock_guard lock(settingsMutex_);
    newSettings_ = settings;
  }
  Wake();
}

void ExpansionSender::Run() {
  // Made here: the clipboard's window must belong to the thread that opens the clipboard and
  // is asked to render our text.
  output_ = std::make_unique<ExpansionOutput>(queue_);
  while (!stop_.load()) {
    // Messages too: the clipboard window's render requests and its timer for a late restore.
    MsgWaitForMultipleObjectsEx(1, &wake_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (!stop_.load()) DoWork();
  }
  // Logoff, restart or Quit: the user's clipboard goes back before the program ends.
  output_->Finish();
  output_.reset();
}

void ExpansionSender::DoWork() {
  {
    const std::lock_guard lock(settingsMutex_);
    if (newSettings_) {
      output_->SetSettings(*newSettings_);
      newSettings_.reset();
    }
  }
  auto send = [this](const std::vector<KeyEvent>& events) { return SendBatch(events); };
  OutputJob job;
  for (;;) {
    switch (queue_.Next(job, GetTickCount())) {
      case SendQueue::WorkKind::None:
        return;
      case SendQueue::WorkKind::HeldOnly:
        SendBatch({});
        break;
      case SendQueue::WorkKind::Job:
        if (job.kind == OutputJob::Kind::Undo) {
          output_->SendUndo(job.undo, send);
        } else {
          ExpansionRequest request;
          request.backspaces = job.backspaces;
          request.settleDeadKey = job.settleDeadKey;
          request.trigger = job.trigger;
          request.expansion = job.expansion;
          output_->Send(request, job.modifiers, send);
        }
        queue_.JobDone(GetTickCount());
        break;
    }
  }
}

bool ExpansionSender::SendBatch(const std::vector<KeyEvent>& events) {
  // Counted as on its way before it is: the hook must not see the marker before the queue
  // expects it.
  queue_.BeginBatch(batchHeld_, GetTickCount());
  batchInputs_.clear();
  for (const KeyEvent& event : events) batchInputs_.push_back(ToInput(event));
  // The user's keys go behind the expansion in the same call.
  for (const HeldKey& key : batchHeld_) batchInputs_.push_back(ToInput(key));
  INPUT end{};
  end.type = INPUT_KEYBOARD;
  end.ki.wVk = MaskKey;
  end.ki.dwFlags = KEYEVENTF_KEYUP;
  end.ki.dwExtraInfo = BatchEndTag;
  batchInputs_.push_back(end);
  // Short of the marker, nothing would ever tell the hook to stop holding.
  const bool whole = SendInputs(batchInputs_) == batchInputs_.size();
  queue_.EndBatch(whole, GetTickCount());
  return whole;
}

}  // namespace tarquel
