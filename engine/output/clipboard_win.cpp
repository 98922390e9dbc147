#include "engine/output/clipboard_win.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "util/text_encoding.h"

namespace tarquel {

namespace {

constexpr wchar_t WindowClassName[] = L"TarquelClipboard";
constexpr DWORD RetryPauseMs = 10;
// While the protocol waits for a read, a settling, or a clipboard held open by another program.
constexpr UINT_PTR ProtocolTimer = 1;
// The save's thread answers within its budget and this, or the save counts as over time.
constexpr DWORD SaveSlackMs = 50;

// Marks that keep our text out of clipboard history, cloud clipboard and clipboard managers.
struct Exclusion {
  const wchar_t* name;
  DWORD value;
};
constexpr Exclusion ExclusionFormats[] = {
    {L"ExcludeClipboardContentFromMonitorProcessing", 0},
    {L"CanIncludeInClipboardHistory", 0},
    {L"CanUploadToCloudClipboard", 0},
};

HGLOBAL MemoryWith(const void* data, std::size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr || size == 0) return memory;
  void* target = GlobalLock(memory);
  if (target == nullptr) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(target, data, size);
  GlobalUnlock(memory);
  return memory;
}

HPALETTE CopyPalette(HPALETTE palette) {
  WORD count = 0;
  if (GetObjectW(palette, sizeof count, &count) == 0 || count == 0) return nullptr;
  std::vector<unsigned char> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = count;
  if (GetPaletteEntries(palette, 0, count, logical->palPalEntry) != count) return nullptr;
  return CreatePalette(logical);
}

HANDLE CopyObjectOf(SavedClipboardFormat::Kind kind, HANDLE handle) {
  using Kind = SavedClipboardFormat::Kind;
  switch (kind) {
    case Kind::Bitmap:
      return CopyImage(handle, IMAGE_BITMAP, 0, 0, 0);
    case Kind::Palette:
      return CopyPalette(static_cast<HPALETTE>(handle));
    case Kind::EnhancedMetafile:
      return CopyEnhMetaFileW(static_cast<HENHMETAFILE>(handle), nullptr);
    case Kind::MetafilePicture:
      return CopyMetaFileW(static_cast<HMETAFILE>(handle), nullptr);
    case Kind::Memory:
      return nullptr;
  }
  return nullptr;
}

void DeleteObjectOf(SavedClipboardFormat::Kind kind, HANDLE handle) {
  using Kind = SavedClipboardFormat::Kind;
  switch (kind) {
    case Kind::Bitmap:
    case Kind::Palette:
      DeleteObject(handle);
      return;
    case Kind::EnhancedMetafile:
      DeleteEnhMetaFile(static_cast<HENHMETAFILE>(handle));
      return;
    case Kind::MetafilePicture:
      DeleteMetaFile(static_cast<HMETAFILE>(handle));
      return;
    case Kind::Memory:
      GlobalFree(handle);
      return;
  }
}

class ClipboardCloser {
 public:
  ClipboardCloser() = default;
  ~ClipboardCloser() { CloseClipboard(); }
  ClipboardCloser(const ClipboardCloser&) = delete;
  ClipboardCloser& operator=(const ClipboardCloser&) = delete;
};

bool ReadMemory(HANDLE handle, std::vector<unsigned char>& bytes) {
  SetLastError(ERROR_SUCCESS);
  SIZE_T size = GlobalSize(handle);
  if (size == 0) return GetLastError() == ERROR_SUCCESS;
  const void* data = GlobalLock(handle);
  if (data == nullptr) return false;
  bytes.assign(static_cast<const unsigned char*>(data),
               static_cast<const unsigned char*>(data) + size);
  GlobalUnlock(handle);
  return true;
}

}  // namespace

