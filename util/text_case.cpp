#include "util/text_case.h"

namespace tarquel {

namespace {

bool Between(char32_t c, char32_t first, char32_t last) {
  return c >= first && c <= last;
}
bool Even(char32_t c) {
  return (c & 1) == 0;
}

}  // namespace

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return Between(c, 'A', 'Z') ? c + 32 : c;
  if (c < 0x100) return Between(c, 0xC0, 0xDE) && c != 0xD7 ? c + 32 : c;
  if (c < 0x180) {
    if (c == 0x130) return 'i';
    if (c == 0x178) return 0xFF;
    if (c == 0x17F) return 's';
    if ((Between(c, 0x100, 0x137) || Between(c, 0x14A, 0x177)) && Even(c)) return c + 1;
    if ((Between(c, 0x139, 0x148) || Between(c, 0x179, 0x17E)) && !Even(c)) return c + 1;
    return c;
  }
  if (Between(c, 0x370, 0x3FF)) {
    if (c == 0x386) return 0x3AC;
    if (Between(c, 0x388, 0x38A)) return c + 37;
    if (c == 0x38C) return 0x3CC;
    if (Between(c, 0x38E, 0x38F)) return c + 63;
    if (Between(c, 0x391, 0x3AB) && c != 0x3A2) return c + 32;
    if (c == 0x3C2) return 0x3C3;  // final sigma
    return c;
  }
  if (Between(c, 0x400, 0x52F)) {
    if (c < 0x410) return c + 80;
    if (c < 0x430) return c + 32;
    if (c == 0x4C0) return 0x4CF;
    if ((Between(c, 0x460, 0x481) || Between(c, 0x48A, 0x4BF) || Between(c, 0x4D0, 0x52F)) &&
        Even(c)) {
      return c + 1;
    }
    if (Between(c, 0x4C1, 0x4CE) && !Even(c)) return c + 1;
    return c;
  }
  if (c == 0x1E9E) return 0xDF;  // capital sharp s
  if (c == 0x212A) return 'k';   // Kelvin sign
  if (c == 0x212B) return 0xE5;  // Angstrom sign
  return c;
}

char32_t UpperCase(char32_t c) {
  if (c < 0x80) return Between(c, 'a', 'z') ? c - 32 : c;
  if (c < 0x100) {
    if (c == 0xFF) return 0x178;
    return Between(c, 0xE0, 0xFE) && c != 0xF7 ? c - 32 : c;
  }
  if (c < 0x180) {
    if (c == 0x131) return 'I';
    if (c == 0x17F) return 'S';
    if ((Between(c, 0x101, 0x137) || Between(c, 0x14B, 0x177)) && !Even(c)) return c - 1;
    if ((Between(c, 0x13A, 0x148) || Between(c, 0x17A, 0x17E)) && Even(c)) return c - 1;
    return c;
  }
  if (Between(c, 0x370, 0x3FF)) {
    if (c == 0x3AC) return 0x386;
    if (Between(c, 0x3AD, 0x3AF)) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (Between(c, 0x3CD, 0x3CE)) return c - 63;
    if (c == 0x3C2) return 0x3A3;
    if (Between(c, 0x3B1, 0x3CB)) return c - 32;
    return c;
  }
  if (Between(c, 0x400, 0x52F)) {
    if (Between(c, 0x430, 0x44F)) return c - 32;
    if (Between(c, 0x450, 0x45F)) return c - 80;
    if (c == 0x4CF) return 0x4C0;
    if ((Between(c, 0x461, 0x481) || Between(c, 0x48B, 0x4BF) || Between(c, 0x4D1, 0x52F)) &&
        !Even(c)) {
      return c - 1;
    }
    if (Between(c, 0x4C2, 0x4CE) && Even(c)) return c - 1;
    return c;
  }
  return c;
}

bool IsUpperLetter(char32_t c) {
  // Final sigma and long s fold without being capitals.
  return c != 0x3C2 && c != 0x17F && FoldCase(c) != c;
}

bool IsLowerLetter(char32_t c) {
  // Small letters without a capital of one character: ß, kra, n preceded by apostrophe, and
  // the Greek iota and upsilon with dialytika and tonos.
  return UpperCase(c) != c || c == 0xDF || c == 0x138 || c == 0x149 || c == 0x390 || c == 0x3B0;
}

