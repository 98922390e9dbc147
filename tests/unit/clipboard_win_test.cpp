// The paste through the real clipboard under Wine: the user's formats (text, a bitmap, a
// registered format) come back byte for byte on every path. Windows only.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/output/clipboard_win.h"
#include "engine/output/local_time_win.h"
#include "engine/output/paste_sequence.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

// One format as a test compares it: its number and its content (a bitmap by its pixels).
struct Content {
  UINT format;
  std::vector<unsigned char> bytes;
  friend bool operator==(const Content&, const Content&) = default;
};

std::vector<unsigned char> BitmapPixels(HBITMAP bitmap) {
  BITMAP info{};
  GetObjectW(bitmap, sizeof info, &info);
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = info.bmHeight;
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(info.bmWidth * info.bmHeight * 4));
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &header,
            DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<unsigned char> MemoryBytes(HANDLE handle) {
  std::vector<unsigned char> bytes;
  SIZE_T size = GlobalSize(handle);
  if (const auto* data = static_cast<const unsigned char*>(GlobalLock(handle))) {
    bytes.assign(data, data + size);
    GlobalUnlock(handle);
  }
  return bytes;
}

std::vector<Content> ClipboardContents() {
  std::vector<Content> contents;
  if (!OpenClipboardWithRetries(nullptr, 2000)) return contents;
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    HANDLE handle = GetClipboardData(format);
    if (format == CF_BITMAP) {
      contents.push_back({format, BitmapPixels(static_cast<HBITMAP>(handle))});
    } else if (format != CF_PALETTE && format != CF_ENHMETAFILE && format != CF_METAFILEPICT) {
      contents.push_back({format, MemoryBytes(handle)});
    }
  }
  CloseClipboard();
  return contents;
}

HGLOBAL Memory(const void* data, std::size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(memory), data, size);
  GlobalUnlock(memory);
  return memory;
}

UINT TestFormat() {
  return RegisterClipboardFormatW(L"Tarquel Test Format");
}

// The user's clipboard: Unicode text, a 4 x 3 bitmap of distinct pixels, a private format.
void PutUsersClipboard() {
  ASSERT_TRUE(OpenClipboardWithRetries(nullptr, 2000));
  EmptyClipboard();
  const wchar_t text[] = L"the user's text \u2713";
  SetClipboardData(CF_UNICODETEXT, Memory(text, sizeof text));
  std::uint32_t pixels[12];
  for (std::uint32_t i = 0; i < 12; ++i) pixels[i] = 0x00102030u * (i + 1);
  SetClipboardData(CF_BITMAP, CreateBitmap(4, 3, 1, 32, pixels));
  const unsigned char custom[] = {0, 1, 2, 0xFE, 0xFF, 7};
  SetClipboardData(TestFormat(), Memory(custom, sizeof custom));
  CloseClipboard();
}

// A target in another thread: on Ctrl+V it opens the clipboard and reads the Unicode text.
class FakeTarget {
 public:
  ~FakeTarget() {
    if (reader_.joinable()) reader_.join();
  }
  bool Paste() {
    reader_ = std::thread([this] {
      if (!OpenClipboardWithRetries(nullptr, 2000)) return;
      std::vector<unsigned char> bytes = MemoryBytes(GetClipboardData(CF_UNICODETEXT));
      text = std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()));
      UINT exclude = RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing");
      UINT history = RegisterClipboardFormatW(L"CanIncludeInClipboardHistory");
      UINT cloud = RegisterClipboardFormatW(L"CanUploadToCloudClipboard");
      std::vector<unsigned char> zero{0, 0, 0, 0};
      marked = IsClipboardFormatAvailable(exclude) &&
               MemoryBytes(GetClipboardData(history)) == zero &&
               MemoryBytes(GetClipboardData(cloud)) == zero;
      CloseClipboard();
    });
    return true;
  }
  void Join() {
    if (reader_.joinable()) reader_.join();
  }

  std::wstring text;
  bool marked = false;

 private:
  std::thread reader_;
};

// Runs this thread's messages (the clipboard window's renders and timer) until `done`.
bool PumpUntil(const std::function<bool()>& done, DWORD boundMs) {
  ULONGLONG deadline = GetTickCount64() + boundMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  return true;
}

// A process id that is none of this test's threads: readers with a window are then "another
// program", readers without one may be the target.
constexpr DWORD ElsewhereProcess = 0x7FFFFFF0;

