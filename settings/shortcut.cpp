#include "settings/shortcut.h"

namespace tarquel {
namespace {

// Plain ASCII classes: bytes above 0x7F are neither letters, digits nor white space, whatever
// the C locale of the moment says.
bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
char ToAsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

struct ModifierWord {
  std::uint32_t bit;
  std::string_view word;    // looked for in the upper-cased text
  std::string_view prefix;  // written by the formatter
};

// Ctrl before Alt: the order people read and write them, not the order of the bits.
constexpr ModifierWord ModifierWords[] = {
    {ModifierCtrl, "CTRL", "Ctrl+"},
    {ModifierAlt, "ALT", "Alt+"},
    {ModifierShift, "SHIFT", "Shift+"},
    {ModifierWin, "WIN", "Win+"},
};

constexpr std::uint32_t FirstFunctionKey = 0x70;  // F1; Fn is 0x6F + n

// "F" then a decimal number as strtol would read it (leading blanks, a sign, digits up to the
// first non-digit), without strtol's locale and without overflow on long digit runs.
std::uint32_t FunctionKeyCode(std::string_view rest) {
  std::size_t i = 0;
  while (i < rest.size() && IsAsciiSpace(rest[i])) ++i;
  bool negative = false;
  if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) negative = rest[i++] == '-';
  std::uint32_t number = 0;
  for (; i < rest.size() && IsAsciiDigit(rest[i]); ++i) {
    number = number * 10 + static_cast<std::uint32_t>(rest[i] - '0');
    if (number > 12) return 0;
  }
  if (negative || number < 1) return 0;
  return FirstFunctionKey - 1 + number;
}

std::uint32_t KeyAfterLastPlus(std::string_view text) {
  std::size_t plus = text.rfind('+');
  if (plus == std::string_view::npos) return 0;
  std::string_view rest = text.substr(plus + 1);
  while (!rest.empty() && IsAsciiSpace(rest.front())) rest.remove_prefix(1);
  while (!rest.empty() && IsAsciiSpace(rest.back())) rest.remove_suffix(1);
  if (rest.empty()) return 0;
  // A lone F is the letter: one character is always a letter or a digit first.
  if (rest.size() == 1 && (IsAsciiLetter(rest[0]) || IsAsciiDigit(rest[0]))) {
    return static_cast<unsigned char>(ToAsciiUpper(rest[0]));
  }
  if (rest[0] == 'F' || rest[0] == 'f') return FunctionKeyCode(rest.substr(1));
  return 0;
}

}  // namespace

Shortcut ParseShortcut(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = ToAsciiUpper(c);

  Shortcut result;
  for (const ModifierWord& modifier : ModifierWords) {
    if (upper.find(modifier.word) != std::string::npos) result.modifiers |= modifier.bit;
  }
  result.key = KeyAfterLastPlus(text);
  if (result.key == 0) return DefaultShortcut;
  return result;
}

std::string FormatShortcut(std::uint32_t modifiers, std::uint32_t key) {
  std::string text;
  for (const ModifierWord& modifier : ModifierWords) {
    if ((modifiers & modifier.bit) != 0) text += modifier.prefix;
  }
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) {
    text += static_cast<char>(key);
  } else if (key >= FirstFunctionKey && key <= FirstFunctionKey + 11) {
    text += 'F';
    text += std::to_string(key - FirstFunctionKey + 1);
  }
  return text;
}

}  // namespace tarquel
