#include "engine/output/expansion_sender_win.h"

#include <algorithm>
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
    input.ki.wScan = event.scanCode != 0
                         ? event.scanCode
                         : static_cast<WORD>(MapVirtualKeyW(event.virtualKey, MAPVK_VK_TO_VSC));
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
  // A trigger's character put back is ours: the matcher must not take it in again.
  input.ki.dwExtraInfo = key.ours ? InjectedEventTag : ReplayedEventTag;
  return input;
}

INPUT BatchEnd() {
  INPUT end{};
  end.type = INPUT_KEYBOARD;
  end.ki.wVk = MaskKey;
  end.ki.dwFlags = KEYEVENTF_KEYUP;
  end.ki.dwExtraInfo = BatchEndTag;
  return end;
}

// Of a batch of `eventCount` events, then `held`, then the marker, SendInput took `sent`: how
// many of the held keys went out.
std::size_t HeldSent(UINT sent, std::size_t eventCount, std::size_t heldCount) {
  if (sent <= eventCount) return 0;
  return std::min<std::size_t>(sent - eventCount, heldCount);
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
  rescueWake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  batchHeld_.reserve(SendQueue::HeldLimit);
  rescueHeld_.reserve(SendQueue::HeldLimit);
  ActiveSender = this;
  thread_ = std::thread([this] { Run(); });
  rescueThread_ = std::thread([this] { RunRescue(); });
}

ExpansionSender::~ExpansionSender() {
  if (ActiveSender == this) ActiveSender = nullptr;
  Stop();
  if (wake_ != nullptr) CloseHandle(wake_);
  if (rescueWake_ != nullptr) CloseHandle(rescueWake_);
}

void ExpansionSender::Stop() {
  stop_.store(true);
  SetEvent(wake_);
  SetEvent(rescueWake_);
  const std::lock_guard lock(stopMutex_);
  if (thread_.joinable()) thread_.join();
  if (rescueThread_.joinable()) rescueThread_.join();
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
  const ExpansionOutput::Channel channel{
      send, [this](const std::vector<KeyEvent>& events) { return SendPart(events); },
      [this](std::uint32_t ms) { return WaitServing(ms); }};
  OutputJob job;
  for (;;) {
    switch (queue_.Next(job, GetTickCount())) {
      case SendQueue::WorkKind::None:
        return;
      case SendQueue::WorkKind::HeldOnly:
        // A short send put the keys back: tried again on the next wake (a key, a marker), not
        // in a loop here while SendInput refuses (a secure desktop in front).
        if (!SendBatch({})) return;
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
          request.ending = job.ending;
          request.caseShape = job.caseShape;
          const std::optional<ExpansionOutput::SentCount> count = output_->Send(request, channel);
          HWND notice = noticeWindow_.load();
          if (count && notice != nullptr) {
            PostMessageW(notice, noticeMessage_.load(), count->sent,
                         static_cast<LPARAM>(count->typed));
          }
        }
        queue_.JobDone(GetTickCount());
        break;
    }
  }
}

bool ExpansionSender::SendBatch(const std::vector<KeyEvent>& events) {
  // Counted as on its way before it is: the hook must not see the marker before the queue
  // expects it.
  if (!queue_.BeginBatch(batchHeld_, GetTickCount())) return false;
  batchInputs_.clear();
  for (const KeyEvent& event : events) batchInputs_.push_back(ToInput(event));
  // The user's keys go behind the expansion in the same call.
  for (const HeldKey& key : batchHeld_) batchInputs_.push_back(ToInput(key));
  batchInputs_.push_back(BatchEnd());
  // Short of the marker, nothing would ever tell the hook to stop holding; held keys
  // SendInput did not take go out with the next batch.
  const UINT sent = SendInputs(batchInputs_);
  const bool whole = sent == batchInputs_.size();
  queue_.EndBatch(batchHeld_, HeldSent(sent, events.size(), batchHeld_.size()), whole,
                  GetTickCount());
  return whole;
}

bool ExpansionSender::SendPart(const std::vector<KeyEvent>& events) {
  if (!queue_.BeginPart(GetTickCount())) return false;
  batchInputs_.clear();
  for (const KeyEvent& event : events) batchInputs_.push_back(ToInput(event));
  // No marker: the user's keys wait for the expansion's last batch, which carries one.
  return SendInputs(batchInputs_) == batchInputs_.size();
}

bool ExpansionSender::WaitServing(std::uint32_t ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  // A target reading a paste of this expansion asks this thread for the text meanwhile.
  ServeSentMessagesUntil([this, end] { return stop_.load() || GetTickCount64() >= end; }, ms);
  return !stop_.load();
}

void ExpansionSender::RunRescue() {
  while (!stop_.load()) {
    WaitForSingleObject(rescueWake_, INFINITE);
    if (stop_.load()) break;
    while (queue_.TakeHeldForRescue(rescueHeld_, GetTickCount())) {
      rescueInputs_.clear();
      for (const HeldKey& key : rescueHeld_) rescueInputs_.push_back(ToInput(key));
      rescueInputs_.push_back(BatchEnd());
      const UINT sent = SendInputs(rescueInputs_);
      const bool whole = sent == rescueInputs_.size();
      queue_.EndBatch(rescueHeld_, HeldSent(sent, 0, rescueHeld_.size()), whole, GetTickCount());
      // Refused: tried again on the next wake.
      if (!whole) break;
    }
  }
}

}  // namespace tarquel