bool IsLetterOrDigit(char32_t c) {
  if (c < 0x80) {
    return Between(c, '0', '9') || Between(c, 'a', 'z') || Between(c, 'A', 'Z');
  }
  if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA || c == 0xB2 || c == 0xB3 || c == 0xB9;
  if (c < 0x250) return c != 0xD7 && c != 0xF7;
  // Beyond Latin: letters unless the block or the character is punctuation, a symbol, a
  // space, a surrogate, private use or an emoji.
  switch (c) {
    case 0x37E:  // Greek question mark
    case 0x387:  // Greek ano teleia
    case 0x589:
    case 0x58A:
    case 0x5BE:
    case 0x5C0:
    case 0x5C3:
    case 0x5C6:
    case 0x5F3:
    case 0x5F4:
    case 0x60C:  // Arabic comma
    case 0x61B:
    case 0x61F:
    case 0x6D4:
    case 0x964:  // Devanagari danda
    case 0x965:
    case 0xE4F:
    case 0xE5A:
    case 0xE5B:
      return false;
    default:
      break;
  }
  if (Between(c, 0x55A, 0x55F) || Between(c, 0x66A, 0x66D)) return false;
  if (Between(c, 0x2000, 0x2BFF)) return c == 0x212A || c == 0x212B;
  if (Between(c, 0x2E00, 0x2E7F) || Between(c, 0x3000, 0x303F)) return false;
  if (Between(c, 0xD800, 0xF8FF)) return false;
  if (Between(c, 0xFE10, 0xFE6F) || Between(c, 0xFFF0, 0xFFFF)) return false;
  if (Between(c, 0xFF00, 0xFF0F) || Between(c, 0xFF1A, 0xFF20) || Between(c, 0xFF3B, 0xFF40) ||
      Between(c, 0xFF5B, 0xFF65)) {
    return false;
  }
  if (Between(c, 0x1F000, 0x1FAFF)) return false;
  return true;
}

char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char first = byte(pos);
  std::size_t length = first < 0x80    ? 1
                       : first >= 0xF0 ? 4
                       : first >= 0xE0 ? 3
                       : first >= 0xC0 ? 2
                                       : 0;
  if (length == 0 || pos + length > text.size()) {
    ++pos;
    return first < 0x80 ? first : 0xFFFD;
  }
  char32_t c = length == 1 ? first : first & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(pos + i) & 0x3F);
  }
  pos += length;
  return c;
}

char32_t LastCodePoint(std::string_view text) {
  std::size_t start = text.size() - 1;
  while (start > 0 && text.size() - start < 4 &&
         (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
    --start;
  }
  return NextCodePoint(text, start);
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string FoldText(std::string_view text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();)
    AppendUtf8(folded, FoldCase(NextCodePoint(text, pos)));
  return folded;
}

CaseShape ShapeOf(std::string_view typed) {
  std::size_t capitals = 0;
  std::size_t smalls = 0;
  for (std::size_t pos = 0; pos < typed.size();) {
    const char32_t c = NextCodePoint(typed, pos);
    if (IsUpperLetter(c)) {
      ++capitals;
    } else if (IsLowerLetter(c)) {
      ++smalls;
    }
  }
  if (capitals == 1) return CaseShape::Capitalized;
  if (capitals >= 2 && smalls == 0) return CaseShape::AllCaps;
  return CaseShape::AsWritten;
}

std::string ConformCase(std::string_view text, CaseShape shape) {
  if (shape == CaseShape::AsWritten) return std::string(text);
  std::string out;
  out.reserve(text.size() + 4);
  bool done = false;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t at = pos;
    const char32_t c = NextCodePoint(text, pos);
    if (done) {
      out.append(text.substr(at));
      break;
    }
    if (c == 0xDF) {
      out += shape == CaseShape::AllCaps ? "SS" : "Ss";
    } else {
      AppendUtf8(out, UpperCase(c));
    }
    // Capitalized: the first letter or digit decides; a digit or a letter without case stays.
    if (shape == CaseShape::Capitalized && IsLetterOrDigit(c)) done = true;
  }
  return out;
}

}  // namespace tarquel
