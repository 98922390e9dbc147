// Cost of one key through the engine, of an edit and of the trigger file operations, by table
// size; each next to the plain walk over the table that the matcher index replaced, in the same
// run. Run: make bench   (or build/host/bench/tarquel_bench after `cmake --build --preset host`)
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_tables.h"
#include "bench/version10_expander.h"
#include "engine/match/expander.h"
#include "store/trigger_file.h"
#include "tests/support/reference_expander.h"

namespace tarquel {
namespace {

using bench::MakeTable;

class NullOutput final : public ExpanderOutput {
 public:
  void SendExpansion(const ExpansionRequest&) override {}
  void WriteDiagnostic(std::string_view) override {}
};

// The characters of a US keyboard's letter, digit and ';' keys, looked up as cheaply as a table
// can: the engine's own cost is measured, not a fake layout's.
class BenchLayout final : public KeyboardLayout {
 public:
  KeyText Translate(const KeyStroke& stroke) override {
    const std::uint32_t key = stroke.virtualKey;
    const bool shift = stroke.modifiers.Shift();
    char c = 0;
    if (key >= 'A' && key <= 'Z') {
      c = static_cast<char>(shift ? key : key - 'A' + 'a');
    } else if (key >= '0' && key <= '9') {
      c = static_cast<char>(key);
    } else if (key == 0xBA) {
      c = shift ? ':' : ';';
    } else if (key == 0x20) {
      c = ' ';
    }
    if (c == 0) return {};
    return {KeyText::Kind::Characters, std::string_view(&c, 1)};
  }
};

// The engine as built: each key a press and a release through the layout, matching through the
// table's index.
class Indexed {
 public:
  explicit Indexed(const TriggerTable& table) : expander_(table, output_, layout_) {}
  bool Key(std::uint32_t key, bool shift) {
    if (shift) expander_.OnKeyEvent(vk::LeftShift, 0, false, false);
    const bool swallowed = expander_.OnKeyEvent(key, 0, false, false);
    expander_.OnKeyEvent(key, 0, false, true);
    if (shift) expander_.OnKeyEvent(vk::LeftShift, 0, false, true);
    return swallowed;
  }

 private:
  NullOutput output_;
  BenchLayout layout_;
  Expander expander_;
};

class NullOutput10 final : public version10::ExpanderOutput {
 public:
  void SendExpansion(std::size_t, std::string_view) override {}
  void WriteDiagnostic(std::string_view) override {}
};

// Version 1.0's engine beside the one built: a fixed US key map, one byte per character,
// key-downs only, the same table and index.
class Version10 {
 public:
  explicit Version10(const TriggerTable& table) : expander_(table, output_) {}
  bool Key(std::uint32_t key, bool shift) { return expander_.OnKeyDown(key, shift); }

 private:
  NullOutput10 output_;
  version10::Expander expander_;
};

// The same keys matched by walking the whole table, as first designed.
class Walk {
 public:
  explicit Walk(const TriggerTable& table) : reference_(table), layout_() {}
  bool Key(std::uint32_t key, bool shift) {
    KeyStroke stroke{key, 0, false, {}};
    stroke.modifiers.leftShift = shift;
    KeyText text = layout_.Translate(stroke);
    if (text.kind() == KeyText::Kind::Nothing) return false;
    return reference_.Typed(text.text()).swallowed;
  }