// Offers Unicode text it renders only when asked, on a thread of its own, taking `renderMs`
// and rendering nothing when `renders` is false.
class DelayedOwner {
 public:
  DelayedOwner(DWORD renderMs, bool renders) : renderMs_(renderMs), renders_(renders) {
    thread_ = std::thread([this] { Run(); });
    while (!ready_) Sleep(5);
  }
  ~DelayedOwner() {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  std::atomic<int> asked{0};

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<DelayedOwner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_RENDERFORMAT && self != nullptr) {
      ++self->asked;
      Sleep(self->renderMs_);
      const wchar_t text[] = L"owner's text";
      if (self->renders_) SetClipboardData(CF_UNICODETEXT, Memory(text, sizeof text));
      return 0;
    }
    if (message == WM_RENDERALLFORMATS) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  void Run() {
    threadId_ = GetCurrentThreadId();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &DelayedOwner::Proc;
    windowClass.lpszClassName = L"TarquelTestDelayedOwner";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (OpenClipboardWithRetries(window, 2000)) {
      EmptyClipboard();
      SetClipboardData(CF_UNICODETEXT, nullptr);
      CloseClipboard();
    }
    ready_ = true;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    DestroyWindow(window);
  }

  DWORD renderMs_;
  bool renders_;
  std::atomic<bool> ready_{false};
  DWORD threadId_ = 0;
  std::thread thread_;
};

class ClipboardPaste : public ::testing::Test {
 protected:
  void SetUp() override {
    PutUsersClipboard();
    before_ = ClipboardContents();
    ASSERT_GE(before_.size(), 3u);
  }
  static bool Idle(const WindowsPasteClipboard& clipboard) {
    return !clipboard.protocol().HoldsSavedCopy();
  }
  std::vector<Content> before_;
};

TEST_F(ClipboardPaste, TargetReadsTheTextAndTheUsersClipboardComesBackExactly) {
  FakeTarget target;
  WindowsPasteClipboard clipboard;
  ASSERT_TRUE(
      clipboard.Prepare(ClipboardTextOf("line one\nline two \xE2\x82\xAC"), GetCurrentProcessId()));
  target.Paste();
  clipboard.PasteSent();
  ASSERT_TRUE(PumpUntil([&] { return Idle(clipboard); }, 5000));
  target.Join();
  EXPECT_EQ(target.text, L"line one\r\nline two \u20AC");
  EXPECT_TRUE(target.marked);
  EXPECT_EQ(ClipboardContents(), before_);
}

TEST_F(ClipboardPaste, ATargetReadingLateStillGetsTheText) {
  FakeTarget target;
  WindowsPasteClipboard clipboard;
  ASSERT_TRUE(clipboard.Prepare(u"late", GetCurrentProcessId()));
  clipboard.PasteSent();
  // Longer than the old fixed wait of 2 s.
  PumpUntil([] { return false; }, 2500);
  EXPECT_TRUE(clipboard.protocol().HoldsSavedCopy());
  target.Paste();
  ASSERT_TRUE(PumpUntil([&] { return Idle(clipboard); }, 5000));
  target.Join();
  EXPECT_EQ(target.text, L"late");
  EXPECT_EQ(ClipboardContents(), before_);
}

TEST_F(ClipboardPaste, AReaderOfAnotherProgramGetsNothingAndTheTargetStillGetsTheText) {
  WindowsPasteClipboard clipboard;
  ASSERT_TRUE(clipboard.Prepare(u"for the target", ElsewhereProcess));
  clipboard.PasteSent();
  // A monitor with a window of its own (in this process, so not the target's).
  std::thread monitor([] {
    HWND window =
        CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (OpenClipboardWithRetries(window, 2000)) {
      EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
      CloseClipboard();
    }
    DestroyWindow(window);
  });
  PumpUntil([&] { return clipboard.protocol().RefusedReaders() > 0; }, 3000);
  monitor.join();
  EXPECT_EQ(clipboard.protocol().RefusedReaders(), 1);
  FakeTarget target;  // opens with no window: it may be the target
  target.Paste();
  ASSERT_TRUE(PumpUntil([&] { return Idle(clipboard); }, 5000));
  target.Join();
  EXPECT_EQ(target.text, L"for the target");
  EXPECT_EQ(ClipboardContents(), before_);
}

