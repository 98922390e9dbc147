#include "ui/autostart.h"

#include <algorithm>

namespace tarquel {

namespace {

wchar_t AsciiLower(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SameFileName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

std::wstring RunValueCommand(std::wstring_view programPath) {
  std::wstring command = L"\"";
  command += programPath;
  command += L"\" ";
  command += LogonArgument;
  return command;
}

bool IsLogonStart(const std::vector<std::wstring>& arguments) {
  return std::find(arguments.begin() + std::min<std::size_t>(arguments.size(), 1), arguments.end(),
                   LogonArgument) != arguments.end();
}

std::optional<std::uint32_t> TakeOverProcessId(const std::vector<std::wstring>& arguments) {
  for (std::size_t i = 1; i + 1 < arguments.size(); ++i) {
    if (arguments[i] != TakeOverArgument) continue;
    const std::wstring& digits = arguments[i + 1];
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    std::uint64_t id = 0;
    for (wchar_t c : digits) {
      if (c < L'0' || c > L'9') return std::nullopt;
      id = id * 10 + static_cast<std::uint64_t>(c - L'0');
    }
    if (id == 0 || id > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(id);
  }
  return std::nullopt;
}

bool IsOldRunValueOf(std::wstring_view value, std::wstring_view programPath) {
  if (programPath.empty()) return false;
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') {
    value = value.substr(1, value.size() - 2);
  }
  return SameFileName(value, programPath);
}

}  // namespace tarquel
