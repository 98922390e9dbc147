// The ANSI code page as the "A" functions read it.
#include <windows.h>

#include <climits>

#include "util/text_encoding.h"

namespace tarquel {

std::string AnsiToUtf8(std::string_view text) {
  // A field of config.txt is far below INT_MAX; a longer text would be cut by the call.
  if (text.empty() || text.size() > INT_MAX) return std::string();
  const int length = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (units <= 0) return std::string();
  std::u16string wide(static_cast<std::size_t>(units), u'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(wide.data()),
                      units);
  return Utf16ToUtf8(wide);
}

}  // namespace tarquel
