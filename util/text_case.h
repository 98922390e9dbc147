#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarquel {

// Letter case for matching and conforming, without the system's tables: the input thread folds
// every key, and the host tests must see the same rules as Windows runs. Covered: ASCII, Latin-1
// and Latin Extended-A, Greek and Cyrillic (with their accented and extended letters). Other
// scripts have no case here and compare exactly. Every mapping is one character to one
// character, except the two of "ß" in ConformCase.

// The small letter of `c`, or `c`: the form two triggers are compared in when case is ignored.
// Greek final sigma folds to σ, capital sharp s (ẞ) to ß, long s (ſ) to s, the Kelvin sign to k.
char32_t FoldCase(char32_t c);
// The capital of `c`, or `c`. ß has no one-character capital and stays ß here.
char32_t UpperCase(char32_t c);
bool IsUpperLetter(char32_t c);
bool IsLowerLetter(char32_t c);
// Letters of every script, by block (not only those with case), and digits: what a word is made
// of. Punctuation, symbols, spaces, emoji and control characters are not.
bool IsLetterOrDigit(char32_t c);

// The code point at `pos` of UTF-8 text, moving `pos` past it; a broken sequence gives U+FFFD
// and one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);
// The code point that ends non-empty UTF-8 text.
char32_t LastCodePoint(std::string_view text);
void AppendUtf8(std::string& out, char32_t c);

// `text` with every character folded (FoldCase).
std::string FoldText(std::string_view text);

// How the typed trigger asks the expansion to look.
enum class CaseShape : std::uint8_t {
  AsWritten,    // no capital typed, or capitals and small letters mixed
  Capitalized,  // exactly one capital typed: the first letter becomes a capital
  AllCaps,      // two or more capitals and no small letter
};
CaseShape ShapeOf(std::string_view typed);

// `text` in `shape`. Capitalized: the first letter with case becomes its capital, leading
// non-letters ("(", a digit) skipped. AllCaps: every letter becomes its capital. ß has no
// capital of its own in common use, so it becomes "SS" in AllCaps and "Ss" when it is the
// first letter, as German writes it in capitals; ẞ is left to those who type it.
std::string ConformCase(std::string_view text, CaseShape shape);

}  // namespace tarquel
