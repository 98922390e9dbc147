#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "util/text_encoding.h"

namespace tarquel {

// The Windows boundary of the text model: UTF-8 in every std::string of the program, UTF-16
// (wchar_t) only in the calls of the W functions.

inline std::wstring Wide(std::string_view utf8) {
  const std::u16string wide = Utf8ToUtf16(utf8);
  return std::wstring(wide.begin(), wide.end());
}

inline std::string Narrow(std::wstring_view wide) {
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// The whole text of a window or control: a fixed buffer would cut a long expansion short.
inline std::string WindowTextUtf8(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, buffer.data(), length + 1);
  return Narrow(
      std::wstring_view(buffer.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0));
}

inline void SetWindowTextUtf8(HWND window, std::string_view text) {
  SetWindowTextW(window, Wide(text).c_str());
}

inline int ShowMessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type) {
  return MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), type);
}

}  // namespace tarquel