std::optional<SavedClipboardFormat> SavedClipboardFormat::Copy(UINT format, HANDLE handle) {
  using K = Kind;
  if (format == CF_OWNERDISPLAY || (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST) ||
      (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST)) {
    // Their handles mean something only to the program that set them.
    return std::nullopt;
  }
  K kind = K::Memory;
  if (format == CF_BITMAP || format == CF_DSPBITMAP) kind = K::Bitmap;
  if (format == CF_PALETTE) kind = K::Palette;
  if (format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE) kind = K::EnhancedMetafile;
  if (format == CF_METAFILEPICT || format == CF_DSPMETAFILEPICT) kind = K::MetafilePicture;

  SavedClipboardFormat saved(format, kind);
  switch (kind) {
    case K::Memory:
      if (!ReadMemory(handle, saved.bytes_)) return std::nullopt;
      return saved;
    case K::MetafilePicture: {
      if (!ReadMemory(handle, saved.bytes_) || saved.bytes_.size() < sizeof(METAFILEPICT)) {
        return std::nullopt;
      }
      METAFILEPICT picture;
      std::memcpy(&picture, saved.bytes_.data(), sizeof picture);
      saved.object_ = CopyObjectOf(kind, picture.hMF);
      if (saved.object_ == nullptr) return std::nullopt;
      return saved;
    }
    case K::Bitmap:
    case K::Palette:
    case K::EnhancedMetafile:
      saved.object_ = CopyObjectOf(kind, handle);
      if (saved.object_ == nullptr) return std::nullopt;
      return saved;
  }
  return std::nullopt;
}

SavedClipboardFormat::SavedClipboardFormat(SavedClipboardFormat&& other) noexcept
    : format_(other.format_),
      kind_(other.kind_),
      bytes_(std::move(other.bytes_)),
      object_(std::exchange(other.object_, nullptr)) {}

SavedClipboardFormat& SavedClipboardFormat::operator=(SavedClipboardFormat&& other) noexcept {
  if (this != &other) {
    Release();
    format_ = other.format_;
    kind_ = other.kind_;
    bytes_ = std::move(other.bytes_);
    object_ = std::exchange(other.object_, nullptr);
  }
  return *this;
}

SavedClipboardFormat::~SavedClipboardFormat() {
  Release();
}

void SavedClipboardFormat::Release() {
  if (object_ != nullptr) DeleteObjectOf(kind_, std::exchange(object_, nullptr));
}

HANDLE SavedClipboardFormat::NewHandle() const {
  switch (kind_) {
    case Kind::Memory:
      return MemoryWith(bytes_.data(), bytes_.size());
    case Kind::MetafilePicture: {
      METAFILEPICT picture;
      std::memcpy(&picture, bytes_.data(), sizeof picture);
      picture.hMF = static_cast<HMETAFILE>(CopyObjectOf(kind_, object_));
      if (picture.hMF == nullptr) return nullptr;
      std::vector<unsigned char> block = bytes_;
      std::memcpy(block.data(), &picture, sizeof picture);
      HGLOBAL memory = MemoryWith(block.data(), block.size());
      if (memory == nullptr) DeleteMetaFile(picture.hMF);
      return memory;
    }
    case Kind::Bitmap:
    case Kind::Palette:
    case Kind::EnhancedMetafile:
      return CopyObjectOf(kind_, object_);
  }
  return nullptr;
}

void SavedClipboardFormat::FreeHandle(HANDLE handle) const {
  if (handle == nullptr) return;
  if (kind_ == Kind::MetafilePicture) {
    if (auto* picture = static_cast<METAFILEPICT*>(GlobalLock(handle))) {
      DeleteMetaFile(picture->hMF);
      GlobalUnlock(handle);
    }
    GlobalFree(handle);
    return;
  }
  DeleteObjectOf(kind_, handle);
}

bool ServeSentMessagesUntil(const std::function<bool()>& done, DWORD boundMs) {
  ULONGLONG deadline = GetTickCount64() + boundMs;
  while (!done()) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now),
                              QS_SENDMESSAGE);
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  return true;
}

