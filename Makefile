# The two commands that do everything: `make run` and `make test`.
JOBS ?= 2
MAKEFLAGS += --no-print-directory
SIM := build/bin/vorn-sim

FUZZER := build/fuzz/tests/fuzz/vorn-fuzz
FUZZ_CORPUS := build/fuzz/corpus
# Every earlier finding, the feedback seeds, and every scenario and example as they stand.
FUZZ_SEEDS := tests/fuzz/regressions tests/fuzz/seeds tests/scenarios examples
# vorn-layout's file reader: its findings, its seeds (a first byte of options, then the file).
LAYOUT_FUZZER := build/fuzz/tests/fuzz/vorn-layout-fuzz
LAYOUT_FUZZ_CORPUS := build/fuzz/layout-corpus
LAYOUT_FUZZ_SEEDS := tests/fuzz/layout_regressions tests/fuzz/layout_seeds

.PHONY: all release debug debug-clang run test test-debug test-debug-clang fuzz-both tsan \
	test-windows test-pd test-pd-emulated test-dist deps native-deps windows pd install-pd deken downloads macos macos-pd \
	pd-windows pd-arm64 pd-armv7 sim-arm64 cross-deps test-platforms test-editor editor-deps help help-picture docs dist \
	bench bench-pd bench-rig clean fuzz-build fuzz fuzz-regressions fuzz-layout fuzz-run fuzz-layout-run valgrind

all: release

release: native-deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

debug:
	cmake --preset debug >/dev/null
	cmake --build --preset debug -j $(JOBS)

debug-clang:
	cmake --preset debug-clang >/dev/null
	cmake --build --preset debug-clang -j $(JOBS)

# vorn-sim alone (preset run): a compiler and CMake, no benchmark, test or JSON library.
run:
	scripts/install-deps.sh run
	cmake --preset run >/dev/null
	cmake --build --preset run -j $(JOBS)
	"$(SIM)" examples/dome.vorn

deps:
	scripts/install-deps.sh

native-deps:
	scripts/install-deps.sh native

# Each stage a target of its own, timed: the table at the end shows where the time goes.
TEST_STAGES := deps debug debug-clang release test-debug test-debug-clang fuzz-regressions \
  fuzz-both valgrind tsan windows test-windows pd test-pd macos pd-arm64 pd-armv7 \
  test-pd-emulated sim-arm64 test-platforms test-editor test-dist

test:
	scripts/run_stages.sh $(TEST_STAGES)

test-debug: debug
	ctest --preset debug -j $(JOBS)

test-debug-clang: debug-clang
	ctest --preset debug-clang -j $(JOBS)

tsan:
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target vorn_thread_tests
	ctest --preset tsan

test-windows: windows
	ctest --preset windows -j $(JOBS)

test-pd: pd
	cmake --build --preset pd -j $(JOBS)
	ctest --preset pd -j $(JOBS)

# The release's files, made and checked as a user downloads them, and the Max package.
test-dist: downloads
	tests/docs/check_package.py dist

# Vorn.mxe64 and Vorn.mxe with the stand-in MaxAPI.dll and vorn-sim.exe, at build/windows/x64
# and build/windows/x86; on a kernel that cannot run 32-bit programs, wine's loaders with
# qemu-i386 for the 32-bit half at build/wine32.
windows:
	scripts/install-deps.sh windows
	scripts/wine32-emulator.sh build/wine32
	cmake --preset windows-x64 >/dev/null
	cmake --build --preset windows-x64 -j $(JOBS)
	cmake --preset windows-x86 >/dev/null
	cmake --build --preset windows-x86 -j $(JOBS)

