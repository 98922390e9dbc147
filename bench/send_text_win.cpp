// Types the UTF-8 text of a file into the focused window with one SendInput call, built exactly as
// tarquel builds an expansion, for bench/wine_measure.py: the rate a bare SendInput reaches with
// no expander running, next to which an expansion's rate is given.
//
//   tarquel_send_text.exe FILE
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/output/expansion_sender_win.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: tarquel_send_text FILE\n", stderr);
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  tarquel::SendKeyEvents(tarquel::BuildKeyEvents(0, false, text));
  return 0;
}