TEST_F(ClipboardPaste, TargetThatNeverReadsGetsTheClipboardBackAfterTheBound) {
  WindowsPasteClipboard::Bounds bounds;
  bounds.protocol.lateReadMs = 300;
  WindowsPasteClipboard clipboard(bounds);
  ASSERT_TRUE(clipboard.Prepare(u"text", GetCurrentProcessId()));
  clipboard.PasteSent();
  ASSERT_TRUE(PumpUntil([&] { return Idle(clipboard); }, 5000));
  EXPECT_TRUE(clipboard.protocol().LastPasteUnread());
  EXPECT_EQ(ClipboardContents(), before_);
}

TEST_F(ClipboardPaste, ClipboardHeldOpenByAnotherProgramGetsTypedAndIsUntouched) {
  std::atomic<bool> open{false};
  std::atomic<bool> release{false};
  std::thread holder([&] {
    open = OpenClipboardWithRetries(nullptr, 2000);
    while (!release) Sleep(5);
    if (open) CloseClipboard();
  });
  while (!open) Sleep(5);
  WindowsPasteClipboard clipboard;
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(clipboard.Prepare(u"text", GetCurrentProcessId()));
  EXPECT_LT(GetTickCount64() - start, 1000u);
  release = true;
  holder.join();
  EXPECT_TRUE(Idle(clipboard));
  EXPECT_EQ(ClipboardContents(), before_);
}

TEST_F(ClipboardPaste, AnOwnerSlowerThanTheBudgetGetsTypedAndKeepsItsPromise) {
  DelayedOwner owner(1500, true);
  WindowsPasteClipboard clipboard;
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(clipboard.Prepare(u"text", GetCurrentProcessId()));
  EXPECT_LT(GetTickCount64() - start, 1000u);
  // A second expansion meanwhile does not wait for the first save either.
  EXPECT_FALSE(clipboard.Prepare(u"text", GetCurrentProcessId()));
  // The owner still owns the clipboard: nobody emptied it.
  Sleep(1700);
  FakeTarget reader;
  reader.Paste();
  reader.Join();
  EXPECT_EQ(reader.text, L"owner's text");
}

TEST_F(ClipboardPaste, AnOwnerThatNeverRendersGetsTypedAndKeepsItsPromise) {
  DelayedOwner owner(0, false);
  WindowsPasteClipboard clipboard;
  EXPECT_FALSE(clipboard.Prepare(u"text", GetCurrentProcessId()));
  // The request reaches the owner's thread when it next runs: on a busy machine, after the
  // budget has already given up on it.
  for (int tries = 0; tries < 1000 && owner.asked == 0; ++tries) Sleep(10);
  EXPECT_EQ(owner.asked, 1);
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_TRUE(Idle(clipboard));
}

TEST_F(ClipboardPaste, ARestoreWaitingOnAHeldClipboardHoldsUpNoOtherExpansion) {
  FakeTarget target;
  WindowsPasteClipboard clipboard;
  ASSERT_TRUE(clipboard.Prepare(u"first", GetCurrentProcessId()));
  target.Paste();
  clipboard.PasteSent();
  ASSERT_TRUE(PumpUntil(
      [&] { return clipboard.protocol().state() != PasteProtocol::State::AwaitingRead; }, 5000));
  target.Join();
  EXPECT_EQ(target.text, L"first");
  // Another program holds the clipboard open before ours could go back.
  std::atomic<bool> open{false};
  std::atomic<bool> release{false};
  std::thread holder([&] {
    open = OpenClipboardWithRetries(nullptr, 2000);
    while (!release) Sleep(5);
    if (open) CloseClipboard();
  });
  while (!open) Sleep(5);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(clipboard.protocol().HoldsSavedCopy());
  const ULONGLONG start = GetTickCount64();
  EXPECT_FALSE(clipboard.Prepare(u"second", GetCurrentProcessId()));
  EXPECT_LT(GetTickCount64() - start, 500u);
  release = true;
  holder.join();
  ASSERT_TRUE(PumpUntil([&] { return Idle(clipboard); }, 5000));
  EXPECT_EQ(ClipboardContents(), before_);
}