bool OpenClipboardWithRetries(HWND window, DWORD boundMs) {
  ULONGLONG deadline = GetTickCount64() + boundMs;
  for (;;) {
    if (OpenClipboard(window)) return true;
    if (GetTickCount64() >= deadline) return false;
    ULONGLONG pauseEnd = GetTickCount64() + RetryPauseMs;
    ServeSentMessagesUntil([pauseEnd] { return GetTickCount64() >= pauseEnd; }, RetryPauseMs);
  }
}

namespace {

std::uint64_t Now() {
  return GetTickCount64();
}

void Diagnostic(const char* line) {
  OutputDebugStringA(line);
}

void Diagnostic(const std::string& line) {
  OutputDebugStringA(line.c_str());
}

class TickClock final : public MonotonicClock {
 public:
  std::uint64_t NowMs() const override { return GetTickCount64(); }
};

// Until `event` is set or `boundMs` passed, serving messages sent to this thread meanwhile.
bool WaitServingSentMessages(HANDLE event, DWORD boundMs) {
  ULONGLONG deadline = GetTickCount64() + boundMs;
  for (;;) {
    ULONGLONG now = GetTickCount64();
    DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
    DWORD woken = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_SENDMESSAGE);
    if (woken == WAIT_OBJECT_0) return true;
    if (woken != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

// The open clipboard's formats in the order the system lists them, each fetched (rendered, if
// promised) as the budget asks for it. What is copied, and how, is the reader's own.
class OpenClipboardFormats : public ClipboardFormatReader {
 public:
  explicit OpenClipboardFormats(const std::atomic<bool>& abandoned) : abandoned_(abandoned) {}

  Listed Next(unsigned& format) override {
    // The caller stopped waiting: nobody wants the rest.
    if (abandoned_.load()) return Listed::Failed;
    SetLastError(ERROR_SUCCESS);
    last_ = EnumClipboardFormats(last_);
    if (last_ == 0) return GetLastError() == ERROR_SUCCESS ? Listed::End : Listed::Failed;
    format = last_;
    return Listed::Format;
  }

 protected:
  // The format's data, or null when its owner gave none.
  HANDLE Fetched(unsigned format) {
    handle_ = GetClipboardData(format);
    return handle_;
  }
  HANDLE handle_ = nullptr;

 private:
  const std::atomic<bool>& abandoned_;
  UINT last_ = 0;
};

// The open clipboard as the budget reads it, the copies going into `out`.
class OpenClipboardReader final : public OpenClipboardFormats {
 public:
  OpenClipboardReader(const std::atomic<bool>& abandoned, std::vector<SavedClipboardFormat>& out)
      : OpenClipboardFormats(abandoned), out_(out) {}

  std::optional<std::size_t> Fetch(unsigned format) override {
    if (Fetched(format) == nullptr) return std::nullopt;
    return SavedClipboardFormat::BytesOf(format, handle_);
  }
  bool Copy(unsigned format) override {
    std::optional<SavedClipboardFormat> copy = SavedClipboardFormat::Copy(format, handle_);
    if (!copy) return false;
    out_.push_back(std::move(*copy));
    return true;
  }

 private:
  std::vector<SavedClipboardFormat>& out_;
};

// The open clipboard as {{clipboard}}'s read sees it: only as much of the text as the
// placeholder can use is copied, never past the block.
class OpenClipboardTextReader final : public OpenClipboardFormats {
 public:
  OpenClipboardTextReader(const std::atomic<bool>& abandoned, std::u16string& out)
      : OpenClipboardFormats(abandoned), out_(out) {}

  std::optional<std::size_t> Fetch(unsigned format) override {
    if (Fetched(format) == nullptr) return std::nullopt;
    return GlobalSize(handle_);
  }
  bool Copy(unsigned) override {
    const auto* text = static_cast<const char16_t*>(GlobalLock(handle_));
    if (text == nullptr) return false;
    std::size_t units = GlobalSize(handle_) / sizeof(char16_t);
    if (units > ClipboardPlaceholderLimit) units = ClipboardPlaceholderLimit;
    std::size_t length = 0;
    while (length < units && text[length] != 0) ++length;
    out_.assign(text, length);
    GlobalUnlock(handle_);
    return true;
  }

 private:
  std::u16string& out_;
};

}  // namespace

std::size_t SavedClipboardFormat::BytesOf(UINT format, HANDLE handle) {
  if (format == CF_BITMAP || format == CF_DSPBITMAP) {
    BITMAP bitmap{};
    if (GetObjectW(handle, sizeof bitmap, &bitmap) == 0) return 0;
    return static_cast<std::size_t>(bitmap.bmWidthBytes) *
           static_cast<std::size_t>(bitmap.bmHeight > 0 ? bitmap.bmHeight : 0);
  }
  if (format == CF_ENHMETAFILE || format == CF_DSPENHMETAFILE) {
    return GetEnhMetaFileBits(static_cast<HENHMETAFILE>(handle), 0, nullptr);
  }
  if (format == CF_PALETTE) return 256 * sizeof(PALETTEENTRY);
  return GlobalSize(handle);
}

struct ClipboardSaver::Shared {
  Shared() {
    request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  }
  ~Shared() {
    if (request != nullptr) CloseHandle(request);
    if (done != nullptr) CloseHandle(done);
  }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;

  HANDLE request = nullptr;
  HANDLE done = nullptr;
  std::atomic<bool> abandoned{false};
  std::mutex mutex;
  bool stop = false;
  bool busy = false;
  ClipboardSaveLimits limits;
  // What the thread is asked for next: the whole clipboard, or only its text.
  bool textOnly = false;
  ClipboardSaveEnd end = ClipboardSaveEnd::Unreadable;
  SavedClipboard result;
  ClipboardTextEnd textEnd = ClipboardTextEnd::NoText;
  std::u16string text;
};

namespace {

ClipboardSaveEnd ReadClipboardOnce(HWND window, const std::atomic<bool>& abandoned,
                                   ClipboardSaveLimits limits, SavedClipboard& result) {
  const ULONGLONG start = GetTickCount64();
  // A program holding the clipboard open counts against the same budget.
  if (!OpenClipboardWithRetries(window, static_cast<DWORD>(limits.timeMs))) {
    return ClipboardSaveEnd::OutOfTime;
  }
  ClipboardCloser closer;
  const ULONGLONG opened = GetTickCount64() - start;
  limits.timeMs = opened >= limits.timeMs ? 0 : limits.timeMs - opened;
  OpenClipboardReader reader(abandoned, result.formats);
  ClipboardSaveEnd end = SaveWithinBudget(reader, TickClock(), limits);
  // Read with the clipboard still open: renders during the save are part of what was saved.
  result.sequence = GetClipboardSequenceNumber();
  return end;
}

ClipboardTextEnd ReadClipboardTextOnce(HWND window, const std::atomic<bool>& abandoned,
                                       ClipboardSaveLimits limits, std::u16string& text) {
  const ULONGLONG start = GetTickCount64();
  if (!OpenClipboardWithRetries(window, static_cast<DWORD>(limits.timeMs))) {
    return ClipboardTextEnd::OutOfTime;
  }
  ClipboardCloser closer;
  const ULONGLONG opened = GetTickCount64() - start;
  limits.timeMs = opened >= limits.timeMs ? 0 : limits.timeMs - opened;
  OpenClipboardTextReader reader(abandoned, text);
  return ReadTextWithinBudget(reader, TickClock(), limits);
}

void RunSaver(const std::shared_ptr<ClipboardSaver::Shared>& shared) {
  // Opened with a window of its own: with none, Wine lets a second thread open the clipboard
  // that another holds open with none.
  HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  struct WindowGuard {
    HWND window;
    ~WindowGuard() {
      if (window != nullptr) DestroyWindow(window);
    }
  } guard{window};
  for (;;) {
    WaitForSingleObject(shared->request, INFINITE);
    ClipboardSaveLimits limits;
    bool textOnly = false;
    {
      const std::lock_guard lock(shared->mutex);
      if (shared->stop) return;
      limits = shared->limits;
      textOnly = shared->textOnly;
    }
    SavedClipboard result;
    ClipboardSaveEnd end = ClipboardSaveEnd::Unreadable;
    std::u16string text;
    ClipboardTextEnd textEnd = ClipboardTextEnd::NoText;
    try {
      if (textOnly) {
        textEnd = ReadClipboardTextOnce(window, shared->abandoned, limits, text);
      } else {
        end = ReadClipboardOnce(window, shared->abandoned, limits, result);
      }
    } catch (...) {
      // Out of memory for a copy: the save failed, and the thread stays ready for the next.
      end = ClipboardSaveEnd::TooLarge;
      result.formats.clear();
      textEnd = ClipboardTextEnd::NoText;
      text.clear();
    }
    {
      const std::lock_guard lock(shared->mutex);
      shared->busy = false;
      if (!shared->abandoned.load()) {
        shared->end = end;
        shared->result = std::move(result);
        shared->textEnd = textEnd;
        shared->text = std::move(text);
      }
    }
    SetEvent(shared->done);
  }
}

}  // namespace

ClipboardSaver::ClipboardSaver(ClipboardSaveLimits limits)
    : limits_(limits), shared_(std::make_shared<Shared>()) {
  shared_->limits = limits;
  // Its own thread, which owns the shared state with us: a save stuck in an owner's render
  // past our end is left to finish on its own, and touches nothing of ours.
  std::thread([shared = shared_] { RunSaver(shared); }).detach();
}

ClipboardSaver::~ClipboardSaver() {
  {
    const std::lock_guard lock(shared_->mutex);
    shared_->stop = true;
    shared_->abandoned.store(true);
  }
  SetEvent(shared_->request);
}

bool ClipboardSaver::Run(bool textOnly) {
  {
    const std::lock_guard lock(shared_->mutex);
    // The last read is still inside an owner's render: this one cannot be done in time.
    if (shared_->busy) return false;
    shared_->busy = true;
    shared_->textOnly = textOnly;
    shared_->abandoned.store(false);
    shared_->result = SavedClipboard{};
    shared_->text.clear();
  }
  ResetEvent(shared_->done);
  SetEvent(shared_->request);
  const bool answered =
      WaitServingSentMessages(shared_->done, static_cast<DWORD>(limits_.timeMs) + SaveSlackMs);
  const std::lock_guard lock(shared_->mutex);
  if (!answered && shared_->busy) {
    shared_->abandoned.store(true);
    return false;
  }
  return true;
}

ClipboardSaveEnd ClipboardSaver::Save(SavedClipboard& saved) {
  if (!Run(false)) return ClipboardSaveEnd::OutOfTime;
  const std::lock_guard lock(shared_->mutex);
  saved = std::move(shared_->result);
  shared_->result = SavedClipboard{};
  return shared_->end;
}

ClipboardTextEnd ClipboardSaver::ReadText(std::u16string& text) {
  if (!Run(true)) return ClipboardTextEnd::OutOfTime;
  const std::lock_guard lock(shared_->mutex);
  text = std::move(shared_->text);
  shared_->text.clear();
  return shared_->textEnd;
}

bool SetSavedFormats(const std::vector<SavedClipboardFormat>& saved) {
  if (!EmptyClipboard()) return false;
  bool whole = true;
  for (const SavedClipboardFormat& format : saved) {
    HANDLE handle = format.NewHandle();
    if (handle == nullptr || SetClipboardData(format.format(), handle) == nullptr) {
      format.FreeHandle(handle);
      whole = false;
    }
  }
  return whole;
}

std::optional<std::string> WindowsClipboardText::Text() const {
  if (paste_.protocol().HoldsSavedCopy()) {
    // The clipboard holds our text (or will until the user's comes back).
    std::optional<std::u16string> text = paste_.SavedText();
    if (!text) return std::nullopt;
    if (text->size() > ClipboardPlaceholderLimit) text->resize(ClipboardPlaceholderLimit);
    return Utf16ToUtf8(*text);
  }
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  std::u16string text;
  switch (paste_.ReadText(text)) {
    case ClipboardTextEnd::Text:
      return Utf16ToUtf8(text);
    case ClipboardTextEnd::NoText:
      return std::nullopt;
    case ClipboardTextEnd::OutOfTime:
      Diagnostic("Clipboard: its text did not come within its time: {{clipboard}} left empty\n");
      return std::nullopt;
  }
  return std::nullopt;
}

WindowsPasteClipboard::WindowsPasteClipboard() : WindowsPasteClipboard(Bounds{}) {}

WindowsPasteClipboard::WindowsPasteClipboard(Bounds bounds)
    : bounds_(bounds), protocol_(bounds.protocol), saver_(bounds.save) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &WindowsPasteClipboard::WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = WindowClassName;
  RegisterClassExW(&windowClass);  // fails harmlessly when a second instance registered it
  // A message-only window: it owns the clipboard while our text is there and is asked to
  // render it.
  window_ = CreateWindowExW(0, WindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                            this);
}

WindowsPasteClipboard::~WindowsPasteClipboard() {
  Finish();
  // Still the owner of a promise: WM_RENDERALLFORMATS puts the user's copy there instead.
  if (window_ != nullptr) DestroyWindow(window_);
}

LRESULT CALLBACK WindowsPasteClipboard::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                   LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<WindowsPasteClipboard*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  return self->OnMessage(window, message, wParam, lParam);
}

