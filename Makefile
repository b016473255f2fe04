# The two commands that do everything: `make run` and `make test`.
JOBS ?= 2
MAKEFLAGS += --no-print-directory
SIM := build/bin/vorn-sim

.PHONY: all release debug run test deps native-deps windows pd install-pd bench clean

all: release

release:
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)

debug:
	cmake --preset debug >/dev/null
	cmake --build --preset debug -j $(JOBS)

run: native-deps release
	$(SIM) examples/dome.vorn

deps:
	tools/install-deps.sh

native-deps:
	tools/install-deps.sh --native-only

test: deps debug release
	ctest --preset debug -j $(JOBS)
	$(MAKE) windows
	ctest --preset windows -j $(JOBS)
	$(MAKE) pd
	ctest --preset pd -j $(JOBS)

# Vorn.mxe64 and Vorn.mxe with the stand-in MaxAPI.dll and vorn-sim.exe, at build/windows/x64
# and build/windows/x86.
windows: deps
	cmake --preset windows-x64 >/dev/null
	cmake --build --preset windows-x64 -j $(JOBS)
	cmake --preset windows-x86 >/dev/null
	cmake --build --preset windows-x86 -j $(JOBS)

# The Pd external build/pd/Vorn.pd_linux, with the test object that runs scenarios in Pd.
pd: deps
	cmake --preset pd >/dev/null
	cmake --build --preset pd -j $(JOBS)

PD_EXTERNALS ?= $(HOME)/Documents/Pd/externals
install-pd: pd
	mkdir -p $(PD_EXTERNALS)/Vorn
	cp build/pd/Vorn.pd_linux $(PD_EXTERNALS)/Vorn/
	if [ -f build/pd/Vorn-help.pd ]; then cp build/pd/Vorn-help.pd $(PD_EXTERNALS)/Vorn/; fi
	@echo "installed into $(PD_EXTERNALS)/Vorn: add that folder to Pd's search path (or [declare -path Vorn])"

bench: release
	build/bin/vorn-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

clean:
	rm -rf build dist