TEST_F(ClipboardPaste, WhatAnotherProgramCopiesMeanwhileStays) {
  WindowsPasteClipboard clipboard;
  ASSERT_TRUE(clipboard.Prepare(u"text", GetCurrentProcessId()));
  clipboard.PasteSent();
  std::thread other([] {
    if (!OpenClipboardWithRetries(nullptr, 2000)) return;
    EmptyClipboard();
    const wchar_t newer[] = L"newer";
    SetClipboardData(CF_UNICODETEXT, Memory(newer, sizeof newer));
    CloseClipboard();
  });
  ASSERT_TRUE(PumpUntil([&] { return Idle(clipboard); }, 5000));
  other.join();
  ASSERT_TRUE(OpenClipboardWithRetries(nullptr, 2000));
  std::vector<unsigned char> bytes = MemoryBytes(GetClipboardData(CF_UNICODETEXT));
  CloseClipboard();
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data())), L"newer");
}

TEST_F(ClipboardPaste, EmptyClipboardStaysEmpty) {
  ASSERT_TRUE(OpenClipboardWithRetries(nullptr, 2000));
  EmptyClipboard();
  CloseClipboard();
  FakeTarget target;
  WindowsPasteClipboard clipboard;
  ASSERT_TRUE(clipboard.Prepare(u"text", GetCurrentProcessId()));
  target.Paste();
  clipboard.PasteSent();
  ASSERT_TRUE(PumpUntil([&] { return Idle(clipboard); }, 5000));
  target.Join();
  EXPECT_EQ(CountClipboardFormats(), 0);
}

TEST_F(ClipboardPaste, TheEndOfTheOutputThreadPutsTheClipboardBack) {
  {
    WindowsPasteClipboard clipboard;
    ASSERT_TRUE(clipboard.Prepare(u"text", GetCurrentProcessId()));
    clipboard.PasteSent();
    // Nobody reads, and the program ends long before the bound.
  }
  EXPECT_EQ(ClipboardContents(), before_);
}

TEST_F(ClipboardPaste, ClipboardTextIsReadForThePlaceholder) {
  WindowsPasteClipboard clipboard;
  WindowsClipboardText source(clipboard);
  std::optional<std::string> text = source.Text();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, "the user's text \xE2\x9C\x93");
  // While our text is on the clipboard, the placeholder is still the user's text.
  ASSERT_TRUE(clipboard.Prepare(u"ours", GetCurrentProcessId()));
  clipboard.PasteSent();
  text = source.Text();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(*text, "the user's text \xE2\x9C\x93");
}

TEST_F(ClipboardPaste, AnOwnerSlowerThanTheBudgetLeavesThePlaceholderEmptyAndItsTextStays) {
  DelayedOwner owner(1500, true);
  WindowsPasteClipboard clipboard;
  WindowsClipboardText source(clipboard);
  // Waited for, the owner would give its text; within the budget it cannot.
  EXPECT_EQ(source.Text(), std::nullopt);
  // Once it has rendered, the read given up on is over and the next one finds the text.
  std::optional<std::string> later;
  PumpUntil(
      [&] {
        later = source.Text();
        return later.has_value();
      },
      10000);
  EXPECT_EQ(later, std::optional<std::string>("owner's text"));
  EXPECT_EQ(owner.asked, 1);
}

TEST(WindowsLocaleNames, NamesEveryDayAndMonthApart) {
  WindowsLocaleNames names;
  std::set<std::string> days, shortMonths;
  for (int day = 0; day < 7; ++day) days.insert(names.DayName(day, false));
  for (int month = 1; month <= 12; ++month) shortMonths.insert(names.MonthName(month, true));
  EXPECT_EQ(days.size(), 7u);
  EXPECT_EQ(shortMonths.size(), 12u);
  EXPECT_EQ(days.count(""), 0u);
  EXPECT_EQ(names.DayName(7, false), "");
  EXPECT_NE(names.ShortDate({2026, 12, 9, 3, 5, 7, 3, 342}).find("2026"), std::string::npos);
}

TEST(WindowsClock, AgreesWithTheCRuntimeOnTheDayOfTheYear) {
  LocalTime now = WindowsClock().Now();
  std::time_t seconds = std::time(nullptr);
  std::tm local = *std::localtime(&seconds);
  // Around midnight the two reads may fall on different days; then they differ by one.
  EXPECT_LE(std::abs(now.yearDay - local.tm_yday), 1);
  EXPECT_EQ(now.year, local.tm_year + 1900);
  EXPECT_EQ(now.weekday == local.tm_wday || now.yearDay != local.tm_yday, true);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

#endif  // _WIN32
