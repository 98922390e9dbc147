# The two commands of the README. Each installs what it needs from Debian's archive first.
.PHONY: run test deps build bench format release fuzz screenshots

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

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Portable zip and per-user installer in build/windows/.
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
