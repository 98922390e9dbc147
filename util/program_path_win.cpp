#include "util/program_path_win.h"

#include <windows.h>

#include <string>

namespace tarquel {

std::filesystem::path ProgramFilePath() {
  // Wide characters, and a buffer that grows: a folder name outside the ANSI code page or a
  // path beyond MAX_PATH must still lead to the right files.
  std::wstring buffer(MAX_PATH, L'\0');
  while (buffer.size() <= 32768) {
    DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return std::filesystem::path(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::filesystem::path ProgramFolder() {
  return ProgramFilePath().parent_path();
}

}  // namespace tarquel
