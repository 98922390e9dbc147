// Heap held by a loaded trigger table with its matcher index, counted by replacing the global
// allocation functions, so it needs a binary of its own. Exits with 1 above the budget.
// Run: make bench   (or build/host/bench/tarquel_table_memory)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <new>
#include <string>

#include "bench/bench_tables.h"
#include "store/trigger_file.h"

namespace {

// Each block carries its size in front, so that a delete knows what it gives back.
constexpr std::size_t HeaderSize = alignof(std::max_align_t);

struct HeapCount {
  std::size_t bytes = 0;   // as requested by the program
  std::size_t chunks = 0;  // as glibc's malloc rounds them: 8 bytes overhead, 16-byte steps
  std::size_t blocks = 0;
};
HeapCount Live;

std::size_t ChunkOf(std::size_t size) {
  std::size_t chunk = (size + 8 + 15) & ~std::size_t{15};
  return chunk < 32 ? 32 : chunk;
}

void* Allocate(std::size_t size) {
  void* block = std::malloc(size + HeaderSize);
  if (block == nullptr) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  Live.bytes += size;
  Live.chunks += ChunkOf(size);
  ++Live.blocks;
  return static_cast<char*>(block) + HeaderSize;
}

void Release(void* pointer) noexcept {
  if (pointer == nullptr) return;
  void* block = static_cast<char*>(pointer) - HeaderSize;
  std::size_t size = *static_cast<std::size_t*>(block);
  Live.bytes -= size;
  Live.chunks -= ChunkOf(size);
  --Live.blocks;
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* pointer) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer) noexcept {
  Release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  Release(pointer);
}

namespace {

using namespace tarquel;

constexpr std::size_t BudgetBytes = 12'000'000;

HeapCount Since(const HeapCount& before) {
  return {Live.bytes - before.bytes, Live.chunks - before.chunks, Live.blocks - before.blocks};
}

void Print(const char* what, const HeapCount& held) {
  std::printf("  %-44s %10zu bytes (%6.2f MB)  %10zu with malloc rounding  %7zu blocks\n", what,
              held.bytes, static_cast<double>(held.bytes) / 1e6, held.chunks, held.blocks);
}

// Start-up's path: config.txt is read and parsed, and the table keeps what it holds then.
bool Measure(std::size_t count, bool checkBudget) {
  std::filesystem::path file =
      std::filesystem::temp_directory_path() / "tarquel-bench-memory-config.txt";
  if (!SaveTriggerTable(file, bench::MakeTable(count))) {
    std::printf("cannot write %s\n", file.string().c_str());
    return false;
  }

  std::printf("%zu triggers of 8 characters, expansions of %zu characters, loaded from a file:\n",
              count, bench::ExpansionLength);
  HeapCount before = Live;
  TriggerTable table = LoadTriggerTable(file);
  HeapCount withIndex = Since(before);

  before = Live;
  std::map<std::string, std::string, std::less<>> bare(table.begin(), table.end());
  HeapCount bareMap = Since(before);

  Print("table with its matcher index", withIndex);
  Print("the same entries in a bare std::map", bareMap);
  Print("so the index holds", {withIndex.bytes - bareMap.bytes, withIndex.chunks - bareMap.chunks,
                               withIndex.blocks - bareMap.blocks});
  std::filesystem::remove(file);

  if (!checkBudget) return true;
  bool within = withIndex.chunks <= BudgetBytes;
  std::printf("  budget %zu bytes: %s\n", BudgetBytes, within ? "within" : "EXCEEDED");
  return within;
}

}  // namespace

// A table with options: a save does not write them, so it is built in memory as a load builds
// it, entry by entry in table order.
bool MeasureMixed(std::size_t count) {
  std::printf("%zu triggers, a third ignoring case and a third word triggers, built in memory:\n",
              count);
  HeapCount before = Live;
  TriggerTable table = bench::MakeTable(count, true);
  HeapCount held = Since(before);
  Print("table with its indexes and options", held);
  bool within = held.chunks <= BudgetBytes;
  std::printf("  budget %zu bytes: %s\n", BudgetBytes, within ? "within" : "EXCEEDED");
  return within;
}

int main() {
  bool ok = Measure(28'000, true);
  ok = MeasureMixed(28'000) && ok;
  Measure(100'000, false);
  return ok ? 0 : 1;
}