LRESULT WindowsPasteClipboard::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_RENDERFORMAT: {
      if (wParam != CF_UNICODETEXT || !textOnClipboard_) return 0;
      // The reader waits on this answer with the clipboard open, and the target's Ctrl+V finds
      // it held meanwhile: nothing slow before it, not even a diagnostic line, for the target
      // nor for a refused monitor (both are written when the clipboard goes back).
      if (protocol_.OnRead(ReaderOfOpenClipboard(), Now())) RenderText();
      Tick();
      return 0;
    }
    case WM_RENDERALLFORMATS:
      // Our window goes away while our text is still promised: the user's copy goes there
      // rather than our text.
      if (OpenClipboard(window)) {
        if (GetClipboardOwner() == window) {
          if (saved_) {
            emptying_ = true;
            SetSavedFormats(saved_->formats);
            emptying_ = false;
            protocol_.Restored(PasteProtocol::RestoreResult::Restored, Now());
            DropSavedCopy();
          } else if (textOnClipboard_) {
            RenderText();
          }
        }
        CloseClipboard();
      }
      return 0;
    case WM_DESTROYCLIPBOARD:
      textOnClipboard_ = false;
      if (!emptying_ && protocol_.HoldsSavedCopy()) {
        // Another program copied: what it put there is newer than the saved copy, and stays.
        protocol_.OnReplaced();
        DropSavedCopy();
        Diagnostic("Clipboard: another program copied meanwhile; its copy stays\n");
        Tick();
      }
      return 0;
    case WM_TIMER:
      if (wParam == ProtocolTimer) Tick();
      return 0;
    default:
      // window_ is not yet set while the window is being created.
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void WindowsPasteClipboard::RenderText() {
  HGLOBAL memory = MemoryWith(text_.c_str(), (text_.size() + 1) * sizeof(char16_t));
  if (memory != nullptr && SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
    GlobalFree(memory);
  }
}

