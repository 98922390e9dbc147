// Cost of one key through the engine and of the trigger file operations, by table size.
// Run: make bench   (or build/host/bench/tarquel_bench after `cmake --build --preset host`)
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include "engine/expander.h"
#include "engine/trigger_file.h"

namespace tarquel {
namespace {

class NullOutput final : public ExpanderOutput {
 public:
  void SendExpansion(std::size_t, std::string_view) override {}
  void WriteDiagnostic(std::string_view) override {}
};

// `count` triggers of 8 characters from the keyboard's character set, plus ":demo".
TriggerTable MakeTable(std::size_t count) {
  std::mt19937 random(42);
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  TriggerTable table;
  AddDefaultTriggers(table);
  while (table.size() < count) {
    std::string trigger = ":";
    for (int i = 0; i < 7; ++i) trigger += alphabet[random() % alphabet.size()];
    table.Set(trigger, std::string(40, 'x'));
  }
  return table;
}

// Every trigger begins with ':', so a buffer full of 'k' ends none of them: the miss path.
void BM_OnKeyDownMiss(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
  NullOutput output;
  Expander expander(table, output);
  for (std::size_t i = 0; i < TypedBufferLimit; ++i) expander.OnKeyDown('K', false);
  for (auto _ : state) {
    benchmark::DoNotOptimize(expander.OnKeyDown('K', false));
  }
  state.SetLabel(std::to_string(table.size()) + " triggers");
}
BENCHMARK(BM_OnKeyDownMiss)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);

void BM_OnKeyDownMatch(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
  NullOutput output;
  Expander expander(table, output);
  for (std::size_t i = 0; i < TypedBufferLimit; ++i) expander.OnKeyDown('K', false);
  for (auto _ : state) {
    // ":demo": the last key matches and clears the buffer.
    expander.OnKeyDown(0xBA, true);
    expander.OnKeyDown('D', false);
    expander.OnKeyDown('E', false);
    expander.OnKeyDown('M', false);
    benchmark::DoNotOptimize(expander.OnKeyDown('O', false));
  }
  state.SetLabel("5 keys, last one matches");
}
BENCHMARK(BM_OnKeyDownMatch)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() / "tarquel-bench-config.txt";
}

void BM_SaveTriggerTable(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    if (!SaveTriggerTable(BenchFile(), table)) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_SaveTriggerTable)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_LoadTriggerTable(benchmark::State& state) {
  if (!SaveTriggerTable(BenchFile(), MakeTable(static_cast<std::size_t>(state.range(0))))) {
    state.SkipWithError("save failed");
    return;
  }
  for (auto _ : state) {
    TriggerTable table = LoadTriggerTable(BenchFile());
    benchmark::DoNotOptimize(table.size());
  }
}
BENCHMARK(BM_LoadTriggerTable)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarquel

BENCHMARK_MAIN();
