#include "util/window_text.h"

#include "util/text_encoding.h"

namespace tarquel {

std::u16string FitUtf16(std::string_view utf8, std::size_t capacity) {
  std::u16string wide = Utf8ToUtf16(utf8);
  if (capacity == 0) return {};
  if (wide.size() < capacity) return wide;
  std::size_t length = capacity - 1;
  // A high surrogate as the last unit kept would stand alone without its low half.
  if (length > 0 && wide[length - 1] >= 0xD800 && wide[length - 1] <= 0xDBFF) --length;
  wide.resize(length);
  return wide;
}

}  // namespace tarquel
