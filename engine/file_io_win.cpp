// Windows flavour of the file helpers: wide-character paths, so a folder with any name works.
#include <windows.h>

#include <fstream>
#include <iterator>

#include "engine/file_io.h"

namespace tarquel {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

namespace {

std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "error " + std::to_string(error);
  return message;
}

SaveResult Fail(const char* what, DWORD error) {
  return SaveResult::Failure(std::string(what) + ": " + SystemMessage(error));
}

}  // namespace

SaveResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::path temp = path;
  temp += L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail("cannot create temporary file", GetLastError());

  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
      DWORD error = GetLastError();
      CloseHandle(file);
      DeleteFileW(temp.c_str());
      return Fail("cannot write", error);
    }
    data += written;
    left -= written;
  }
  if (!FlushFileBuffers(file)) {
    DWORD error = GetLastError();
    CloseHandle(file);
    DeleteFileW(temp.c_str());
    return Fail("cannot flush", error);
  }
  CloseHandle(file);
  if (!MoveFileExW(temp.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    return Fail("cannot replace the file", error);
  }
  return {};
}

}  // namespace tarquel
