#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarquel {

// Text for a fixed UTF-16 buffer of `capacity` units (the terminating NUL among them), such as
// a tray tip: cut at a character boundary, so that an emoji at the end is dropped whole
// rather than left as half a surrogate pair.
std::u16string FitUtf16(std::string_view utf8, std::size_t capacity);

}  // namespace tarquel
