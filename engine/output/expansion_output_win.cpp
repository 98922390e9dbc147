#include "engine/output/expansion_output_win.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "engine/output/output_steps.h"
#include "engine/output/placeholders.h"
#include "util/process_win.h"
#include "util/text_encoding.h"

namespace tarquel {

namespace {

// Reading the focused field for a take-back: a short bound for its program to answer, and a
// bound on what is read (a field this long is not worth copying for one Backspace).
constexpr UINT FieldReadTimeoutMs = 200;
constexpr DWORD_PTR FieldReadLimit = 4 * 1024 * 1024;

void Press(std::vector<KeyEvent>& events, std::uint32_t key, bool extended) {
  events.push_back({static_cast<std::uint16_t>(key), false, 0, extended});
  events.push_back({static_cast<std::uint16_t>(key), true, 0, extended});
}

std::vector<KeyEvent> Presses(std::uint32_t key, std::size_t count) {
  std::vector<KeyEvent> events;
  events.reserve(count * 2);
  // The arrow keys are extended keys; without the flag some programs take the numpad's 4/6.
  for (std::size_t i = 0; i < count; ++i) Press(events, key, true);
  return events;
}

// The key of `layout` that types `c`, or nothing when it takes no key of its own there: beyond
// the keyboard (an emoji), Ctrl or Alt alone (that would be a shortcut), or a dead key (which
// would wait for the next character instead).
std::optional<LayoutKey> KeyOfLayout(char32_t c, HKL layout) {
  if (c >= 0x10000) return std::nullopt;
  const SHORT found = VkKeyScanExW(static_cast<WCHAR>(c), layout);
  if (found == -1) return std::nullopt;
  const auto key = static_cast<UINT>(found & 0xFF);
  const auto modifiers = static_cast<unsigned>((found >> 8) & 0xFF);
  const bool ctrl = (modifiers & 2) != 0;
  const bool alt = (modifiers & 4) != 0;
  if ((modifiers & ~7U) != 0 || ctrl != alt) return std::nullopt;
  if ((MapVirtualKeyExW(key, MAPVK_VK_TO_CHAR, layout) & 0x80000000U) != 0) return std::nullopt;
  return LayoutKey{static_cast<std::uint16_t>(key), (modifiers & 1) != 0, ctrl && alt,
                   static_cast<std::uint16_t>(MapVirtualKeyExW(key, MAPVK_VK_TO_VSC, layout))};
}

void Diagnostic(const std::string& line) {
  OutputDebugStringA(line.c_str());
}

}  // namespace

FocusedWindow WindowWithFocus() {
  FocusedWindow focused;
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return focused;
  DWORD processId = 0;
  DWORD thread = GetWindowThreadProcessId(foreground, &processId);
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr) {
    focused.windowClass = WindowClassOf(info.hwndFocus);
  }
  focused.topLevelClass = WindowClassOf(foreground);
  focused.program = ExecutableNameOf(processId);
  return focused;
}

DWORD FocusedProcess() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return 0;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  // The control with the focus, whose process reads the clipboard: a frame (an app hosted by
  // ApplicationFrameHost) may belong to another.
  HWND focus = GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info) &&
                       info.hwndFocus != nullptr
                   ? info.hwndFocus
                   : foreground;
  DWORD process = 0;
  GetWindowThreadProcessId(focus, &process);
  return process;
}

ExpansionOutput::ExpansionOutput(SendQueue& queue) : clipboardText_(clipboard_), queue_(queue) {}

void ExpansionOutput::Finish() {
  clipboard_.Finish();
}

void ExpansionOutput::SetSettings(const OutputSettings& settings) {
  settings_ = settings;
}

namespace {

// Another text of the same expansion to paste while the target has not read the first yet:
// this long for it to read, before the second is typed instead.
constexpr DWORD SecondPasteWaitMs = 1000;

// The steps of an expansion on the output thread's channel and the real clipboard.
class WindowsSteps final : public StepSink {
 public:
  WindowsSteps(const ExpansionOutput::Channel& channel, WindowsPasteClipboard& clipboard)
      : channel_(channel), clipboard_(clipboard) {}

  bool Send(const std::vector<KeyEvent>& events, bool last) override {
    return last ? channel_.batch(events) : channel_.part(events);
  }

  bool PreparePaste(std::string_view text) override {
    if (pasted_ && clipboard_.protocol().state() == PasteProtocol::State::AwaitingRead) {
      ServeSentMessagesUntil(
          [this] { return clipboard_.protocol().state() != PasteProtocol::State::AwaitingRead; },
          SecondPasteWaitMs);
    }
    if (!clipboard_.Prepare(ClipboardTextOf(text), FocusedProcess())) return false;
    pasted_ = true;
    // Written before the Ctrl+V: once it is out, the target's request for the text must find
    // this thread ready to answer.
    Diagnostic("Expansion pasted: " + std::to_string(CountCharacters(text)) + " characters\n");
    return true;
  }

  // From here on the text is never typed: the Ctrl+V may still be in the target's queue, and
  // the clipboard's protocol decides when the user's copy comes back.
  void PasteSent() override { clipboard_.PasteSent(); }

  bool Wait(std::uint32_t ms) override { return channel_.wait(ms); }

 private:
  const ExpansionOutput::Channel& channel_;
  WindowsPasteClipboard& clipboard_;
  bool pasted_ = false;
};

}  // namespace

