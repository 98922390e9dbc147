// Test helper for the end-to-end harness: reads what Windows programs under Wine show, without
// pressing a key (keys would pass through tarquel's hook and change what is being tested).
//
// One process serves a whole test session: one request per line on stdin, one answer per line
// on stdout, so a read costs a pipe round trip instead of a Wine start.
//
//   text CLASS [CHILD_CLASS]   -> "ok HEX" (the window text as UTF-8, hex-encoded, so that line
//                                 ends in the text cannot break the protocol) or "missing"
//   item CLASS ID              -> "ok HEX" the text of the control with that id in the first
//                                 visible window of that class (a message box's text: #32770
//                                 65535), or "missing"
//   settext CLASS ID HEX       -> "ok" once the control with that id in the first visible window
//                                 of that class holds the text (UTF-8, hex-encoded) through
//                                 WM_SETTEXT, or "missing"
//   foreground                 -> the window class of the foreground window, or "none"
//   post CLASS MSG WPARAM LPARAM -> "ok" once the message (numbers in C notation; a name for a
//                                 registered message) is posted to the first visible window
//                                 of that class (else the first hidden one), or "missing"
//   send CLASS MSG WPARAM LPARAM -> "ok RESULT" once the window (found as for post) has handled
//                                 the message (waiting up to 20 s), or "missing"
//   window CLASS               -> "ok VISIBLE LEFT TOP RIGHT BOTTOM" (VISIBLE 1 or 0, the rectangle
//                                 in screen coordinates) of the first visible window of that
//                                 class, else of the first hidden one, or "missing"
//   rows CLASS ID              -> "ok COUNT HEX,HEX,..." the rows of the list box or list view
//                                 with that id in the first window of that class (each as
//                                 UTF-8, hex-encoded; a list view of several columns gives
//                                 each row's cells with a tab between them), or "missing"
//   header CLASS ID COLUMN     -> "ok LEFT TOP RIGHT BOTTOM" in screen coordinates: that
//                                 column's header in the list view with that id, or "missing"
//   filter CLASS FIELD_ID LIST_ID HEX
//                              -> "ok MS COUNT": the time from putting that text (UTF-8,
//                                 hex-encoded) into the field by WM_SETTEXT to the list having
//                                 repainted, and the list's row count then; or "missing"
//   selected CLASS ID          -> "ok ROW" the selected row of that list box or list view (-1
//                                 when none), or "missing"
//   checked CLASS ID           -> "ok STATE" BM_GETCHECK of that check box (0 unchecked, 1 checked)
//                                 in the first visible window of that class, or "missing"
//   focus CLASS                -> "ok ID" the id of the control with the keyboard focus in the
//                                 first visible window of that class (0: the window itself,
//                                 -1: none of its controls), or "missing"
//   rect CLASS ID [ROW]        -> "ok LEFT TOP RIGHT BOTTOM" in screen coordinates: the control
//                                 with that id in the first visible window of that class (else
//                                 the first hidden one), or with ROW, that row of the list box;
//                                 else "missing"
//   screen                     -> "ok WIDTH HEIGHT" of the screen as Wine reports it
//   dpi                        -> "ok DPI" the system's DPI (LOGPIXELSX of the screen), which
//                                 Wine takes from the prefix's registry when a process starts
//   arrival CLASS CHILD_CLASS LENGTH TIMEOUT_MS
//                              -> "ok MS": milliseconds from the first change of the control's
//                                 text length after the request to the moment it reaches LENGTH,
//                                 polled with WM_GETTEXTLENGTH only (nothing typed, nothing
//                                 copied), or "timeout CURRENT_LENGTH", or "missing"
//   busy CLASS DURATION_MS     -> "ok MAX_MS COUNT": for DURATION_MS, WM_NULL is sent to the first
//                                 visible window of that class (else the first hidden one) again
//                                 and again; MAX_MS is the longest one took to be answered, that
//                                 is the longest the window's thread (tarquel's: the hook's) was
//                                 busy, COUNT how many were answered; or "missing"
//   clipboard_put HEX [bitmap] -> "ok" once the clipboard holds that text (UTF-8, hex-encoded)
//                                 as Unicode text, and with "bitmap" also an 8 x 8 bitmap of
//                                 distinct pixels; "busy" when it cannot be opened
//   clipboard_digest           -> "ok COUNT FORMAT:HASH ..." every format the clipboard holds,
//                                 in its order, with a hash of its bytes (a bitmap's: of its
//                                 pixels), so a test can tell that it came back exactly
//   clipboard_text             -> "ok HEX" the clipboard's Unicode text, or "missing"
//   keys_down                  -> "ok VK ..." every key (hexadecimal) GetAsyncKeyState says is
//                                 down now, mouse buttons left out; "ok" when none is
//   quit                       -> ends the probe
//
// Unlike the program itself this helper uses the wide-character functions: it must read back
// text such as "€" exactly, whatever the ANSI code page is.
#include <windows.h>
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                      nullptr, nullptr);
  return narrow;
}

