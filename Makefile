# The two commands that do everything: `make run` and `make test`.
JOBS ?= 2
MAKEFLAGS += --no-print-directory
SIM := build/bin/vorn-sim

.PHONY: all release debug run test deps native-deps windows help docs dist bench clean

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
	$(MAKE) dist
	tests/docs/check_package.py dist

# Vorn.mxe64 and Vorn.mxe with the stand-in MaxAPI.dll and vorn-sim.exe, at build/windows/x64
# and build/windows/x86.
windows: deps
	cmake --preset windows-x64 >/dev/null
	cmake --build --preset windows-x64 -j $(JOBS)
	cmake --preset windows-x86 >/dev/null
	cmake --build --preset windows-x86 -j $(JOBS)

# The help patches, the reference page, package-info.json and the dome as a patch, made
# from the interface table into build/help/.
help: release
	build/bin/vorn-docs build/help
	build/bin/vorn-docs --example examples/dome.vorn build/help/Vorn-dome.maxpat

# After a change of the interface table or of the picture: the README's table of messages,
# docs/dome.svg and docs/dome.png. Commit what changes.
docs: deps release
	build/bin/vorn-docs --readme README.md
	$(SIM) --svg docs/dome.svg examples/dome.vorn >/dev/null
	tools/render_svg.py docs/dome.svg docs/dome.png

# The Max package dist/Vorn/ and its zip dist/Vorn.zip.
dist: deps help windows
	tools/make_dist.sh

bench: release
	build/bin/vorn-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

clean:
	rm -rf build dist
