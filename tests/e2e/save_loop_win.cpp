// Saves two trigger tables into a folder's config.txt, one after the other, until it is killed:
// the end-to-end test kills it at random moments and looks at what the file holds.
//   e2e_save_loop FOLDER loop      saves A, B, A, B, ... into FOLDER\config.txt
//   e2e_save_loop FOLDER expected  writes A to FOLDER\a.txt and B to FOLDER\b.txt, then ends
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "store/trigger_file.h"

namespace {

// Large enough that a save takes a while, so that kills land inside one; the two tables differ
// in length and in every line, so a mix or a truncation of them matches neither.
tarquel::TriggerTable MakeTable(char tag, int entries, std::size_t expansionLength) {
  tarquel::TriggerTable table;
  for (int i = 0; i < entries; ++i) {
    std::string trigger = std::string(":") + tag + std::to_string(i);
    table.Set(trigger, std::string(expansionLength, static_cast<char>('a' + i % 26)) + tag);
  }
  return table;
}

bool Save(const std::filesystem::path& file, const tarquel::TriggerTable& table) {
  tarquel::SaveResult result = tarquel::SaveTriggerTable(file, table);
  // The saver killed a moment ago may still hold the file while the system ends it: a busy
  // file is tried again, as the program does.
  for (int tries = 0; !result.ok && result.busy && tries < 50; ++tries) {
    Sleep(100);
    result = tarquel::SaveTriggerTable(file, table);
  }
  if (!result.ok) std::fprintf(stderr, "save failed: %s\n", result.error.c_str());
  return result.ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: e2e_save_loop FOLDER loop|expected\n", stderr);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const std::string mode = argv[2];
  const tarquel::TriggerTable a = MakeTable('A', 2000, 100);
  const tarquel::TriggerTable b = MakeTable('B', 3000, 120);
  if (mode == "expected") return Save(folder / "a.txt", a) && Save(folder / "b.txt", b) ? 0 : 1;
  if (mode != "loop") return 2;
  for (;;) {
    if (!Save(folder / tarquel::TriggerFileName, a)) return 1;
    if (!Save(folder / tarquel::TriggerFileName, b)) return 1;
  }
}
