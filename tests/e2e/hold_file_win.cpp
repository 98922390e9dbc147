// Holds a file open with no sharing, as a sync client or an editor saving it may: nobody else
// can open it meanwhile, for reading or writing, and replacing it is refused.
//   e2e_hold_file FILE RELEASE [LINE]
//     opens FILE (which must exist) with no sharing, appends LINE and CR LF when given (the other
//     program's own change), prints "held", and keeps the file until a file RELEASE exists (or
//     60 s have passed); then closes it and prints "released". Exit 1 when FILE cannot be opened.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HANDLE file = INVALID_HANDLE_VALUE;
  // Tarquel may be reading it just now: a moment's sharing violation is waited out.
  for (int attempt = 0; attempt < 200 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE) return 1;
  if (argc > 3) {
    std::string line = argv[3];
    line += "\r\n";
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    FlushFileBuffers(file);
  }
  std::printf("held\n");
  std::fflush(stdout);
  for (int waited = 0; waited < 60000; waited += 20) {
    if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(20);
  }
  CloseHandle(file);
  std::printf("released\n");
  std::fflush(stdout);
  return 0;
}