std::string Unhex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  return bytes;
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (unsigned char byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 0x0F];
  }
  return hex;
}

// A window that hangs must not hang the test session: it then counts as missing.
constexpr UINT ReplyTimeoutMs = 5000;

std::optional<std::size_t> TextLength(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs,
                           &length)) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(length);
}

std::string TextOf(HWND window) {
  if (window == nullptr) return "missing";
  std::optional<std::size_t> length = TextLength(window);
  if (!length) return "missing";
  std::vector<wchar_t> buffer(*length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                           reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                           ReplyTimeoutMs, &copied)) {
    return "missing";
  }
  return "ok " + Hex(ToUtf8(std::wstring(buffer.data(), static_cast<std::size_t>(copied))));
}

// The first window of the class, or with a child class, that window's first such child.
HWND FindWithChild(const std::string& topClass, const std::string& childClass) {
  HWND window = FindWindowW(Widen(topClass).c_str(), nullptr);
  if (window != nullptr && !childClass.empty()) {
    window = FindWindowExW(window, nullptr, Widen(childClass).c_str(), nullptr);
  }
  return window;
}

std::string WindowText(const std::string& topClass, const std::string& childClass) {
  return TextOf(FindWithChild(topClass, childClass));
}

// Only a visible one: classes such as the dialog class also have hidden windows of Wine's own.
HWND VisibleItem(const std::string& topClass, const std::string& id) {
  std::wstring className = Widen(topClass);
  HWND window = nullptr;
  do {
    window = FindWindowExW(nullptr, window, className.c_str(), nullptr);
  } while (window != nullptr && !IsWindowVisible(window));
  if (window == nullptr) return nullptr;
  return GetDlgItem(window, static_cast<int>(std::strtol(id.c_str(), nullptr, 10)));
}

std::string ItemText(const std::string& topClass, const std::string& id) {
  return TextOf(VisibleItem(topClass, id));
}

std::string SetItemText(const std::string& topClass, const std::string& id,
                        const std::string& hex) {
  HWND item = VisibleItem(topClass, id);
  if (item == nullptr) return "missing";
  const std::wstring text = Widen(Unhex(hex));
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                           SMTO_ABORTIFHUNG, ReplyTimeoutMs, &result) ||
      result != TRUE) {
    return "missing";
  }
  return "ok";
}

// The first visible window of the class, else the first hidden one: classes such as the menu
// class also have hidden windows of Wine's own.
HWND FindPreferringVisible(const std::string& windowClass) {
  std::wstring className = Widen(windowClass);
  HWND first = FindWindowExW(nullptr, nullptr, className.c_str(), nullptr);
  for (HWND window = first; window != nullptr;
       window = FindWindowExW(nullptr, window, className.c_str(), nullptr)) {
    if (IsWindowVisible(window)) return window;
  }
  return first;
}

