#pragma once

#include <cstddef>
#include <string_view>

namespace tarquel {

// Line reading shared by the program's text files: what Windows text mode would give, done by
// hand so that every platform reads the same bytes the same way.

// Windows text-mode reading stops at the first Ctrl+Z; files written that way rely on it.
inline std::string_view TextBeforeCtrlZ(std::string_view text) {
  return text.substr(0, text.find('\x1A'));
}

// Takes the next line off the front of `rest`. Lines end in LF or CR LF; a CR not followed by
// LF belongs to the line, and a last line without a line end counts too.
inline std::string_view TakeLine(std::string_view& rest) {
  std::size_t end = rest.find('\n');
  std::string_view line = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  if (end != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
  return line;
}

}  // namespace tarquel
