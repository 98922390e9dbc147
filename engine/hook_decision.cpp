#include "engine/hook_decision.h"

namespace tarquel {

HookVerdict HookDecision::OnKey(const HookKeyEvent& event, std::uint32_t now) {
  switch (event.origin) {
    case KeyOrigin::BatchEnd:
      // Every event sent before it has been through here: keys held meanwhile may go out.
      return {true, queue_.OnBatchEnd(now)};
    case KeyOrigin::Injected:
      // Our own output must not feed the buffer again: an expansion that ends with its own
      // trigger would expand forever.
      return {};
    case KeyOrigin::User:
    case KeyOrigin::Replayed:
      break;
  }
  if (expander_ == nullptr) return {};

  // An expansion is on its way: this key belongs after it, downs and ups alike, so that a
  // key-up never passes while its key-down waits. The matcher sees it when it is sent again.
  // PassAndWake only when nothing gets out any more; no expansion waits then.
  const HeldKey key{event.virtualKey, event.scanCode, event.extended, event.release};
  bool wake = false;
  switch (queue_.OnUserKey(key, event.origin == KeyOrigin::Replayed, now)) {
    case SendQueue::KeyVerdict::Held:
      return {true, false};
    case SendQueue::KeyVerdict::HeldAndWake:
      return {true, true};
    case SendQueue::KeyVerdict::PassAndWake:
      wake = true;
      break;
    case SendQueue::KeyVerdict::Pass:
      break;
  }
  if (!event.release && queue_.TakesBack(event.virtualKey, expander_->Modifiers(), now)) {
    return {true, true};
  }
  // A completed trigger was queued by the expander's output: the output thread must send it.
  const bool matched =
      expander_->OnKeyEvent(event.virtualKey, event.scanCode, event.extended, event.release);
  return {matched, wake || matched};
}

bool HookDecision::OnMouseButtonDown(std::uint32_t eventTime, std::uint32_t now) {
  if (expander_ != nullptr) expander_->ForgetTyped();
  return queue_.OnCaretMayHaveMoved(eventTime, now);
}

}  // namespace tarquel