std::string WindowState(const std::string& windowClass) {
  HWND window = FindPreferringVisible(windowClass);
  RECT rect{};
  if (window == nullptr || !GetWindowRect(window, &rect)) return "missing";
  return "ok " + std::to_string(IsWindowVisible(window) ? 1 : 0) + " " + std::to_string(rect.left) +
         " " + std::to_string(rect.top) + " " + std::to_string(rect.right) + " " +
         std::to_string(rect.bottom);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Times text arriving in a control from outside, for throughput figures: the clock starts at
// the first change of length, so whatever set the arrival off costs nothing here.
std::string Arrival(const std::string& topClass, const std::string& childClass,
                    const std::string& target, const std::string& timeoutMs) {
  HWND window = FindWithChild(topClass, childClass);
  if (window == nullptr) return "missing";
  const auto wanted = static_cast<std::size_t>(std::strtoull(target.c_str(), nullptr, 10));
  const ULONGLONG deadline = GetTickCount64() + std::strtoull(timeoutMs.c_str(), nullptr, 10);
  std::optional<std::size_t> now = TextLength(window);
  if (!now) return "missing";
  // Polls the length until `done` holds; an answer other than "" ends the request.
  auto pollUntil = [&](auto done) -> std::string {
    while (!done(*now)) {
      if (GetTickCount64() > deadline) return "timeout " + std::to_string(*now);
      Sleep(1);
      now = TextLength(window);
      if (!now) return "missing";
    }
    return "";
  };
  const std::size_t before = *now;
  if (std::string failed = pollUntil([&](std::size_t length) { return length != before; });
      !failed.empty()) {
    return failed;
  }
  LARGE_INTEGER first;
  QueryPerformanceCounter(&first);
  if (std::string failed = pollUntil([&](std::size_t length) { return length == wanted; });
      !failed.empty()) {
    return failed;
  }
  LARGE_INTEGER last;
  QueryPerformanceCounter(&last);
  char answer[64];
  std::snprintf(answer, sizeof answer, "ok %.3f", Milliseconds(first, last));
  return answer;
}

std::string Busy(const std::string& windowClass, const std::string& duration) {
  HWND window = FindPreferringVisible(windowClass);
  if (window == nullptr) return "missing";
  const double wanted = std::strtod(duration.c_str(), nullptr);
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  double longest = 0;
  unsigned long count = 0;
  for (LARGE_INTEGER now = start; Milliseconds(start, now) < wanted;) {
    LARGE_INTEGER sent;
    QueryPerformanceCounter(&sent);
    DWORD_PTR result = 0;
    // A minute: this measures a busy thread, and must not give up on one.
    if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) {
      return "missing";
    }
    QueryPerformanceCounter(&now);
    longest = std::max(longest, Milliseconds(sent, now));
    ++count;
  }
  char answer[64];
  std::snprintf(answer, sizeof answer, "ok %.3f %lu", longest, count);
  return answer;
}

bool IsListView(HWND control) {
  wchar_t name[64] = {};
  return GetClassNameW(control, name, 64) != 0 && std::wcscmp(name, L"SysListView32") == 0;
}

// Memory in the list view's process: its messages take pointers that are not carried across
// processes, unlike the list box's.
class RemoteMemory {
 public:
  RemoteMemory(HWND owner, std::size_t size) : size_(size) {
    DWORD processId = 0;
    GetWindowThreadProcessId(owner, &processId);
    process_ =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_ != nullptr) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteMemory() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_ != nullptr) CloseHandle(process_);
  }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  bool Ok() const { return address_ != nullptr; }
  char* Address() const { return static_cast<char*>(address_); }
  bool Write(std::size_t offset, const void* data, std::size_t size) {
    return offset + size <= size_ &&
           WriteProcessMemory(process_, Address() + offset, data, size, nullptr);
  }
  bool Read(std::size_t offset, void* data, std::size_t size) {
    return offset + size <= size_ &&
           ReadProcessMemory(process_, Address() + offset, data, size, nullptr);
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  std::size_t size_;
};

// Room for the longest row a test makes (a 2,000-character expansion and more).
constexpr int RemoteTextUnits = 65536;

// The header of a list view, or null when it has none (or does not answer).
HWND ListViewHeader(HWND list) {
  DWORD_PTR header = 0;
  if (!SendMessageTimeoutW(list, LVM_GETHEADER, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &header)) {
    return nullptr;
  }
  return reinterpret_cast<HWND>(header);
}

int ListViewColumns(HWND list) {
  HWND header = ListViewHeader(list);
  DWORD_PTR columns = 0;
  if (header == nullptr || (GetWindowLongW(list, GWL_STYLE) & LVS_NOCOLUMNHEADER) != 0 ||
      !SendMessageTimeoutW(header, HDM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs,
                           &columns) ||
      static_cast<LRESULT>(columns) < 1) {
    return 1;
  }
  return static_cast<int>(columns);
}

