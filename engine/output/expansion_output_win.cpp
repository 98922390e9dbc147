#include "engine/output/expansion_output_win.h"

#include <iterator>
#include <string>

#include "engine/output/placeholders.h"
#include "util/text_encoding.h"

namespace tarquel {

namespace {

constexpr std::uint16_t VirtualKeyV = 'V';

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

std::vector<KeyEvent> PasteKeys(const std::vector<KeyEvent>& cursorKeys) {
  std::vector<KeyEvent> events{{static_cast<std::uint16_t>(vk::LeftControl), false, 0, false},
                               {VirtualKeyV, false, 0, false},
                               {VirtualKeyV, true, 0, false},
                               {static_cast<std::uint16_t>(vk::LeftControl), true, 0, false}};
  events.insert(events.end(), cursorKeys.begin(), cursorKeys.end());
  return events;
}

std::string ClassOf(HWND window) {
  wchar_t name[256];
  int length =
      window != nullptr ? GetClassNameW(window, name, static_cast<int>(std::size(name))) : 0;
  if (length <= 0) return {};
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(name),
                                         static_cast<std::size_t>(length)));
}

std::string ProgramOf(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return {};
  wchar_t path[MAX_PATH * 4];
  DWORD length = static_cast<DWORD>(std::size(path));
  bool found = QueryFullProcessImageNameW(process, 0, path, &length) != 0;
  CloseHandle(process);
  if (!found) return {};
  std::wstring_view full(path, length);
  std::wstring_view name = full.substr(full.find_last_of(L"\\/") + 1);
  return Utf16ToUtf8(
      std::u16string_view(reinterpret_cast<const char16_t*>(name.data()), name.size()));
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
    focused.windowClass = ClassOf(info.hwndFocus);
  }
  focused.topLevelClass = ClassOf(foreground);
  focused.program = ProgramOf(processId);
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

void ExpansionOutput::Send(const ExpansionRequest& request, const ModifierState& held,
                           const SendBatch& send) {
  // Rendered now, not when the trigger completed: {{clipboard}} and {{date}} are what they are
  // as the text goes out.
  RenderedExpansion rendered = RenderExpansion(request.expansion, {clock_, names_, clipboardText_});
  const std::size_t characters = CountCharacters(rendered.text);
  const std::vector<KeyEvent> cursorKeys = Presses(vk::Left, rendered.cursorLeft);
  const bool lineBreak = rendered.text.find('\n') != std::string::npos;

  const SentExpansion sent{characters, rendered.cursorLeft, std::string(request.trigger)};
  if (ChooseOutputPath(characters, lineBreak, WindowWithFocus(), settings_) == OutputPath::Paste &&
      clipboard_.Prepare(ClipboardTextOf(rendered.text), FocusedProcess())) {
    // The Backspaces, Ctrl+V, the Left presses and the user's keys in one call: nothing the
    // user types can come between them.
    const std::vector<KeyEvent> events =
        BuildKeyEvents(request.backspaces, request.settleDeadKey, "", held, PasteKeys(cursorKeys));
    // From here on the text is never typed: the Ctrl+V may still be in the target's queue,
    // and the clipboard's protocol decides when the user's copy comes back.
    struct PasteSentGuard {
      WindowsPasteClipboard& clipboard;
      ~PasteSentGuard() { clipboard.PasteSent(); }
    } guard{clipboard_};
    // Written first: once the keys are out, the target's request for the text must find this
    // thread ready to answer.
    Diagnostic("Expansion pasted: " + std::to_string(characters) + " characters\n");
    const bool whole = send(events);
    // Open now, not after the clipboard is back: the user sees the text as soon as the target
    // pastes, and a Backspace then must already find the chance.
    queue_.ExpansionSent(sent);
    if (!whole) Diagnostic("Paste: Ctrl+V may not have gone out whole\n");
    return;
  }
  send(BuildKeyEvents(request.backspaces, request.settleDeadKey, rendered.text, held, cursorKeys));
  queue_.ExpansionSent(sent);
}

void ExpansionOutput::SendUndo(const UndoAction& action, const SendBatch& send) {
  // Taken back only on a Backspace with no modifier held, so none needs letting go.
  std::vector<KeyEvent> events = Presses(vk::Right, action.rightPresses);
  std::vector<KeyEvent> erase = BuildKeyEvents(action.backspaces, false, action.retype);
  events.insert(events.end(), erase.begin(), erase.end());
  send(events);
  Diagnostic("Expansion taken back: '" + action.retype + "'\n");
}

}  // namespace tarquel
