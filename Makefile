# The two commands that do everything: `make run` and `make test`.
JOBS ?= 2
MAKEFLAGS += --no-print-directory
SIM := build/bin/vorn-sim

FUZZER := build/fuzz/tests/fuzz/vorn-fuzz
FUZZ_CORPUS := build/fuzz/corpus
# Every earlier finding, the feedback seeds, and every scenario and example as they stand.
FUZZ_SEEDS := tests/fuzz/regressions tests/fuzz/seeds tests/scenarios examples

.PHONY: all release debug debug-clang run test deps native-deps windows bench clean fuzz-build fuzz fuzz-regressions valgrind

all: release

release:
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

debug:
	cmake --preset debug >/dev/null
	cmake --build --preset debug -j $(JOBS)

debug-clang:
	cmake --preset debug-clang >/dev/null
	cmake --build --preset debug-clang -j $(JOBS)

run: native-deps release
	$(SIM) examples/dome.vorn

deps:
	tools/install-deps.sh

native-deps:
	tools/install-deps.sh --native-only

test: deps debug debug-clang release
	ctest --preset debug -j $(JOBS)
	ctest --preset debug-clang -j $(JOBS)
	$(MAKE) fuzz-regressions
	$(MAKE) fuzz SECONDS=180
	$(MAKE) valgrind
	$(MAKE) windows
	ctest --preset windows -j $(JOBS)

# Vorn.mxe64 and Vorn.mxe with the stand-in MaxAPI.dll and vorn-sim.exe, at build/windows/x64
# and build/windows/x86.
windows: deps
	cmake --preset windows-x64 >/dev/null
	cmake --build --preset windows-x64 -j $(JOBS)
	cmake --preset windows-x86 >/dev/null
	cmake --build --preset windows-x86 -j $(JOBS)

fuzz-build: native-deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

# Each input once, no fuzzing: a finding that comes back fails here.
fuzz-regressions: fuzz-build
	$(FUZZER) -runs=0 $(FUZZ_SEEDS)

# `make fuzz SECONDS=N` hunts for N seconds, `make fuzz` until stopped. A finding is written
# to build/fuzz/crash-*; once mended, it goes to tests/fuzz/regressions/.
fuzz: fuzz-build
	mkdir -p $(FUZZ_CORPUS)
	$(FUZZER) $(FUZZ_CORPUS) $(FUZZ_SEEDS) $(if $(SECONDS),-max_total_time=$(SECONDS)) \
	  -rss_limit_mb=4096 -artifact_prefix=build/fuzz/ -print_final_stats=1

# Memcheck over every example through the release vorn-sim: no invalid access, no leak.
valgrind: release
	for script in examples/*.vorn; do \
	  valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
	    $(SIM) $$script >/dev/null || exit 1; \
	done
	@echo "valgrind: every example ran clean"

bench: release
	build/bin/vorn-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	build/bin/vorn-scale-bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

clean:
	rm -rf build dist