std::string ListViewRows(HWND list) {
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs,
                           &count)) {
    return "missing";
  }
  const int columns = ListViewColumns(list);
  RemoteMemory memory(list, sizeof(LVITEMW) + RemoteTextUnits * sizeof(wchar_t));
  if (!memory.Ok()) return "missing";
  std::string answer = "ok " + std::to_string(count) + " ";
  std::vector<wchar_t> text(RemoteTextUnits);
  for (DWORD_PTR row = 0; row < count; ++row) {
    std::wstring cells;
    for (int column = 0; column < columns; ++column) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(row);
      item.iSubItem = column;
      item.pszText = reinterpret_cast<wchar_t*>(memory.Address() + sizeof(LVITEMW));
      item.cchTextMax = RemoteTextUnits;
      DWORD_PTR length = 0;
      if (!memory.Write(0, &item, sizeof item) ||
          !SendMessageTimeoutW(list, LVM_GETITEMTEXTW, row,
                               reinterpret_cast<LPARAM>(memory.Address()), SMTO_ABORTIFHUNG,
                               ReplyTimeoutMs, &length) ||
          !memory.Read(sizeof(LVITEMW), text.data(),
                       std::min<std::size_t>(length + 1, RemoteTextUnits) * sizeof(wchar_t))) {
        return "missing";
      }
      if (column > 0) cells += L'\t';
      cells.append(text.data(), std::min<std::size_t>(length, RemoteTextUnits));
    }
    if (row > 0) answer += ',';
    answer += Hex(ToUtf8(cells));
  }
  return answer;
}

std::string HeaderRect(const std::string& windowClass, const std::string& id,
                       const std::string& column) {
  HWND window = FindPreferringVisible(windowClass);
  HWND list = window == nullptr
                  ? nullptr
                  : GetDlgItem(window, static_cast<int>(std::strtol(id.c_str(), nullptr, 10)));
  HWND header = list != nullptr && IsListView(list) ? ListViewHeader(list) : nullptr;
  if (header == nullptr) return "missing";
  RemoteMemory memory(header, sizeof(RECT));
  RECT rect{};
  DWORD_PTR result = 0;
  if (!memory.Ok() ||
      !SendMessageTimeoutW(header, HDM_GETITEMRECT, std::strtoull(column.c_str(), nullptr, 10),
                           reinterpret_cast<LPARAM>(memory.Address()), SMTO_ABORTIFHUNG,
                           ReplyTimeoutMs, &result) ||
      result == 0 || !memory.Read(0, &rect, sizeof rect)) {
    return "missing";
  }
  MapWindowPoints(header, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  return "ok " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
         std::to_string(rect.right) + " " + std::to_string(rect.bottom);
}

std::optional<RECT> ListViewRowRect(HWND list, int row) {
  RemoteMemory memory(list, sizeof(RECT));
  RECT rect{};
  rect.left = LVIR_BOUNDS;
  DWORD_PTR result = 0;
  if (!memory.Ok() || !memory.Write(0, &rect, sizeof rect) ||
      !SendMessageTimeoutW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                           reinterpret_cast<LPARAM>(memory.Address()), SMTO_ABORTIFHUNG,
                           ReplyTimeoutMs, &result) ||
      result == 0 || !memory.Read(0, &rect, sizeof rect)) {
    return std::nullopt;
  }
  return rect;
}

HWND ControlOf(const std::string& windowClass, const std::string& id) {
  HWND window = FindPreferringVisible(windowClass);
  return window == nullptr
             ? nullptr
             : GetDlgItem(window, static_cast<int>(std::strtol(id.c_str(), nullptr, 10)));
}

std::string SelectedRow(const std::string& windowClass, const std::string& id) {
  HWND list = ControlOf(windowClass, id);
  if (list == nullptr) return "missing";
  DWORD_PTR row = 0;
  const bool answered =
      IsListView(list)
          ? SendMessageTimeoutW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED,
                                SMTO_ABORTIFHUNG, ReplyTimeoutMs, &row)
          : SendMessageTimeoutW(list, LB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &row);
  if (!answered) return "missing";
  return "ok " + std::to_string(static_cast<int>(static_cast<LRESULT>(row)));
}

std::string CheckState(const std::string& windowClass, const std::string& id) {
  HWND box = ControlOf(windowClass, id);
  DWORD_PTR state = 0;
  if (box == nullptr ||
      !SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &state)) {
    return "missing";
  }
  return "ok " + std::to_string(static_cast<unsigned long long>(state));
}

