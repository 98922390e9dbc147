// Importing large files from other expanders: 30,000 espanso matches and 30,000 AutoHotkey
// hotstrings, each with the options and placeholders real files use, from bytes to the
// ImportResult (the plan and the table's change are the same for every source).
#include <benchmark/benchmark.h>

#include <string>

#include "store/import.h"
#include "store/import_plan.h"

namespace {

constexpr int Snippets = 30'000;

std::string EspansoFile() {
  std::string yaml =
      "global_vars:\n  - name: today\n    type: date\n    params:\n"
      "      format: \"%Y-%m-%d\"\nmatches:\n";
  for (int i = 0; i < Snippets; ++i) {
    const std::string n = std::to_string(i);
    yaml += "  - trigger: \":s" + n + "\"\n";
    switch (i % 4) {
      case 0:
        yaml += "    replace: \"Expansion number " + n + " with some text\"\n";
        break;
      case 1:
        yaml += "    replace: \"Dated {{today}}, cursor $|$ here\"\n    word: true\n";
        break;
      case 2:
        yaml += "    replace: |\n      First line " + n +
                "\n      Second line\n"
                "    propagate_case: true\n";
        break;
      default:
        yaml +=
            "    replace: \"{{clip}} pasted\"\n    vars:\n      - name: clip\n"
            "        type: clipboard\n";
        break;
    }
  }
  return yaml;
}

std::string AutoHotkeyFile() {
  std::string script = "#Hotstring EndChars -()[]{}:;'\"/\\,.?!`n `t\n";
  for (int i = 0; i < Snippets; ++i) {
    const std::string n = std::to_string(i);
    switch (i % 4) {
      case 0:
        script += "::s" + n + "::Expansion number " + n + " with some text\n";
        break;
      case 1:
        script += ":*?C1:s" + n + "::Dear Sir{Enter}{Tab}Regards`n ; comment\n";
        break;
      case 2:
        script += ":R:s" + n + "::\n(\nFirst line " + n + "\nSecond line\n)\n";
        break;
      default:
        script += "#IfWinActive ahk_exe app" + std::to_string(i % 7) + ".exe\n:o:s" + n +
                  "::scoped {Left 3}\n#IfWinActive\n";
        break;
    }
  }
  return script;
}

void BM_ImportEspanso30000(benchmark::State& state) {
  const std::string yaml = EspansoFile();
  for (auto _ : state) {
    tarquel::ImportResult result = tarquel::ImportFiles({{"base.yml", yaml}});
    if (result.entries.size() != Snippets) state.SkipWithError("not every match was imported");
    benchmark::DoNotOptimize(result);
  }
  state.counters["bytes"] = static_cast<double>(yaml.size());
}
BENCHMARK(BM_ImportEspanso30000)->Unit(benchmark::kMillisecond);

void BM_ImportAutoHotkey30000(benchmark::State& state) {
  const std::string script = AutoHotkeyFile();
  for (auto _ : state) {
    tarquel::ImportResult result = tarquel::ImportFiles({{"hotstrings.ahk", script}});
    if (result.entries.size() != Snippets) state.SkipWithError("not every hotstring was imported");
    benchmark::DoNotOptimize(result);
  }
  state.counters["bytes"] = static_cast<double>(script.size());
}
BENCHMARK(BM_ImportAutoHotkey30000)->Unit(benchmark::kMillisecond);

// What follows the read: the plan against a table of 30,000 other entries and a few hundred of
// the same triggers, and the new table made from it.
void BM_PlanAndApplyAutoHotkey30000(benchmark::State& state) {
  const tarquel::ImportResult result = tarquel::ImportFiles({{"hotstrings.ahk", AutoHotkeyFile()}});
  tarquel::TriggerTable table;
  for (int i = 0; i < Snippets; ++i) table.Set(":other" + std::to_string(i), "other text");
  for (int i = 0; i < Snippets; i += 100) table.Set("s" + std::to_string(i), "mine");
  for (auto _ : state) {
    tarquel::ImportPlan plan = tarquel::PlanImport(table, result);
    plan.ChooseForAll(tarquel::ConflictChoice::KeepBoth);
    tarquel::TriggerTable next = tarquel::ApplyImport(table, plan);
    if (next.size() != table.size() + Snippets) state.SkipWithError("entries went missing");
    benchmark::DoNotOptimize(next);
  }
}
BENCHMARK(BM_PlanAndApplyAutoHotkey30000)->Unit(benchmark::kMillisecond);

}  // namespace
