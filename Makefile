# The two commands of the README. Each installs what it needs from Debian's archive first.
.PHONY: run test deps build bench bench-wine format release fuzz screenshots

run: deps
	scripts/run.sh

test: deps
	scripts/test.sh

deps:
	scripts/install-deps.sh

build: deps
	cmake --preset windows && cmake --build --preset windows

bench: deps
	cmake --preset host && cmake --build --preset host --target tarquel_bench tarquel_table_memory
	build/host/bench/tarquel_bench
	build/host/bench/tarquel_table_memory

# Figures under Wine (hook time per key-down, start-up next to notepad): bench/wine_measure.py
# The hook's figures come with those of version 1.0.0, built from this commit:
BASELINE_COMMIT ?= 9725908
bench-wine: deps
	cmake --preset windows -B build/bench-wine && cmake --build build/bench-wine -j2 --target tarquel tarquel_test e2e_window_probe e2e_slow_clipboard tarquel_send_text
	cmake --preset windows -B build/bench-wine-timing -DTARQUEL_HOOK_TIMING=ON -DTARQUEL_BUILD_TESTS=OFF && cmake --build build/bench-wine-timing -j2 --target tarquel
	# Version 1.0.0's timing build, from its commit, so that its hook figures come from the same run.
	rm -rf build/bench-wine-1.0-source && git worktree prune && git worktree add --detach build/bench-wine-1.0-source $(BASELINE_COMMIT)
	cmake -S build/bench-wine-1.0-source --preset windows -B build/bench-wine-1.0 -DTARQUEL_HOOK_TIMING=ON -DTARQUEL_BUILD_TESTS=OFF && cmake --build build/bench-wine-1.0 -j2 --target tarquel
	WINEPREFIX=$(CURDIR)/build/bench-wine/wineprefix bench/wine_measure.py --tarquel build/bench-wine/tarquel.exe \
	  --timing-tarquel build/bench-wine-timing/tarquel.exe --test-tarquel build/bench-wine/tarquel_test.exe \
	  --baseline-timing-tarquel build/bench-wine-1.0/tarquel.exe \
	  --probe build/bench-wine/tests/e2e/e2e_window_probe.exe --send-text build/bench-wine/bench/tarquel_send_text.exe \
	  $(if $(ONLY),--only $(ONLY)) $(if $(RUNS),--runs $(RUNS)) $(if $(BASELINE_TARQUEL),--baseline-tarquel $(BASELINE_TARQUEL))

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Portable zip and per-user installer in build/windows/, and their winget and Scoop manifests
# in build/windows/manifests/.
release: deps
	scripts/release.sh

# The fuzzers for longer than the test run: make fuzz FUZZ_SECONDS=600
FUZZ_SECONDS ?= 300
fuzz: deps
	cmake --preset fuzz -DTARQUEL_FUZZ_SECONDS=$(FUZZ_SECONDS) && cmake --build --preset fuzz
	ctest --preset fuzz -V | grep -E 'stat::number_of_executed_units|Test #|ERROR'

# The user guide's pictures, docs/images/*.png, taken under Wine by the end-to-end harness.
screenshots: deps
	scripts/screenshots.py