 private:
  testing::ReferenceExpander reference_;
  BenchLayout layout_;
};

// The key of a character of [a-z0-9], as the benchmark tables use them.
std::uint32_t KeyOf(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<std::uint32_t>(c - 'a' + 'A')
                              : static_cast<std::uint32_t>(c);
}

void ReportPerKey(benchmark::State& state, std::size_t keysPerIteration, std::size_t triggers) {
  state.counters["per_key"] = benchmark::Counter(
      static_cast<double>(keysPerIteration),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(std::to_string(triggers) + " triggers");
}

// Every trigger begins with ':', so a buffer full of 'k' ends none of them: the miss path that
// nearly every key takes, with the buffer full.
template <typename Engine, bool Mixed = false>
void BM_OnKeyDownMiss(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)), Mixed);
  Engine engine(table);
  for (std::size_t i = 0; i < TypedBufferLimit; ++i) engine.Key('K', false);
  for (auto _ : state) benchmark::DoNotOptimize(engine.Key('K', false));
  ReportPerKey(state, 1, table.size());
}
BENCHMARK_TEMPLATE(BM_OnKeyDownMiss, Indexed)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);
// The same with options: a third of the entries ignore case, a third are word triggers.
BENCHMARK_TEMPLATE(BM_OnKeyDownMiss, Indexed, true)->Arg(100000);
BENCHMARK_TEMPLATE(BM_OnKeyDownMiss, Version10)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_OnKeyDownMiss, Walk)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);

// The costliest miss for the index: the buffer ends with all of a trigger but its ':', so the
// walk follows that trigger to its last step. Types "x" and those characters, over and over.
template <typename Engine, bool Mixed = false>
void BM_OnKeyDownNearMiss(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)), Mixed);
  std::string nearly = "x" + std::prev(table.end())->first.substr(1);
  std::vector<std::uint32_t> keys;
  for (char c : nearly) keys.push_back(KeyOf(c));
  Engine engine(table);
  for (std::size_t i = 0; i < TypedBufferLimit; ++i) engine.Key('K', false);
  for (auto _ : state) {
    for (std::uint32_t key : keys) benchmark::DoNotOptimize(engine.Key(key, false));
  }
  ReportPerKey(state, keys.size(), table.size());
}
BENCHMARK_TEMPLATE(BM_OnKeyDownNearMiss, Indexed)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);
// The same with options: a third of the entries ignore case, a third are word triggers.
BENCHMARK_TEMPLATE(BM_OnKeyDownNearMiss, Indexed, true)->Arg(100000);
BENCHMARK_TEMPLATE(BM_OnKeyDownNearMiss, Version10)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_OnKeyDownNearMiss, Walk)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);

// ":demo" typed after a full buffer: four misses, then the match that clears the buffer.
template <typename Engine, bool Mixed = false>
void BM_OnKeyDownMatch(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)), Mixed);
  Engine engine(table);
  for (std::size_t i = 0; i < TypedBufferLimit; ++i) engine.Key('K', false);
  for (auto _ : state) {
    engine.Key(0xBA, true);
    engine.Key('D', false);
    engine.Key('E', false);
    engine.Key('M', false);
    benchmark::DoNotOptimize(engine.Key('O', false));
  }
  ReportPerKey(state, 5, table.size());
}
BENCHMARK_TEMPLATE(BM_OnKeyDownMatch, Indexed)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);
// The same with options: a third of the entries ignore case, a third are word triggers.
BENCHMARK_TEMPLATE(BM_OnKeyDownMatch, Indexed, true)->Arg(100000);
BENCHMARK_TEMPLATE(BM_OnKeyDownMatch, Version10)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);
BENCHMARK_TEMPLATE(BM_OnKeyDownMatch, Walk)->Arg(2)->Arg(100)->Arg(5000)->Arg(100000);