PasteProtocol::Reader WindowsPasteClipboard::ReaderOfOpenClipboard() const {
  HWND opener = GetOpenClipboardWindow();
  if (opener == nullptr || targetProcess_ == 0) return PasteProtocol::Reader::Unknown;
  DWORD process = 0;
  GetWindowThreadProcessId(opener, &process);
  return process == targetProcess_ ? PasteProtocol::Reader::Target : PasteProtocol::Reader::Other;
}

void WindowsPasteClipboard::DropSavedCopy() {
  saved_.reset();
}

ClipboardTextEnd WindowsPasteClipboard::ReadText(std::u16string& text) {
  try {
    return saver_.ReadText(text);
  } catch (...) {
    return ClipboardTextEnd::NoText;
  }
}

std::optional<std::u16string> WindowsPasteClipboard::SavedText() const {
  if (!saved_) return std::nullopt;
  for (const SavedClipboardFormat& format : saved_->formats) {
    if (format.format() != CF_UNICODETEXT) continue;
    const std::vector<unsigned char>& bytes = format.bytes();
    std::u16string text(bytes.size() / sizeof(char16_t), u'\0');
    if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
    text.resize(std::min(text.size(), text.find(u'\0')));
    return text;
  }
  return std::nullopt;
}

bool WindowsPasteClipboard::Prepare(std::u16string_view text, DWORD targetProcess) {
  if (window_ == nullptr) return false;
  try {
    bool fresh = false;
    switch (protocol_.Begin()) {
      case PasteProtocol::Plan::Type:
        Diagnostic("Clipboard: the last paste's text is not read yet: this one is typed\n");
        return false;
      case PasteProtocol::Plan::ReuseSaved:
        break;
      case PasteProtocol::Plan::SaveFirst: {
        SavedClipboard copy;
        switch (saver_.Save(copy)) {
          case ClipboardSaveEnd::Whole:
            break;
          case ClipboardSaveEnd::OutOfTime:
            Diagnostic("Clipboard: not saved within its time: expansion typed\n");
            return false;
          case ClipboardSaveEnd::TooLarge:
            Diagnostic("Clipboard: too large to save: expansion typed\n");
            return false;
          case ClipboardSaveEnd::Unreadable:
            Diagnostic("Clipboard: a format could not be saved: expansion typed\n");
            return false;
        }
        saved_ = std::move(copy);
        protocol_.Saved();
        fresh = true;
        break;
      }
    }
    const PutResult put = PutText(text, fresh);
    protocol_.Put(put, Now());
    if (put != PutResult::Done) {
      if (put == PutResult::Untouched && fresh) {
        Diagnostic("Clipboard: changed or held open since it was saved: expansion typed\n");
      }
      Tick();
      return false;
    }
    targetProcess_ = targetProcess;
    return true;
  } catch (...) {
    // Whatever was done, the timer puts it right: a saved copy with nothing of ours on the
    // clipboard is found replaced and dropped.
    if (protocol_.state() == PasteProtocol::State::Saved) {
      protocol_.Put(PutResult::Emptied, Now());
    }
    Tick();
    return false;
  }
}