std::string FocusedControl(const std::string& windowClass) {
  HWND window = FindPreferringVisible(windowClass);
  if (window == nullptr) return "missing";
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return "missing";
  if (info.hwndFocus == window) return "ok 0";
  if (info.hwndFocus == nullptr || !IsChild(window, info.hwndFocus)) return "ok -1";
  // A control made of controls (the field of a combo box) answers as itself.
  HWND control = info.hwndFocus;
  while (GetParent(control) != window) control = GetParent(control);
  return "ok " + std::to_string(GetDlgCtrlID(control));
}

std::string TimedFilter(const std::string& windowClass, const std::string& fieldId,
                        const std::string& listId, const std::string& hex) {
  HWND field = ControlOf(windowClass, fieldId);
  HWND list = ControlOf(windowClass, listId);
  if (field == nullptr || list == nullptr) return "missing";
  const std::wstring text = Widen(Unhex(hex));
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  DWORD_PTR result = 0;
  DWORD_PTR count = 0;
  // The field tells the window at once, which filters while the message is answered; the
  // repaint of the list's visible rows is then asked for and waited on.
  if (!SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                           SMTO_ABORTIFHUNG, ReplyTimeoutMs, &result) ||
      !RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN) ||
      !SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs,
                           &count)) {
    return "missing";
  }
  LARGE_INTEGER end;
  QueryPerformanceCounter(&end);
  char answer[64];
  std::snprintf(answer, sizeof answer, "ok %.3f %llu", Milliseconds(start, end),
                static_cast<unsigned long long>(count));
  return answer;
}

std::string ListRows(const std::string& windowClass, const std::string& id) {
  HWND window = FindWindowW(Widen(windowClass).c_str(), nullptr);
  HWND list = window == nullptr
                  ? nullptr
                  : GetDlgItem(window, static_cast<int>(std::strtol(id.c_str(), nullptr, 10)));
  if (list != nullptr && IsListView(list)) return ListViewRows(list);
  DWORD_PTR count = 0;
  if (list == nullptr ||
      !SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs, &count) ||
      static_cast<LRESULT>(count) == LB_ERR) {
    return "missing";
  }
  std::string answer = "ok " + std::to_string(count) + " ";
  for (DWORD_PTR row = 0; row < count; ++row) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXTLEN, row, 0, SMTO_ABORTIFHUNG, ReplyTimeoutMs,
                             &length) ||
        static_cast<LRESULT>(length) == LB_ERR) {
      return "missing";
    }
    // LB_GETTEXT has no size argument: the buffer holds what LB_GETTEXTLEN announced.
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, ReplyTimeoutMs, &copied) ||
        static_cast<LRESULT>(copied) == LB_ERR) {
      return "missing";
    }
    if (row > 0) answer += ',';
    answer += Hex(ToUtf8(std::wstring(buffer.data(), static_cast<std::size_t>(copied))));
  }
  return answer;
}

std::string ForegroundClass() {
  HWND window = GetForegroundWindow();
  wchar_t name[256] = {};
  if (window == nullptr || GetClassNameW(window, name, 256) == 0) return "none";
  return ToUtf8(name);
}

std::string PostToWindow(const std::string& windowClass, const std::string& message,
                         const std::string& wParam, const std::string& lParam) {
  HWND window = FindPreferringVisible(windowClass);
  if (window == nullptr) return "missing";
  auto number = [](const std::string& text) { return std::strtoull(text.c_str(), nullptr, 0); };
  // A name stands for the registered message of that name, such as "TaskbarCreated".
  UINT id = !message.empty() && message[0] >= '0' && message[0] <= '9'
                ? static_cast<UINT>(number(message))
                : RegisterWindowMessageW(Widen(message).c_str());
  if (!PostMessageW(window, id, static_cast<WPARAM>(number(wParam)),
                    static_cast<LPARAM>(number(lParam)))) {
    return "missing";
  }
  return "ok";
}

std::string SendToWindow(const std::string& windowClass, const std::string& message,
                         const std::string& wParam, const std::string& lParam) {
  HWND window = FindPreferringVisible(windowClass);
  if (window == nullptr) return "missing";
  auto number = [](const std::string& text) { return std::strtoull(text.c_str(), nullptr, 0); };
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, static_cast<UINT>(number(message)),
                           static_cast<WPARAM>(number(wParam)), static_cast<LPARAM>(number(lParam)),
                           SMTO_NORMAL, 20000, &result)) {
    return "missing";
  }
  return "ok " + std::to_string(result);
}

