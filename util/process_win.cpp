#include "util/process_win.h"

#include <iterator>
#include <string_view>
#include <vector>

namespace tarquel {

std::string ExecutableNameOf(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return {};
  wchar_t path[MAX_PATH * 4];
  DWORD length = static_cast<DWORD>(std::size(path));
  const bool found = QueryFullProcessImageNameW(process, 0, path, &length) != 0;
  CloseHandle(process);
  if (!found) return {};
  std::wstring_view full(path, length);
  std::wstring_view name = full.substr(full.find_last_of(L"\\/") + 1);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), utf8.data(), bytes,
                        nullptr, nullptr);
  }
  return utf8;
}

std::string WindowClassOf(HWND window) {
  wchar_t name[256];
  const int length =
      window != nullptr ? GetClassNameW(window, name, static_cast<int>(std::size(name))) : 0;
  if (length <= 0) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, name, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, name, length, utf8.data(), bytes, nullptr, nullptr);
  return utf8;
}

std::optional<std::uint32_t> IntegrityLevelOfToken(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size == 0) return std::nullopt;
  // Aligned for the structure it holds.
  std::vector<std::uint64_t> buffer((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) {
    return std::nullopt;
  }
  const auto* label = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data());
  PSID sid = label->Label.Sid;
  if (sid == nullptr || !IsValidSid(sid)) return std::nullopt;
  const UCHAR count = *GetSidSubAuthorityCount(sid);
  if (count == 0) return std::nullopt;
  return static_cast<std::uint32_t>(*GetSidSubAuthority(sid, count - 1U));
}

std::optional<std::uint32_t> IntegrityLevelOf(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return std::nullopt;
  HANDLE token = nullptr;
  const bool opened = OpenProcessToken(process, TOKEN_QUERY, &token) != 0;
  CloseHandle(process);
  if (!opened) return std::nullopt;
  std::optional<std::uint32_t> level = IntegrityLevelOfToken(token);
  CloseHandle(token);
  return level;
}

}  // namespace tarquel
