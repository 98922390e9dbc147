#include "engine/output/clipboard_win.h"

#include <cstring>
#include <utility>

#include "util/text_encoding.h"

namespace tarquel {

namespace {

constexpr wchar_t WindowClassName[] = L"TarquelClipboard";
constexpr DWORD RetryPauseMs = 10;
// While a restore waits for a program that keeps the clipboard open.
constexpr UINT_PTR RestoreTimer = 1;
constexpr UINT RestoreRetryMs = 250;

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

// Formats the system makes from another one; when it cannot, nothing is lost by leaving them
// out, because the format they come from is saved too.
bool IsSynthesised(UINT format) {
  switch (format) {
    case CF_TEXT:
    case CF_OEMTEXT:
    case CF_UNICODETEXT:
    case CF_LOCALE:
    case CF_BITMAP:
    case CF_DIB:
    case CF_DIBV5:
    case CF_PALETTE:
    case CF_ENHMETAFILE:
    case CF_METAFILEPICT:
      return true;
    default:
      return false;
  }
}

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

std::optional<std::vector<SavedClipboardFormat>> SaveClipboard(HWND window, DWORD boundMs) {
  if (!OpenClipboardWithRetries(window, boundMs)) return std::nullopt;
  ClipboardCloser closer;
  std::vector<SavedClipboardFormat> saved;
  UINT format = 0;
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    format = EnumClipboardFormats(format);
    if (format == 0) break;
    HANDLE handle = GetClipboardData(format);
    if (handle == nullptr) {
      if (IsSynthesised(format)) continue;
      return std::nullopt;
    }
    std::optional<SavedClipboardFormat> copy = SavedClipboardFormat::Copy(format, handle);
    if (!copy) return std::nullopt;
    saved.push_back(std::move(*copy));
  }
  if (GetLastError() != ERROR_SUCCESS) return std::nullopt;
  return saved;
}

namespace {

// Into the clipboard this thread has open.
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

}  // namespace

bool RestoreClipboard(HWND window, const std::vector<SavedClipboardFormat>& saved, DWORD boundMs) {
  if (!OpenClipboardWithRetries(window, boundMs)) return false;
  ClipboardCloser closer;
  return SetSavedFormats(saved);
}

std::optional<std::string> WindowsClipboardText::Text() const {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT)) return std::nullopt;
  if (!OpenClipboardWithRetries(window_, 200)) return std::nullopt;
  ClipboardCloser closer;
  HANDLE handle = GetClipboardData(CF_UNICODETEXT);
  if (handle == nullptr) return std::nullopt;
  const auto* text = static_cast<const char16_t*>(GlobalLock(handle));
  if (text == nullptr) return std::nullopt;
  // Only as much as {{clipboard}} can use is read and converted, and never past the block.
  std::size_t units = GlobalSize(handle) / sizeof(char16_t);
  if (units > ClipboardPlaceholderLimit) units = ClipboardPlaceholderLimit;
  std::size_t length = 0;
  while (length < units && text[length] != 0) ++length;
  std::string utf8 = Utf16ToUtf8(std::u16string_view(text, length));
  GlobalUnlock(handle);
  return utf8;
}

WindowsPasteClipboard::WindowsPasteClipboard(std::function<bool()> sendPaste)
    : WindowsPasteClipboard(std::move(sendPaste), Bounds{}) {}

WindowsPasteClipboard::WindowsPasteClipboard(std::function<bool()> sendPaste, Bounds bounds)
    : sendPaste_(std::move(sendPaste)), bounds_(bounds) {
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
  if (saved_) RestoreClipboard(window_, *saved_, bounds_.openMs);
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
      RenderText();
      // A clipboard manager in another process may ask first; only the target's request
      // means the paste arrived.
      DWORD requester = 0;
      if (HWND opener = GetOpenClipboardWindow()) GetWindowThreadProcessId(opener, &requester);
      if (requester == 0 || targetProcess_ == 0 || requester == targetProcess_) taken_ = true;
      return 0;
    }
    case WM_RENDERALLFORMATS:
      // Our window goes away while the text is still promised: keep the promise.
      if (textOnClipboard_ && OpenClipboard(window)) {
        if (GetClipboardOwner() == window) RenderText();
        CloseClipboard();
      }
      return 0;
    case WM_DESTROYCLIPBOARD:
      textOnClipboard_ = false;
      return 0;
    case WM_TIMER:
      if (wParam == RestoreTimer && RetryRestore()) KillTimer(window, RestoreTimer);
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

bool WindowsPasteClipboard::Save() {
  if (window_ == nullptr) return false;
  // An earlier restore still pending holds the user's clipboard; the clipboard now holds
  // our text, which is not worth saving.
  if (saved_ && !RetryRestore()) return false;
  saved_ = SaveClipboard(window_, bounds_.openMs);
  return saved_.has_value();
}

PutResult WindowsPasteClipboard::Put(std::u16string_view text) {
  if (!OpenClipboardWithRetries(window_, bounds_.openMs)) return PutResult::Untouched;
  ClipboardCloser closer;
  if (!EmptyClipboard()) return PutResult::Untouched;
  text_ = std::u16string(text);
  taken_ = false;
  // Delayed rendering: the request for the text is the signal that the target reads it.
  SetClipboardData(CF_UNICODETEXT, nullptr);
  textOnClipboard_ = GetClipboardOwner() == window_;
  if (!textOnClipboard_) return PutResult::Emptied;
  for (const Exclusion& exclusion : ExclusionFormats) {
    UINT format = RegisterClipboardFormatW(exclusion.name);
    HGLOBAL memory = MemoryWith(&exclusion.value, sizeof exclusion.value);
    if (format == 0 || memory == nullptr || SetClipboardData(format, memory) == nullptr) {
      // Unmarked, the text could end up in clipboard history: better not paste at all.
      if (memory != nullptr) GlobalFree(memory);
      EmptyClipboard();
      textOnClipboard_ = false;
      return PutResult::Emptied;
    }
  }
  return PutResult::Done;
}

bool WindowsPasteClipboard::SendPaste() {
  targetProcess_ = 0;
  if (HWND foreground = GetForegroundWindow()) {
    GetWindowThreadProcessId(foreground, &targetProcess_);
  }
  return sendPaste_ && sendPaste_();
}

bool WindowsPasteClipboard::WaitUntilTaken() {
  return ServeSentMessagesUntil([this] { return taken_; }, bounds_.takenMs);
}

bool WindowsPasteClipboard::ReplacedByOthers() {
  // Another program that emptied the clipboard took it from our window.
  return !textOnClipboard_ && GetClipboardOwner() != window_;
}

bool WindowsPasteClipboard::Restore() {
  if (!saved_) return true;
  // Opening waits, serving messages, until the target has closed the clipboard again.
  if (!OpenClipboardWithRetries(window_, bounds_.restoreMs)) return false;
  bool restored = false;
  {
    ClipboardCloser closer;
    // Asked again with the clipboard open: a program that copied while the target was still
    // reading would otherwise lose its copy to ours.
    restored = ReplacedByOthers() || SetSavedFormats(*saved_);
  }
  if (restored) {
    saved_.reset();
    textOnClipboard_ = false;
    text_.clear();
  } else {
    // Tried again from the message loop until it works: the saved copy is the user's.
    SetTimer(window_, RestoreTimer, RestoreRetryMs, nullptr);
  }
  return restored;
}

bool WindowsPasteClipboard::RetryRestore() {
  if (!saved_) return true;
  if (ReplacedByOthers()) {
    saved_.reset();
    return true;
  }
  return Restore();
}

}  // namespace tarquel