std::string ControlRect(const std::string& windowClass, const std::string& id,
                        const std::string& row) {
  HWND window = FindPreferringVisible(windowClass);
  HWND control = window == nullptr
                     ? nullptr
                     : GetDlgItem(window, static_cast<int>(std::strtol(id.c_str(), nullptr, 10)));
  RECT rect{};
  if (control == nullptr) return "missing";
  if (row.empty()) {
    if (!GetWindowRect(control, &rect)) return "missing";
  } else if (IsListView(control)) {
    std::optional<RECT> found =
        ListViewRowRect(control, static_cast<int>(std::strtol(row.c_str(), nullptr, 10)));
    if (!found) return "missing";
    rect = *found;
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  } else {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control, LB_GETITEMRECT, std::strtoull(row.c_str(), nullptr, 10),
                             reinterpret_cast<LPARAM>(&rect), SMTO_ABORTIFHUNG, ReplyTimeoutMs,
                             &result) ||
        static_cast<LRESULT>(result) == LB_ERR) {
      return "missing";
    }
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  }
  return "ok " + std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
         std::to_string(rect.right) + " " + std::to_string(rect.bottom);
}

// Brings the first visible window of that class to the front, as a switch with Alt+Tab would.
std::string Activate(const std::string& windowClass) {
  HWND window = FindPreferringVisible(windowClass);
  if (window == nullptr) return "missing";
  return SetForegroundWindow(window) ? "ok" : "refused";
}

// The keyboard layout of the foreground window's thread, and the key that types `character`
// there: "ok LAYOUT VK SHIFTSTATE" in hexadecimal, VkKeyScanEx's answer split in two.
std::string KeyboardLayoutFor(const std::string& character) {
  const std::wstring wide = Widen(character);
  if (wide.size() != 1) return "error one character wanted";
  HWND foreground = GetForegroundWindow();
  HKL layout =
      GetKeyboardLayout(foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0);
  const SHORT scan = VkKeyScanExW(wide[0], layout);
  char answer[64];
  std::snprintf(answer, sizeof answer, "ok %llx %x %x",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(layout)),
                static_cast<unsigned>(scan & 0xFF), static_cast<unsigned>((scan >> 8) & 0xFF));
  return answer;
}

// The clipboard is shared with the program under test, which may hold it open for a moment.
bool OpenClipboardPatiently() {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (OpenClipboard(nullptr)) return true;
    Sleep(10);
  }
  return false;
}

HGLOBAL MemoryWith(const void* data, std::size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) return nullptr;
  std::memcpy(GlobalLock(memory), data, size);
  GlobalUnlock(memory);
  return memory;
}

std::string ClipboardPut(const std::string& hex, bool withBitmap) {
  std::string utf8;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    utf8 += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  std::wstring text = Widen(utf8);
  if (!OpenClipboardPatiently()) return "busy";
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, MemoryWith(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
  if (withBitmap) {
    std::uint32_t pixels[64];
    for (std::uint32_t i = 0; i < 64; ++i) pixels[i] = 0x00030507u * (i + 1);
    SetClipboardData(CF_BITMAP, CreateBitmap(8, 8, 1, 32, pixels));
  }
  CloseClipboard();
  return "ok";
}

std::uint64_t Fnv1a(const unsigned char* bytes, std::size_t size) {
  std::uint64_t hash = 14695981039346656037ull;
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
  return hash;
}

std::string ClipboardDigest() {
  if (!OpenClipboardPatiently()) return "busy";
  std::string formats;
  int count = 0;
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
    HANDLE handle = GetClipboardData(format);
    std::uint64_t hash = 0;
    if (format == CF_BITMAP && handle != nullptr) {
      BITMAP info{};
      GetObjectW(handle, sizeof info, &info);
      BITMAPINFO header{};
      header.bmiHeader.biSize = sizeof header.bmiHeader;
      header.bmiHeader.biWidth = info.bmWidth;
      header.bmiHeader.biHeight = info.bmHeight;
      header.bmiHeader.biPlanes = 1;
      header.bmiHeader.biBitCount = 32;
      header.bmiHeader.biCompression = BI_RGB;
      std::vector<unsigned char> pixels(static_cast<std::size_t>(info.bmWidth) *
                                        static_cast<std::size_t>(info.bmHeight) * 4);
      HDC screen = GetDC(nullptr);
      GetDIBits(screen, static_cast<HBITMAP>(handle), 0, static_cast<UINT>(info.bmHeight),
                pixels.data(), &header, DIB_RGB_COLORS);
      ReleaseDC(nullptr, screen);
      hash = Fnv1a(pixels.data(), pixels.size());
    } else if (handle != nullptr && format != CF_PALETTE && format != CF_ENHMETAFILE &&
               format != CF_METAFILEPICT) {
      if (const auto* data = static_cast<const unsigned char*>(GlobalLock(handle))) {
        hash = Fnv1a(data, GlobalSize(handle));
        GlobalUnlock(handle);
      }
    }
    formats += ' ';
    formats += std::to_string(format);
    formats += ':';
    formats += std::to_string(hash);
    ++count;
  }
  CloseClipboard();
  std::string answer = "ok ";
  answer += std::to_string(count);
  answer += formats;
  return answer;
}