# The help patches, the reference page, package-info.json and every example as a Max and a
# Pd patch, made from the interface table into build/help/.
help: release
	build/bin/vorn-docs build/help
	for script in examples/*.vorn; do \
	  name=$$(basename "$$script" .vorn); \
	  build/bin/vorn-docs --example "$$script" "build/help/Vorn-$$name.maxpat" && \
	  build/bin/vorn-docs --example "$$script" "build/help/Vorn-$$name.pd" || exit 1; \
	done

# docs/pd-help.png: the Pd help as Pd's own GUI draws it, on a virtual display.
help-picture: help pd
	scripts/install-deps.sh picture
	scripts/pd_help_picture.sh build/help/Vorn-help.pd build/pd docs/pd-help.png

# After a change of the interface table or of the picture: the README's table of messages,
# docs/dome.svg and docs/dome.png, the front pair with and without the gap filled, and the
# level plot docs/spread-level.svg. Commit what changes.
docs: deps release
	build/bin/vorn-docs --readme README.md
	"$(SIM)" --svg docs/dome.svg examples/dome.vorn >/dev/null
	scripts/render_svg.py docs/dome.svg docs/dome.png
	for picture in front-pair-plain front-pair-filled; do \
	  "$(SIM)" --svg "docs/$$picture.svg" "examples/$$picture.vorn" >/dev/null && \
	  scripts/render_svg.py "docs/$$picture.svg" "docs/$$picture.png" || exit 1; \
	done
	scripts/level_plot.py "$(SIM)" examples/dome.vorn docs/spread-level.svg

# The Max package dist/Vorn/ and its zip dist/Vorn.zip.
dist: help windows macos
	scripts/install-deps.sh packaging
	scripts/make_dist.sh

# The Pd external build/pd/Vorn.pd_linux and its help patch, with a compiler and Pd's header
# alone; `make test-pd` builds the test object that runs scenarios in Pd, and runs them.
pd:
	scripts/install-deps.sh pd
	cmake --preset pd >/dev/null
	cmake --build --preset pd-only -j $(JOBS)

# Pd's external for 64-bit Windows alone, build/windows/x64/Vorn.m_amd64 (`make windows`
# builds it with the rest).
pd-windows:
	scripts/install-deps.sh pd-windows
	cmake --preset windows-x64 >/dev/null
	cmake --build --preset pd-windows -j $(JOBS)

# Into ~/.local/lib/pd/extra/Vorn/, where Pd looks with no preference set; PD_EXTERNALS=DIR
# installs into DIR/Vorn/ instead.
# Every path is quoted, so that a folder with a space in its name stays one folder.
PD_EXTERNALS ?=
PD_BUILD := build/pd
install-pd: pd
	scripts/install_pd.sh "$(PD_BUILD)" $(if $(PD_EXTERNALS),"$(PD_EXTERNALS)")

# Pd's package-manager (deken) package dist/Vorn[vVERSION](PLATFORM)...dek. Another platform's
# external joins with `DEKEN_EXTERNALS += TAG=FILE` and its build as a prerequisite of deken.
PD_LINUX_CPU := $(shell uname -m | sed 's/^x86_64$$/amd64/; s/^aarch64$$/arm64/; s/^i[3-6]86$$/i386/')
DEKEN_EXTERNALS := Linux-$(PD_LINUX_CPU)-32=build/pd/Vorn.pd_linux
# The cross-built ones: the universal macOS external counts for both of its architectures.
DEKEN_EXTERNALS += Darwin-amd64-32=build/macos/Vorn.d_fat Darwin-arm64-32=build/macos/Vorn.d_fat \
  Linux-arm64-32=build/cross/linux-arm64/pd/Vorn.l_arm64 Windows-amd64-32=build/windows/x64/Vorn.m_amd64
DEKEN_EXTERNALS += Linux-armv7-32=build/cross/linux-armv7/pd/Vorn.l_arm
# It builds the Pd externals alone: no Max plug-in, no 32-bit Windows, no wine.
deken: pd macos-pd pd-windows pd-arm64 pd-armv7
	scripts/install-deps.sh packaging
	scripts/make_deken.sh dist build/pd/Vorn-help.pd $(DEKEN_EXTERNALS)

# What a release offers, into dist/downloads/: the Max package's zip, the .dek with its
# .dek.sha256 and objects file .dek.txt, and SHA256SUMS over all of them. The forge's
# release workflow (.github/workflows/release.yml) runs this.
DEKEN_TAGS = $(foreach pair,$(DEKEN_EXTERNALS),$(firstword $(subst =, ,$(pair))))
downloads: dist deken
	scripts/make_downloads.sh dist/downloads build/bin/vorn-docs $(DEKEN_TAGS)
	tests/docs/check_downloads.py dist/downloads $(DEKEN_TAGS)

# The cross builds, with Zig from npm (into build/zig) and none of them on `make run`'s path.
cross-deps:
	scripts/install-deps.sh cross

# build/macos/Vorn.mxo (Max) and build/macos/Vorn.d_fat (Pd), universal arm64 + x86_64.
macos: cross-deps
	cmake --preset macos-arm64 >/dev/null
	cmake --build --preset macos-arm64 -j $(JOBS)
	cmake --preset macos-x64 >/dev/null
	cmake --build --preset macos-x64 -j $(JOBS)
	scripts/make_macos.sh

# build/macos/Vorn.d_fat alone, the Pd external of both slices.
macos-pd: cross-deps
	cmake --preset macos-arm64 >/dev/null
	cmake --build --preset macos-arm64-pd -j $(JOBS)
	cmake --preset macos-x64 >/dev/null
	cmake --build --preset macos-x64-pd -j $(JOBS)
	scripts/make_macos.sh --pd

# The Pd external for Linux arm64, build/cross/linux-arm64/pd/Vorn.l_arm64.
pd-arm64: cross-deps
	cmake --preset linux-arm64 >/dev/null
	cmake --build --preset linux-arm64 -j $(JOBS)

# The Pd external for Linux armv7 (32-bit Raspberry Pi OS, Debian armhf),
# build/cross/linux-armv7/pd/Vorn.l_arm.
pd-armv7: cross-deps
	cmake --preset linux-armv7 >/dev/null
	cmake --build --preset linux-armv7 -j $(JOBS)

# Debian's arm64 and armhf Pd (fetched into build/cross/pd-root-*, never installed) under
# qemu: every scenario and example through the arm64 and armv7 externals, each transcript the
# x86-64 Pd's bit for bit.
test-pd-emulated: pd pd-arm64 pd-armv7
	cmake --build --preset pd -j $(JOBS)
	cmake --build --preset linux-arm64 -j $(JOBS) --target vorn_probe
	cmake --build --preset linux-armv7 -j $(JOBS) --target vorn_probe
	tests/platforms/run_emulated_pd.sh arm64 armv7

# vorn-sim for Linux arm64, static: build/cross/linux-arm64-sim/vorn-sim.
sim-arm64: cross-deps
	cmake --preset linux-arm64-sim >/dev/null
	cmake --build --preset linux-arm64-sim -j $(JOBS)

# Every cross-built binary read by Debian's Mach-O, PE and ELF readers; the arm64 arithmetic
# through every scenario under qemu-aarch64 against the native vorn-sim.
test-platforms: macos windows pd-arm64 pd-armv7 sim-arm64 release
	tests/platforms/check_binaries.py macos windows linux-arm64 linux-armv7
	tests/platforms/run_arm64_scenarios.sh build/cross/linux-arm64-sim/vorn-sim "$(SIM)"

# The mask-editor page: its logic under node's test runner, then the page itself in headless
# chromium against build/bin/vorn-sim (it rewrites docs/mask-editor.png).
EDITOR_TESTS := tests/editor

test-editor: editor-deps release
	cd "$(EDITOR_TESTS)" && node --test core.test.js import.test.js page.test.js

# npm ci only when the lock file is newer than the last install.
editor-deps:
	scripts/install-deps.sh editor
	@if [ ! "$(EDITOR_TESTS)/node_modules/.package-lock.json" -nt "$(EDITOR_TESTS)/package-lock.json" ]; then \
	  cd "$(EDITOR_TESTS)" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund; fi

# Pass cost against loudspeaker count, configuration cost, the goals of this run, and the plot
# that docs/performance.md shows (rewritten here).
bench: native-deps release
	build/bin/vorn-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
	  --svg=docs/pass-cost.svg
	build/bin/vorn-scale-bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

fuzz-build: native-deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) --target vorn-fuzz vorn-layout-fuzz

# Each input once, no fuzzing: a finding that comes back fails here.
fuzz-regressions: fuzz-build
	"$(FUZZER)" -runs=0 $(FUZZ_SEEDS)
	"$(LAYOUT_FUZZER)" -runs=0 $(LAYOUT_FUZZ_SEEDS)

# `make fuzz SECONDS=N` hunts for N seconds, `make fuzz` until stopped. A finding is written
# to build/fuzz/crash-*; once mended, it goes to tests/fuzz/regressions/.
FUZZ_RUN = "$(FUZZER)" "$(FUZZ_CORPUS)" $(FUZZ_SEEDS) $(if $(SECONDS),-max_total_time=$(SECONDS)) \
  -timeout=120 -rss_limit_mb=4096 -artifact_prefix=build/fuzz/ -print_final_stats=1
fuzz: fuzz-build
	mkdir -p "$(FUZZ_CORPUS)"
	$(FUZZ_RUN)

# The same for vorn-layout's file reader: `make fuzz-layout SECONDS=N`; a finding is written
# to build/fuzz/layout-crash-* and, once mended, goes to tests/fuzz/layout_regressions/.
LAYOUT_FUZZ_RUN = "$(LAYOUT_FUZZER)" "$(LAYOUT_FUZZ_CORPUS)" $(LAYOUT_FUZZ_SEEDS) $(if $(SECONDS),-max_total_time=$(SECONDS)) \
  -dict=tests/fuzz/layout.dict -max_len=8192 -timeout=30 -rss_limit_mb=4096 \
  -artifact_prefix=build/fuzz/layout- -print_final_stats=1
fuzz-layout: fuzz-build
	mkdir -p "$(LAYOUT_FUZZ_CORPUS)"
	$(LAYOUT_FUZZ_RUN)

# `make test`'s fuzzing: both fuzzers at once, each on a core of its own, the box 180 s and
# the layout reader 60 s; the layout run's output follows the box run's.
fuzz-both: fuzz-build
	mkdir -p "$(FUZZ_CORPUS)" "$(LAYOUT_FUZZ_CORPUS)"
	$(MAKE) fuzz-layout-run SECONDS=60 >build/fuzz/layout-run.log 2>&1 & layout=$$!; \
	$(MAKE) fuzz-run SECONDS=180; box=$$?; \
	wait $$layout; layout=$$?; cat build/fuzz/layout-run.log; \
	[ $$box -eq 0 ] && [ $$layout -eq 0 ]

fuzz-run:
	$(FUZZ_RUN)

fuzz-layout-run:
	$(LAYOUT_FUZZ_RUN)

# Memcheck over every example through the release vorn-sim: no invalid access, no leak.
# The examples $(JOBS) at a time.
valgrind: release
	printf '%s\n' examples/*.vorn | xargs -P $(JOBS) -I{} \
	  valgrind -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
	    "$(SIM)" {} >/dev/null
	@echo "valgrind: every example ran clean"

# Vorn against the vbap object in a real Pd; installs Pd and pd-vbap for it. The Pd build
# itself, without the rest of `deps`.
bench-pd:
	scripts/install-deps.sh pd-bench
	cmake --preset pd >/dev/null
	cmake --build --preset pd-only -j $(JOBS)
	bench/pd/pd_bench.sh

# What a 64-loudspeaker, 16-source rig from `vorn-layout --rig` costs in a real Pd.
bench-rig: pd release
	bench/pd/rig_bench.sh

clean:
	rm -rf build dist