PutResult WindowsPasteClipboard::PutText(std::u16string_view text, bool freshSave) {
  if (!OpenClipboardWithRetries(window_, bounds_.putOpenMs)) return PutResult::Untouched;
  ClipboardCloser closer;
  // Someone copied since the save (fresh), or since our last text (reused): the saved copy
  // is not what the clipboard holds, and emptying it would lose the newer one.
  if (!saved_) return PutResult::Untouched;
  if (freshSave && GetClipboardSequenceNumber() != saved_->sequence) return PutResult::Untouched;
  if (!freshSave && GetClipboardOwner() != window_) return PutResult::Untouched;
  emptying_ = true;
  const bool emptied = EmptyClipboard() != FALSE;
  emptying_ = false;
  if (!emptied) return PutResult::Untouched;
  text_ = std::u16string(text);
  // Delayed rendering: the request for the text tells us who reads it, and when.
  SetClipboardData(CF_UNICODETEXT, nullptr);
  textOnClipboard_ = GetClipboardOwner() == window_;
  if (!textOnClipboard_) return PutResult::Emptied;
  for (const Exclusion& exclusion : ExclusionFormats) {
    UINT format = RegisterClipboardFormatW(exclusion.name);
    HGLOBAL memory = MemoryWith(&exclusion.value, sizeof exclusion.value);
    if (format == 0 || memory == nullptr || SetClipboardData(format, memory) == nullptr) {
      // Unmarked, the text could end up in clipboard history: better not paste at all.
      if (memory != nullptr) GlobalFree(memory);
      emptying_ = true;
      EmptyClipboard();
      emptying_ = false;
      textOnClipboard_ = false;
      return PutResult::Emptied;
    }
  }
  return PutResult::Done;
}

