#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/output/clipboard_save_budget.h"
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
  // About how many bytes a copy of `handle` holds, asked before copying it.
  static std::size_t BytesOf(UINT format, HANDLE handle);

  SavedClipboardFormat(SavedClipboardFormat&& other) noexcept;
  SavedClipboardFormat& operator=(SavedClipboardFormat&& other) noexcept;
  SavedClipboardFormat(const SavedClipboardFormat&) = delete;
  SavedClipboardFormat& operator=(const SavedClipboardFormat&) = delete;
  ~SavedClipboardFormat();

  UINT format() const { return format_; }
  // The bytes of a memory format (empty for the others).
  const std::vector<unsigned char>& bytes() const { return bytes_; }
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

// The user's clipboard as saved: every format the system could not make again from another.
struct SavedClipboard {
  std::vector<SavedClipboardFormat> formats;
  DWORD sequence = 0;  // GetClipboardSequenceNumber while the copy was taken
};

// Every format the clipboard holds, within `limits`, or why not. The clipboard must not be
// open on this thread. It is read on a thread of its own: an owner that renders late keeps
// that thread, never the caller, past the budget; a save that ran over is dropped when it
// ends, and until then the next save gives up at once.
class ClipboardSaver {
 public:
  explicit ClipboardSaver(ClipboardSaveLimits limits);
  ~ClipboardSaver();
  ClipboardSaver(const ClipboardSaver&) = delete;
  ClipboardSaver& operator=(const ClipboardSaver&) = delete;

  ClipboardSaveEnd Save(SavedClipboard& saved);
  // Only the Unicode text (as much of it as {{clipboard}} takes), on the same thread and within
  // the same time: an owner that renders late holds that thread, not the expansion.
  ClipboardTextEnd ReadText(std::u16string& text);

  // Between us and the save's thread, which may outlive us.
  struct Shared;

 private:
  // Hands the thread its job and waits for it within the time; false when it did not answer.
  bool Run(bool textOnly);

  ClipboardSaveLimits limits_;
  std::shared_ptr<Shared> shared_;
};

// Empties the clipboard this thread has open and sets every saved format again, in order.
bool SetSavedFormats(const std::vector<SavedClipboardFormat>& saved);

class WindowsPasteClipboard;

// {{clipboard}}: the clipboard's Unicode text, at most ClipboardPlaceholderLimit characters,
// read within the clipboard save's time; a text its owner does not give by then is left out
// (a debug line says so) rather than holding the expansion and the keys behind it.
// While our own text waits on the clipboard, the user's saved text is what it holds for them.
class WindowsClipboardText final : public ClipboardTextSource {
 public:
  explicit WindowsClipboardText(WindowsPasteClipboard& paste) : paste_(paste) {}
  std::optional<std::string> Text() const override;

 private:
  WindowsPasteClipboard& paste_;
};

// The paste protocol (PasteProtocol, paste_sequence.h) on the real clipboard, on the output
// thread: its message-only window owns the clipboard while our text is promised there, is
// asked to render it, and runs the timer that puts the user's clipboard back.
class WindowsPasteClipboard {
 public:
  struct Bounds {
    DWORD putOpenMs = 100;  // to open the clipboard for putting the text
    DWORD finishMs = 1000;  // at shutdown, for a pending read and the restore together
    ClipboardSaveLimits save;
    PasteProtocol::Bounds protocol;
  };

  WindowsPasteClipboard();
  explicit WindowsPasteClipboard(Bounds bounds);
  ~WindowsPasteClipboard();
  WindowsPasteClipboard(const WindowsPasteClipboard&) = delete;
  WindowsPasteClipboard& operator=(const WindowsPasteClipboard&) = delete;

  // Before Ctrl+V: true once the user's clipboard is saved whole (or an earlier saved copy is
  // reused) and `text` is promised on it for `targetProcess`. False: type the text; the user's
  // clipboard holds what it held, or is on its way back.
  bool Prepare(std::u16string_view text, DWORD targetProcess);
  // Ctrl+V went out, or may have: the target's read decides from now on.
  void PasteSent();
  // The output thread ends: a read still awaited gets part of `Bounds::finishMs`, then the user's
  // clipboard is put back (retried within the rest).
  void Finish();

  const PasteProtocol& protocol() const { return protocol_; }
  // The saved copy's Unicode text while one is held.
  std::optional<std::u16string> SavedText() const;
  // The clipboard's own text, within the save's time (ClipboardSaver::ReadText).
  ClipboardTextEnd ReadText(std::u16string& text);
  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  PutResult PutText(std::u16string_view text, bool freshSave);
  void RenderText();
  PasteProtocol::Reader ReaderOfOpenClipboard() const;
  PasteProtocol::RestoreResult TryRestore();
  // Restores when due and sets the timer for the next time the protocol wants a look.
  void Tick();
  void DropSavedCopy();

  Bounds bounds_;
  PasteProtocol protocol_;
  ClipboardSaver saver_;
  HWND window_ = nullptr;
  std::optional<SavedClipboard> saved_;
  std::u16string text_;
  bool textOnClipboard_ = false;
  bool emptying_ = false;  // our own EmptyClipboard: its WM_DESTROYCLIPBOARD is no replacement
  DWORD targetProcess_ = 0;
};

}  // namespace tarquel
