#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/output/paste_sequence.h"
#include "engine/output/placeholders.h"

namespace tarquel {

// One clipboard format as saved: the bytes of a memory block, or a copy of a GDI object or
// metafile, which the clipboard holds by handle and frees itself.
class SavedClipboardFormat {
 public:
  enum class Kind { Memory, Bitmap, Palette, EnhancedMetafile, MetafilePicture };

  // A copy of what `handle` (from GetClipboardData) holds, or nothing when it cannot be copied.
  static std::optional<SavedClipboardFormat> Copy(UINT format, HANDLE handle);

  SavedClipboardFormat(SavedClipboardFormat&& other) noexcept;
  SavedClipboardFormat& operator=(SavedClipboardFormat&& other) noexcept;
  SavedClipboardFormat(const SavedClipboardFormat&) = delete;
  SavedClipboardFormat& operator=(const SavedClipboardFormat&) = delete;
  ~SavedClipboardFormat();

  UINT format() const { return format_; }
  // A fresh copy for SetClipboardData, which takes it over; the saved one stays for a retry.
  HANDLE NewHandle() const;
  // Frees a handle from NewHandle that SetClipboardData refused.
  void FreeHandle(HANDLE handle) const;

 private:
  SavedClipboardFormat(UINT format, Kind kind) : format_(format), kind_(kind) {}
  void Release();

  UINT format_;
  Kind kind_;
  std::vector<unsigned char> bytes_;  // Memory: the block; MetafilePicture: its METAFILEPICT
  HANDLE object_ = nullptr;           // the GDI object or metafile copy we own
};

// Opens the clipboard for `window`, trying again for up to `boundMs` while another program
// holds it open, and serving messages sent to this thread meanwhile (a program that holds
// the clipboard may be waiting on us to render a format).
bool OpenClipboardWithRetries(HWND window, DWORD boundMs);

// Serves messages sent to this thread (never posted ones: the caller is in the middle of
// sending and must not start another) until `done` or `boundMs` passed. False on the bound.
bool ServeSentMessagesUntil(const std::function<bool()>& done, DWORD boundMs);

// Every format the clipboard holds, or nothing when it cannot be opened or one format cannot
// be copied. The clipboard must not be open.
std::optional<std::vector<SavedClipboardFormat>> SaveClipboard(HWND window, DWORD boundMs);
// Empties the clipboard and sets every saved format again, in the order they were saved.
bool RestoreClipboard(HWND window, const std::vector<SavedClipboardFormat>& saved, DWORD boundMs);

// {{clipboard}}: the clipboard's Unicode text, at most ClipboardPlaceholderLimit characters.
class WindowsClipboardText final : public ClipboardTextSource {
 public:
  explicit WindowsClipboardText(HWND window) : window_(window) {}
  std::optional<std::string> Text() const override;

 private:
  HWND window_;
};

// The paste steps on Windows. The text goes on the clipboard with delayed rendering, so the
// target's request for it (WM_RENDERFORMAT, from the target's process) is the signal that it
// took the paste; the user's clipboard is put back as soon as the target has closed it.
class WindowsPasteClipboard final : public PasteClipboard {
 public:
  struct Bounds {
    DWORD openMs = 500;      // to open the clipboard for saving and putting
    DWORD takenMs = 2000;    // for the target to ask for the text after Ctrl+V
    DWORD restoreMs = 2000;  // for the target to close the clipboard again
  };

  // `sendPaste` sends Ctrl+V as the program's own keys and says whether the system took them.
  explicit WindowsPasteClipboard(std::function<bool()> sendPaste);
  WindowsPasteClipboard(std::function<bool()> sendPaste, Bounds bounds);
  ~WindowsPasteClipboard() override;
  WindowsPasteClipboard(const WindowsPasteClipboard&) = delete;
  WindowsPasteClipboard& operator=(const WindowsPasteClipboard&) = delete;

  bool Save() override;
  PutResult Put(std::u16string_view text) override;
  bool SendPaste() override;
  bool WaitUntilTaken() override;
  bool ReplacedByOthers() override;
  bool Restore() override;

  // After a restore that could not open the clipboard: true once the saved formats are back
  // (or another program has put something newer there). Call again until it says so.
  bool RetryRestore();
  void SetSendPaste(std::function<bool()> sendPaste) { sendPaste_ = std::move(sendPaste); }
  bool HasPendingRestore() const { return saved_.has_value(); }

  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void RenderText();

  std::function<bool()> sendPaste_;
  Bounds bounds_;
  HWND window_ = nullptr;
  std::optional<std::vector<SavedClipboardFormat>> saved_;
  std::u16string text_;
  bool textOnClipboard_ = false;
  bool taken_ = false;
  DWORD targetProcess_ = 0;
};

}  // namespace tarquel