void WindowsPasteClipboard::PasteSent() {
  protocol_.PasteSent(Now());
  Tick();
}

PasteProtocol::RestoreResult WindowsPasteClipboard::TryRestore() {
  using Result = PasteProtocol::RestoreResult;
  if (!saved_) return Result::Replaced;
  // Never waits: a program holding the clipboard open is tried again on the timer.
  if (!OpenClipboard(window_)) return Result::Busy;
  ClipboardCloser closer;
  // Asked with the clipboard open: a copy made since ours is newer, and stays.
  if (GetClipboardOwner() != window_) return Result::Replaced;
  emptying_ = true;
  const bool whole = SetSavedFormats(saved_->formats);
  emptying_ = false;
  textOnClipboard_ = false;
  text_.clear();
  if (!whole) Diagnostic("Clipboard: a saved format could not be set again\n");
  return Result::Restored;
}

void WindowsPasteClipboard::Tick() {
  const std::uint64_t now = Now();
  if (protocol_.RestoreDue(now)) {
    const bool unread = protocol_.state() == PasteProtocol::State::AwaitingRead ||
                        protocol_.state() == PasteProtocol::State::Promised;
    const PasteProtocol::RestoreResult result = TryRestore();
    protocol_.Restored(result, now);
    if (result != PasteProtocol::RestoreResult::Busy) DropSavedCopy();
    if (protocol_.RefusedReaders() > 0 && result != PasteProtocol::RestoreResult::Busy) {
      Diagnostic("Clipboard: " + std::to_string(protocol_.RefusedReaders()) +
                 " read(s) by a program other than the target: refused\n");
    }
    if (result == PasteProtocol::RestoreResult::Restored) {
      Diagnostic(unread ? "Clipboard: the target never read the text; the clipboard is back\n"
                        : "Clipboard: the target read the text; the clipboard is back\n");
    }
  }
  if (window_ == nullptr) return;
  if (std::optional<std::uint64_t> due = protocol_.NextDue()) {
    const std::uint64_t wait = *due > now ? *due - now : 1;
    SetTimer(window_, ProtocolTimer, static_cast<UINT>(std::min<std::uint64_t>(wait, 60000)),
             nullptr);
  } else {
    KillTimer(window_, ProtocolTimer);
  }
}

void WindowsPasteClipboard::Finish() {
  if (!protocol_.HoldsSavedCopy()) return;
  const ULONGLONG deadline = GetTickCount64() + bounds_.finishMs;
  // A Ctrl+V sent moments ago may still be read: half the bound for it.
  ServeSentMessagesUntil(
      [this] {
        return protocol_.state() != PasteProtocol::State::AwaitingRead &&
               protocol_.state() != PasteProtocol::State::Promised;
      },
      bounds_.finishMs / 2);
  while (protocol_.HoldsSavedCopy()) {
    const std::uint64_t now = Now();
    const PasteProtocol::RestoreResult result = TryRestore();
    protocol_.Restored(result, now);
    if (result != PasteProtocol::RestoreResult::Busy) {
      DropSavedCopy();
      break;
    }
    if (GetTickCount64() >= deadline) {
      Diagnostic("Clipboard: held open by another program until the end; not put back\n");
      break;
    }
    const ULONGLONG pauseEnd = GetTickCount64() + RetryPauseMs;
    ServeSentMessagesUntil([pauseEnd] { return GetTickCount64() >= pauseEnd; }, RetryPauseMs);
  }
  if (window_ != nullptr) KillTimer(window_, ProtocolTimer);
}

}  // namespace tarquel