std::optional<ExpansionOutput::SentCount> ExpansionOutput::Send(const ExpansionRequest& request,
                                                                const Channel& channel) {
  // Rendered now, not when the trigger completed: {{clipboard}} and {{date}} are what they are
  // as the text goes out.
  RenderedExpansion rendered = RenderExpansion(request.expansion, {clock_, names_, clipboardText_});
  // Enter or Tab ending the trigger goes out as its key after the text, also after a paste, so
  // that it sends a form or moves to the next field as the user's own key would have.
  const bool endingKey = request.ending == "\n" || request.ending == "\t";
  FinishForTrigger(rendered, request.caseShape, endingKey ? "" : request.ending);
  std::vector<KeyEvent> trailing;
  if (endingKey) Press(trailing, request.ending == "\n" ? vk::Return : vk::Tab, false);
  const std::size_t cursorLeft = rendered.cursorLeft + (endingKey && rendered.hasCursor ? 1 : 0);
  const std::vector<KeyEvent> lefts = Presses(vk::Left, cursorLeft);
  trailing.insert(trailing.end(), lefts.begin(), lefts.end());
  const std::size_t characters = CountCharacters(rendered.text);
  const FocusedWindow focused = WindowWithFocus();
  // A key may take the caret to another field, or send a form: nothing to take back there.
  const SentExpansion sent{characters + (endingKey ? 1 : 0), cursorLeft,
                           std::string(request.trigger),
                           endingKey ? rendered.text + std::string(request.ending) : rendered.text,
                           IsReadableField(focused.windowClass) && !rendered.HoldsKeys()};

  // Each piece of text typed, or pasted when it is long or holds a line break; in a remote or
  // virtual machine's window pressed as the keys of the target's layout, or pasted when a
  // character has no key there.
  const bool pressKeys = MustPressKeys(focused, settings_);
  HKL layout = nullptr;
  if (pressKeys) {
    HWND foreground = GetForegroundWindow();
    layout = GetKeyboardLayout(foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr)
                                                     : 0);
  }
  std::size_t pressed = 0;
  const TextKeys keysFor = [&](std::string_view text) -> std::optional<std::vector<KeyEvent>> {
    const std::size_t count = CountCharacters(text);
    const bool lineBreak = text.find('\n') != std::string_view::npos;
    if (ChooseOutputPath(count, lineBreak, focused, settings_) == OutputPath::Paste) {
      return std::nullopt;
    }
    if (!pressKeys) return BuildKeyEvents(0, false, text);
    std::optional<std::vector<KeyEvent>> presses =
        BuildKeyPresses(0, false, text, [layout](char32_t c) { return KeyOfLayout(c, layout); });
    if (presses) pressed += count;
    return presses;
  };

  // The modifiers as the user holds them now: one let go since the trigger is not pressed again.
  StepRequest steps{request.backspaces, request.settleDeadKey, queue_.ModifiersAtSend(),
                    PaceFor(focused, settings_), std::move(trailing)};
  WindowsSteps sink(channel, clipboard_);
  const bool whole = SendSteps(rendered, steps, keysFor, sink);
  // Open as soon as the keys are out: the user sees the text as soon as the target pastes, and
  // a Backspace then must already find the chance.
  queue_.ExpansionSent(sent);
  if (pressed != 0) {
    Diagnostic("Expansion pressed as keys: " + std::to_string(pressed) + " characters\n");
  }
  if (!whole) {
    Diagnostic("Expansion cut short: called off or not sent whole\n");
    return std::nullopt;
  }
  return SentCount{sent.charactersPut, CountCharacters(request.trigger)};
}

void ExpansionOutput::SendUndo(const UndoAction& action, const SendBatch& send) {
  const std::optional<FieldContents> field = ReadFocusedField();
  if (!field || !FieldShowsExpansion(*field, action.rightPresses, action.mustShow)) {
    // The field does not show what was sent (cut short, limited, corrected) or could not be
    // read: erasing the count sent could take the user's own text. The Backspace the user
    // pressed goes on as one; its key-up follows as the user's.
    send({{static_cast<std::uint16_t>(vk::Back), false, 0, false}});
    Diagnostic("Expansion not taken back: the field does not show it\n");
    return;
  }
  // Taken back only on a Backspace with no modifier held, so none needs letting go.
  std::vector<KeyEvent> events = Presses(vk::Right, action.rightPresses);
  std::vector<KeyEvent> erase = BuildKeyEvents(action.backspaces, false, action.retype);
  events.insert(events.end(), erase.begin(), erase.end());
  send(events);
  Diagnostic("Expansion taken back: '" + action.retype + "'\n");
}

std::optional<FieldContents> ReadFocusedField() {
  HWND foreground = GetForegroundWindow();
  if (foreground == nullptr) return std::nullopt;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info) ||
      info.hwndFocus == nullptr || !IsReadableField(WindowClassOf(info.hwndFocus))) {
    return std::nullopt;
  }
  HWND field = info.hwndFocus;
  // A field whose program does not answer soon is taken as unreadable: the output thread
  // must not hang on it.
  auto ask = [field](UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
    return SendMessageTimeoutW(field, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                               FieldReadTimeoutMs, &result) != 0;
  };
  DWORD_PTR length = 0;
  if (!ask(WM_GETTEXTLENGTH, 0, 0, length) || length > FieldReadLimit) return std::nullopt;
  // WM_GETTEXTLENGTH may count more than WM_GETTEXT gives (DBCS), never less.
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!ask(WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), copied)) {
    return std::nullopt;
  }
  text.resize(std::min<std::size_t>(copied, length));
  DWORD start = 0;
  DWORD end = 0;
  DWORD_PTR ignored = 0;
  // The system copies EM_GETSEL's two positions back across processes.
  if (!ask(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end), ignored)) {
    return std::nullopt;
  }
  FieldContents contents;
  contents.text.assign(text.begin(), text.end());
  contents.selectionStart = start;
  contents.selectionEnd = end;
  return contents;
}

}  // namespace tarquel
