#include "util/text_encoding.h"

#include <cstdint>
#include <cstring>

namespace tarquel {

namespace {

// The next code point of `text` at `pos`, or nothing for an ill-formed part; `pos` moves past
// what was read either way. The bounds follow the table of well-formed byte sequences in the
// Unicode standard, which keeps out overlongs, surrogates and code points above U+10FFFF.
struct Utf8Step {
  char32_t codePoint;
  bool valid;
};

Utf8Step DecodeUtf8At(std::string_view text, std::size_t& pos) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return {lead, true};
  }
  std::size_t length = 0;
  char32_t codePoint = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0Fu;
    if (lead == 0xE0) low = 0xA0;   // overlong below U+0800
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07u;
    if (lead == 0xF0) low = 0x90;   // overlong below U+10000
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    ++pos;
    return {ReplacementCharacter, false};
  }
  std::size_t next = pos + 1;
  for (std::size_t i = 1; i < length; ++i, ++next) {
    if (next >= text.size() || byte(next) < low || byte(next) > high) {
      pos = next;
      return {ReplacementCharacter, false};
    }
    codePoint = (codePoint << 6) | (byte(next) & 0x3Fu);
    low = 0x80;
    high = 0xBF;
  }
  pos = next;
  return {codePoint, true};
}

// Config files are mostly ASCII: skip it eight bytes at a time.
std::size_t AsciiPrefixLength(std::string_view text) {
  std::size_t pos = 0;
  while (text.size() - pos >= 8) {
    std::uint64_t word;
    std::memcpy(&word, text.data() + pos, 8);
    if ((word & 0x8080808080808080u) != 0) break;
    pos += 8;
  }
  while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80) ++pos;
  return pos;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    pos += AsciiPrefixLength(text.substr(pos));
    if (pos < text.size() && !DecodeUtf8At(text, pos).valid) return false;
  }
  return true;
}

std::string RepairUtf8(std::string_view text, std::size_t* replaced) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t ascii = AsciiPrefixLength(text.substr(pos));
    out.append(text.substr(pos, ascii));
    pos += ascii;
    if (pos == text.size()) break;
    const std::size_t start = pos;
    const Utf8Step step = DecodeUtf8At(text, pos);
    if (step.valid) {
      out.append(text.substr(start, pos - start));
    } else {
      AppendUtf8(out, ReplacementCharacter);
      if (replaced != nullptr) ++*replaced;
    }
  }
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char32_t codePoint = DecodeUtf8At(text, pos).codePoint;
    if (codePoint < 0x10000) {
      out += static_cast<char16_t>(codePoint);
    } else {
      out += static_cast<char16_t>(0xD800 + ((codePoint - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text, std::size_t* replaced) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit < 0xD800 || unit > 0xDFFF) {
      AppendUtf8(out, unit);
    } else if (unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, ReplacementCharacter);
      if (replaced != nullptr) ++*replaced;
    }
  }
  return out;
}

TextEncoding DetectEncoding(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return TextEncoding::Utf8WithBom;
  if (bytes.starts_with("\xFF\xFE")) return TextEncoding::Utf16Le;
  if (bytes.starts_with("\xFE\xFF")) return TextEncoding::Utf16Be;
  return IsValidUtf8(bytes.substr(0, bytes.find('\x1A'))) ? TextEncoding::Utf8 : TextEncoding::Ansi;
}

std::size_t ByteOrderMarkLength(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8WithBom:
      return 3;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
      return 2;
    case TextEncoding::Utf8:
    case TextEncoding::Ansi:
      return 0;
  }
  return 0;
}

std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian, std::size_t* replaced) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
  }
  if (bytes.size() % 2 != 0 && replaced != nullptr) ++*replaced;
  return Utf16ToUtf8(units, replaced);
}

std::string TextFileToUtf8(std::string_view bytes) {
  const TextEncoding encoding = DetectEncoding(bytes);
  const std::string_view content = bytes.substr(ByteOrderMarkLength(encoding));
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(content);
    case TextEncoding::Utf8WithBom:
      return IsValidUtf8(content) ? std::string(content) : RepairUtf8(content);
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16Be:
      return Utf16BytesToUtf8(content, encoding == TextEncoding::Utf16Be);
    case TextEncoding::Ansi:
      return AnsiToUtf8(content);
  }
  return std::string(content);
}

const char* EncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return "UTF-8";
    case TextEncoding::Utf8WithBom:
      return "UTF-8 with byte-order mark";
    case TextEncoding::Utf16Le:
      return "UTF-16 LE";
    case TextEncoding::Utf16Be:
      return "UTF-16 BE";
    case TextEncoding::Ansi:
      return "ANSI code page";
  }
  return "unknown";
}

}  // namespace tarquel
