#include "ui/autostart_win.h"

#include <algorithm>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "ui/autostart.h"
#include "util/program_path_win.h"
#include "util/unique_handle.h"

namespace tarquel {
namespace {

struct RegistryKeyDeleter {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueRegistryKey = UniqueHandle<HKEY, RegistryKeyDeleter>;

UniqueRegistryKey OpenRunKey(REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, RunKeyPath, 0, access, &key) != ERROR_SUCCESS) return {};
  return UniqueRegistryKey(key);
}

// Quoted, because the system splits an unquoted value at its spaces: "C:\Program Files\..."
// would start C:\Program.exe if there were one, and otherwise nothing at all.
bool WriteRunValue(HKEY key) {
  std::wstring path = ProgramFilePath().native();
  if (path.empty()) return false;
  const std::wstring command = RunValueCommand(path);
  const auto bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
  return RegSetValueExW(key, RunValueName, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(command.c_str()), bytes) == ERROR_SUCCESS;
}

bool DeleteRunValue(HKEY key) {
  LSTATUS status = RegDeleteValueW(key, RunValueName);
  // Already absent is exactly what was asked for.
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// The value's text when it is a string; nothing for any other type or a failed read.
std::optional<std::wstring> ReadRunValue(HKEY key) {
  DWORD type = 0;
  DWORD bytes = 0;
  if (RegQueryValueExW(key, RunValueName, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  DWORD read = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, RunValueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                       &read) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  // The stored text need not end in a NUL, and may hold one before its end.
  const std::size_t length = std::min<std::size_t>(read / sizeof(wchar_t), buffer.size() - 1);
  return std::wstring(buffer.data(), wcsnlen(buffer.data(), length));
}

}  // namespace

void UpgradeRunValue() {
  UniqueRegistryKey key = OpenRunKey(KEY_QUERY_VALUE | KEY_SET_VALUE);
  if (!key) return;
  const std::optional<std::wstring> value = ReadRunValue(key.get());
  // A failure leaves the old value, which still starts the program, only with its window.
  if (value && IsOldRunValueOf(*value, ProgramFilePath().native())) WriteRunValue(key.get());
}

bool IsStartWithWindowsEnabled() {
  UniqueRegistryKey key = OpenRunKey(KEY_READ);
  if (!key) return false;
  // No buffer: only whether the value exists matters, so no length can make it read as off.
  return RegQueryValueExW(key.get(), RunValueName, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

void ApplyStartWithWindows(HWND startupCheck) {
  const bool wanted = SendMessageW(startupCheck, BM_GETCHECK, 0, 0) == BST_CHECKED;
  UniqueRegistryKey key = OpenRunKey(KEY_SET_VALUE);
  bool done = key && (wanted ? WriteRunValue(key.get()) : DeleteRunValue(key.get()));
  if (done) return;
  SendMessageW(startupCheck, BM_SETCHECK, IsStartWithWindowsEnabled() ? BST_CHECKED : BST_UNCHECKED,
               0);
  MessageBoxW(GetParent(startupCheck),
              wanted
                  ? L"Tarquel could not add itself to the programs that start with Windows."
                  : L"Tarquel could not remove itself from the programs that start with Windows.",
              L"Tarquel", MB_OK | MB_ICONWARNING);
}

}  // namespace tarquel
