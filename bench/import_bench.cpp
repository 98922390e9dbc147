// Importing large files from other expanders: 30,000 espanso matches and 30,000 AutoHotkey
// hotstrings, each with the options and placeholders real files use, from bytes to the
// ImportResult (the plan and the table's change are the same for every source).
#include <benchmark/benchmark.h>

#include <string>

#include "store/import.h"

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

}  // namespace