std::string ClipboardText() {
  if (!OpenClipboardPatiently()) return "busy";
  std::string answer = "missing";
  if (HANDLE handle = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(GlobalLock(handle))) {
      answer = "ok " + Hex(ToUtf8(text));
      GlobalUnlock(handle);
    }
  }
  CloseClipboard();
  return answer;
}

std::string KeysDown() {
  std::string answer = "ok";
  char key[8];
  for (int vk = 0x07; vk <= 0xFE; ++vk) {
    if (vk == VK_MBUTTON || vk == VK_XBUTTON1 || vk == VK_XBUTTON2) continue;
    if ((GetAsyncKeyState(vk) & 0x8000) == 0) continue;
    std::snprintf(key, sizeof key, " %x", vk);
    answer += key;
  }
  return answer;
}

}  // namespace

int main() {
  // DPI aware, so that the rectangles it reads are the screen's pixels: an unaware process at
  // 192 DPI would see a DPI-aware window's rectangle halved.
  SetProcessDPIAware();
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string command, first, second, third, fourth;
    words >> command >> first >> second >> third >> fourth;
    std::string answer;
    if (command == "quit") break;
    if (command == "text" && !first.empty()) {
      answer = WindowText(first, second);
    } else if (command == "item" && !second.empty()) {
      answer = ItemText(first, second);
    } else if (command == "settext" && !second.empty()) {
      answer = SetItemText(first, second, third);
    } else if (command == "arrival" && !fourth.empty()) {
      answer = Arrival(first, second, third, fourth);
    } else if (command == "screen") {
      answer = "ok " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
               std::to_string(GetSystemMetrics(SM_CYSCREEN));
    } else if (command == "dpi") {
      HDC screen = GetDC(nullptr);
      answer = "ok " + std::to_string(GetDeviceCaps(screen, LOGPIXELSX));
      ReleaseDC(nullptr, screen);
    } else if (command == "foreground") {
      answer = ForegroundClass();
    } else if (command == "window" && !first.empty()) {
      answer = WindowState(first);
    } else if (command == "rows" && !second.empty()) {
      answer = ListRows(first, second);
    } else if (command == "filter" && !third.empty()) {
      answer = TimedFilter(first, second, third, fourth);
    } else if (command == "selected" && !second.empty()) {
      answer = SelectedRow(first, second);
    } else if (command == "checked" && !second.empty()) {
      answer = CheckState(first, second);
    } else if (command == "focus" && !first.empty()) {
      answer = FocusedControl(first);
    } else if (command == "header" && !third.empty()) {
      answer = HeaderRect(first, second, third);
    } else if (command == "rect" && !second.empty()) {
      answer = ControlRect(first, second, third);
    } else if (command == "activate" && !first.empty()) {
      answer = Activate(first);
    } else if (command == "layout" && !first.empty()) {
      answer = KeyboardLayoutFor(first);
    } else if (command == "busy" && !second.empty()) {
      answer = Busy(first, second);
    } else if (command == "clipboard_put") {
      answer = ClipboardPut(first, second == "bitmap");
    } else if (command == "clipboard_digest") {
      answer = ClipboardDigest();
    } else if (command == "clipboard_text") {
      answer = ClipboardText();
    } else if (command == "keys_down") {
      answer = KeysDown();
    } else if (command == "post" && !fourth.empty()) {
      answer = PostToWindow(first, second, third, fourth);
    } else if (command == "send" && !fourth.empty()) {
      answer = SendToWindow(first, second, third, fourth);
    } else {
      answer = "error unknown request";
    }
    std::fputs((answer + "\n").c_str(), stdout);
    std::fflush(stdout);
  }
  return 0;
}
