#include "engine/output/output_steps.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace tarquel {

namespace {

constexpr std::uint16_t VirtualKeyV = 'V';

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

void Append(std::vector<KeyEvent>& events, const std::vector<KeyEvent>& more) {
  events.insert(events.end(), more.begin(), more.end());
}

// The events gathered since the last Send, and the waits owed between key presses.
class StepRun {
 public:
  StepRun(const StepRequest& request, StepSink& sink) : request_(request), sink_(sink) {}

  std::vector<KeyEvent> pending;
  // Where in `pending` a Ctrl+V begins, if one is there.
  std::optional<std::size_t> pasteAt;

  // Sends what is pending, as one Send or, with a key delay, one per key press. `last` sends
  // even nothing: the user's held keys go with it.
  bool Flush(bool last) {
    if (pending.empty() && !last) return true;
    bool whole = true;
    if (request_.pace.keyDelayMs == 0) {
      TellPaste(pending.size());
      whole = sink_.Send(pending, last);
    } else {
      std::vector<std::vector<KeyEvent>> presses = SplitKeyPresses(pending);
      if (presses.empty()) presses.emplace_back();
      std::size_t sent = 0;
      for (std::size_t i = 0; i < presses.size() && whole; ++i) {
        if (waitOwed_ && !presses[i].empty() && !sink_.Wait(request_.pace.keyDelayMs)) {
          whole = false;
          break;
        }
        sent += presses[i].size();
        TellPaste(sent);
        whole = sink_.Send(presses[i], last && i + 1 == presses.size());
        if (!presses[i].empty()) waitOwed_ = true;
      }
    }
    pending.clear();
    // Stopped before its Ctrl+V: the text on the clipboard goes back as after a paste nobody
    // read.
    TellPaste(std::numeric_limits<std::size_t>::max());
    return whole;
  }

  // A wait of its own stands in for the one owed after the last key press.
  bool Wait(std::uint32_t ms) {
    if (ms == 0) return true;
    waitOwed_ = false;
    return sink_.Wait(ms);
  }

 private:
  // The clipboard hears of a Ctrl+V before the Send that carries it: the target may ask for
  // the text while that Send is still going out (under Wine, SendInput serves this thread's
  // messages while the hooks see each event), and a request before it would be refused.
  void TellPaste(std::size_t eventsAboutToGo) {
    if (!pasteAt || *pasteAt >= eventsAboutToGo) return;
    pasteAt.reset();
    sink_.PasteSent();
  }

  const StepRequest& request_;
  StepSink& sink_;
  bool waitOwed_ = false;
};

bool SendText(std::string_view text, const StepRequest& request, const TextKeys& keysFor,
              StepSink& sink, StepRun& run) {
  if (text.empty()) return true;
  if (std::optional<std::vector<KeyEvent>> keys = keysFor(text)) {
    Append(run.pending, *keys);
    return true;
  }
  // An earlier Ctrl+V of this expansion goes out first, so that the clipboard knows it went
  // before it is asked for another text.
  if (run.pasteAt && !run.Flush(false)) return false;
  if (!sink.PreparePaste(text)) {
    Append(run.pending, BuildKeyEvents(0, false, text));
    return true;
  }
  if (request.pace.pasteDelayMs != 0 &&
      (!run.Flush(false) || !run.Wait(request.pace.pasteDelayMs))) {
    // The text waits on the clipboard: it is put back as after a paste nobody read.
    sink.PasteSent();
    return false;
  }
  run.pasteAt = run.pending.size();
  Append(run.pending, PasteKeys());
  return true;
}

}  // namespace

std::vector<KeyEvent> PasteKeys() {
  return {{static_cast<std::uint16_t>(vk::LeftControl), false, 0, false},
          {VirtualKeyV, false, 0, false},
          {VirtualKeyV, true, 0, false},
          {static_cast<std::uint16_t>(vk::LeftControl), true, 0, false}};
}

bool SendSteps(const RenderedExpansion& rendered, const StepRequest& request,
               const TextKeys& keysFor, StepSink& sink) {
  StepRun run(request, sink);
  AppendModifiersLetGo(run.pending, request.held);
  Append(run.pending, BuildKeyEvents(request.backspaces, request.settleDeadKey, ""));

  if (rendered.steps.empty() && !SendText(rendered.text, request, keysFor, sink, run)) {
    return false;
  }
  for (const RenderedStep& step : rendered.steps) {
    switch (step.kind) {
      case RenderedStep::Kind::Text:
        if (!SendText(step.text, request, keysFor, sink, run)) return false;
        break;
      case RenderedStep::Kind::Key:
        AppendChord(run.pending, step.key, step.number);
        break;
      case RenderedStep::Kind::Delay:
        if (!run.Flush(false) || !run.Wait(step.number)) return false;
        break;
    }
  }

  Append(run.pending, request.trailing);
  AppendModifiersPressedAgain(run.pending, request.held);
  return run.Flush(true);
}

std::vector<std::vector<KeyEvent>> SplitKeyPresses(const std::vector<KeyEvent>& events) {
  std::vector<std::vector<KeyEvent>> presses;
  std::vector<KeyEvent> press;
  // The keys pressed in `press` and not yet let go, as (virtual key, character).
  std::vector<std::pair<std::uint16_t, char16_t>> down;
  for (const KeyEvent& event : events) {
    press.push_back(event);
    const std::pair<std::uint16_t, char16_t> key{event.virtualKey, event.unicode};
    if (!event.release) {
      down.push_back(key);
      continue;
    }
    const auto found = std::find(down.begin(), down.end(), key);
    if (found == down.end()) continue;
    down.erase(found);
    if (down.empty() && !(event.unicode != 0 && IsHighSurrogate(event.unicode))) {
      presses.push_back(std::move(press));
      press.clear();
    }
  }
  if (!press.empty()) {
    if (presses.empty()) {
      presses.push_back(std::move(press));
    } else {
      Append(presses.back(), press);
    }
  }
  return presses;
}

}  // namespace tarquel
