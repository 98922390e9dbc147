#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarquel {

// Text in memory is UTF-8 in std::string; UTF-16 appears only at the Windows boundary and in
// files saved as "Unicode". These helpers need no Windows headers.

inline constexpr char32_t ReplacementCharacter = U'\uFFFD';

// Strict UTF-8: no overlong forms, no surrogates (U+D800 to U+DFFF), nothing above U+10FFFF,
// no truncated sequence at the end.
bool IsValidUtf8(std::string_view text);

// Each maximal ill-formed part of `text` (the longest start of a valid sequence, or one byte)
// becomes one U+FFFD, as Unicode recommends and as browsers and Windows 10 decode. The number
// of replacements is added to `*replaced` when it is given.
std::string RepairUtf8(std::string_view text, std::size_t* replaced = nullptr);

// Invalid UTF-8 becomes U+FFFD as RepairUtf8 does.
std::u16string Utf8ToUtf16(std::string_view text);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text, std::size_t* replaced = nullptr);

// The system's ANSI code page to UTF-8, byte for byte as the "A" functions read it. On Windows
// this is CP_ACP through MultiByteToWideChar; on other hosts it is Windows-1252, the code page
// Wine uses here, so that the same tests hold on both.
std::string AnsiToUtf8(std::string_view text);

// How the bytes of a text file were read, in the order they are tried.
enum class TextEncoding {
  Utf8,         // no byte-order mark, valid UTF-8 (so also any pure ASCII file)
  Utf8WithBom,  // EF BB BF
  Utf16Le,      // FF FE
  Utf16Be,      // FE FF
  Ansi,         // none of those: the bytes of the ANSI code page, as 1.0 stored them
};

const char* EncodingName(TextEncoding encoding);

// The encoding of a text file's bytes: a byte-order mark first, then strict UTF-8, then ANSI.
// Only the text before the first Ctrl+Z byte decides between UTF-8 and ANSI, as that is all a
// reader of either sees; 0x1A is the same code unit in both.
TextEncoding DetectEncoding(std::string_view bytes);
// The length of the byte-order mark that `encoding` begins with (0, 2 or 3).
std::size_t ByteOrderMarkLength(TextEncoding encoding);

// UTF-16 bytes without their byte-order mark to UTF-8. Lone surrogates become U+FFFD; a last
// odd byte is dropped. Each of those adds one to `*replaced` when it is given.
std::string Utf16BytesToUtf8(std::string_view bytes, bool bigEndian,
                             std::size_t* replaced = nullptr);

// A small text file's bytes as UTF-8, in the encoding DetectEncoding finds: the byte-order mark
// taken off, UTF-16 decoded, ANSI converted; ill-formed parts become U+FFFD. (config.txt is
// split before its ANSI fields are converted, as 1.0 split it; a file of key=value lines needs
// no such care, its keys being ASCII.)
std::string TextFileToUtf8(std::string_view bytes);

}  // namespace tarquel