// Matches of entries with options in the mixed table: one that ignores case typed in capitals
// (it fires on its last key), then a word trigger between spaces (it fires on the second).
void BM_OnKeyDownMatchWithOptions(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)), true);
  std::string ignoring;
  std::string word;
  for (const auto& [trigger, expansion] : table) {
    if (table.OptionsOf(trigger).caseRule == CaseRule::Ignore && ignoring.empty())
      ignoring = trigger;
    if (table.OptionsOf(trigger).where == FireWhere::WordStart && word.empty()) word = trigger;
  }
  struct Key {
    std::uint32_t key;
    bool shift;
  };
  std::vector<Key> keys;
  for (char c : ignoring) keys.push_back(c == ':' ? Key{0xBA, true} : Key{KeyOf(c), true});
  keys.push_back({0x20, false});
  for (char c : word) keys.push_back(c == ':' ? Key{0xBA, true} : Key{KeyOf(c), false});
  keys.push_back({0x20, false});
  Indexed engine(table);
  for (std::size_t i = 0; i < TypedBufferLimit; ++i) engine.Key('K', false);
  std::size_t matches = 0;
  for (auto _ : state) {
    for (const Key& key : keys) matches += engine.Key(key.key, key.shift) ? 1 : 0;
  }
  if (matches != 2 * static_cast<std::size_t>(state.iterations())) {
    state.SkipWithError("the triggers did not fire");
  }
  ReportPerKey(state, keys.size(), table.size());
}
BENCHMARK(BM_OnKeyDownMatchWithOptions)->Arg(100000);

// Triggers the table does not hold (they begin with ';'), to add and take away again.
std::vector<std::string> NewTriggers(std::size_t count) {
  std::mt19937 random(7);
  std::vector<std::string> triggers;
  for (std::size_t i = 0; i < count; ++i) {
    std::string trigger = ";";
    for (int c = 0; c < 7; ++c) trigger += static_cast<char>('a' + random() % 26);
    triggers.push_back(trigger);
  }
  return triggers;
}

// One iteration is two edits: insert a new trigger, then erase it, as "ADD" and "DELETE" do
// (without the file write, measured on its own below).
void BM_EditInsertThenErase(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
  std::vector<std::string> triggers = NewTriggers(1024);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& trigger = triggers[i++ % triggers.size()];
    table.Set(trigger, std::string(bench::ExpansionLength, 'y'));
    benchmark::DoNotOptimize(table.Erase(trigger));
  }
  state.SetLabel(std::to_string(table.size()) + " triggers, 2 edits per iteration");
}
BENCHMARK(BM_EditInsertThenErase)->Arg(100000);

// The same edits on the bare ordered map the walk needs: what the index adds to an edit.
void BM_EditInsertThenEraseWalk(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
  std::map<std::string, std::string, std::less<>> entries(table.begin(), table.end());
  std::vector<std::string> triggers = NewTriggers(1024);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& trigger = triggers[i++ % triggers.size()];
    entries.insert_or_assign(trigger, std::string(bench::ExpansionLength, 'y'));
    benchmark::DoNotOptimize(entries.erase(trigger));
  }
  state.SetLabel(std::to_string(entries.size()) + " triggers, 2 edits per iteration");
}
BENCHMARK(BM_EditInsertThenEraseWalk)->Arg(100000);

std::filesystem::path BenchFile() {
  return std::filesystem::temp_directory_path() / "tarquel-bench-config.txt";
}

// Includes flushing the file to the disk before it replaces the old one.
void BM_SaveTriggerTable(benchmark::State& state) {
  TriggerTable table = MakeTable(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    if (!SaveTriggerTable(BenchFile(), table)) state.SkipWithError("save failed");
  }
  state.SetLabel(std::to_string(table.size()) + " lines");
}
BENCHMARK(BM_SaveTriggerTable)->Arg(100000)->Unit(benchmark::kMillisecond);

// Includes building the matcher index.
void BM_LoadTriggerTable(benchmark::State& state) {
  if (!SaveTriggerTable(BenchFile(), MakeTable(static_cast<std::size_t>(state.range(0))))) {
    state.SkipWithError("save failed");
    return;
  }
  std::size_t lines = 0;
  for (auto _ : state) {
    TriggerTable table = LoadTriggerTable(BenchFile());
    lines = table.size();
    benchmark::DoNotOptimize(lines);
    // Start-up loads once and keeps the table: freeing it is no part of loading.
    state.PauseTiming();
    { TriggerTable gone = std::move(table); }
    state.ResumeTiming();
  }
  state.SetLabel(std::to_string(lines) + " lines");
}
BENCHMARK(BM_LoadTriggerTable)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarquel

BENCHMARK_MAIN();
