#!/usr/bin/env python3
"""What each make target installs, as scripts/install-deps.sh --plan PART prints it and as the
Makefile asks for it: `make run` a compiler and CMake, `make pd` those and Pd's header, the
cross tools only for the cross builds, chromium only for the editor's tests, and `make test`
everything. --plan installs nothing: the package tools are stubs here that note any call.

usage: check_plan.py SOURCE_DIR"""
import json
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "docs"))
from checks import check, failures, finish  # noqa: E402

# What no target but the cross builds, the sanitized and tested builds and the editor's tests
# may pull in: by name pattern.
HEAVY = {
    "wine": r"wine.*", "mingw": r".*mingw.*", "chromium": r"chromium.*", "qemu": r"qemu.*",
    "llvm": r"(llvm|lld|clang|libclang).*", "zig": r"zig.*", "valgrind": r"valgrind",
    "test libraries": r"lib(gtest|gmock|benchmark).*", "json": r"nlohmann.*", "node": r"(nodejs|npm)",
    "Pd's GUI": r"puredata-gui|xvfb|imagemagick",
}


def heavy(packages):
    return sorted(f"{package} ({what})" for package in packages for what, pattern in HEAVY.items()
                  if re.fullmatch(pattern, package))


def main():
    root = Path(sys.argv[1])
    stubs = Path(tempfile.mkdtemp())
    called = stubs / "called"
    for tool in ("apt-get", "dpkg", "dpkg-query", "sudo", "npm"):
        (stubs / tool).write_text(f"#!/bin/sh\necho {tool} \"$@\" >>{called}\nexit 1\n")
        (stubs / tool).chmod(0o755)
    environment = dict(os.environ, PATH=f"{stubs}:{os.environ['PATH']}")

    def plan(*parts):
        result = subprocess.run([root / "scripts/install-deps.sh", "--plan", *parts], capture_output=True,
                                text=True, env=environment)
        check(result.returncode == 0, f"--plan {' '.join(parts)} failed: {result.stderr.strip()}")
        return set(result.stdout.split("\n")) - {""}

    parts = ["run", "pd", "native", "windows", "cross", "packaging", "editor", "pd-bench", "picture", "test"]
    plans = {part: plan(part) for part in parts}
    check(not called.exists(), f"--plan ran the package tools: {called.read_text() if called.exists() else ''}")

    compiler = {"cmake", "make", "g++"}
    check(plans["run"] == compiler, f"run wants {sorted(plans['run'])}, not a compiler and CMake alone")
    check(plans["pd"] == compiler | {"puredata-dev"}, f"pd wants {sorted(plans['pd'])}")
    for part in ("run", "pd", "packaging"):
        check(not heavy(plans[part]), f"{part} pulls in {heavy(plans[part])}")
    for part in ("native", "windows", "cross", "packaging", "run", "pd"):
        check("chromium" not in plans[part], f"{part} pulls in chromium")
    for part in ("native", "editor", "packaging", "run", "pd"):
        check(not {p for p in plans[part] if re.fullmatch(r"wine.*|.*mingw.*|qemu.*|zig.*", p)},
              f"{part} pulls in cross tools")
    check({"qemu-user", "llvm-14", "zig (npm, build/zig)"} <= plans["cross"], "cross lacks qemu, LLVM or Zig")
    check({"wine", "g++-mingw-w64-x86-64", "g++-mingw-w64-i686"} <= plans["windows"], "windows lacks mingw or wine")
    check("chromium" in plans["editor"], "editor lacks chromium")
    # `make test` runs all but the vbap benchmark and the picture.
    union = set().union(*(plans[part] for part in parts if part not in ("pd-bench", "picture", "test")))
    check(union | {"puredata-core"} <= plans["test"], f"test lacks {sorted(union - plans['test'])}")
    check(plan("--cross") == plans["cross"] and plan("--native-only") == plans["native"],
          "the older spellings name other plans")
    check(plan() == plans["test"], "no part is not everything")

    # The Makefile asks for these plans: `make run` and `make pd` for their own alone.
    def installs(target):
        dry = subprocess.run(["make", "-n", "-C", root, target], capture_output=True, text=True, env=environment)
        check(dry.returncode == 0, f"make -n {target}: {dry.stderr.strip()}")
        return [line.split()[1:] for line in dry.stdout.splitlines() if line.startswith("scripts/install-deps.sh")]

    check(installs("run") == [["run"]], f"make run installs {installs('run')}")
    check(installs("pd") == [["pd"]], f"make pd installs {installs('pd')}")
    # And `make run` configures no benchmark or test build, and writes build/bin/vorn-sim.
    presets = {p["name"]: p for p in json.loads((root / "CMakePresets.json").read_text())["configurePresets"]}
    run = presets.get("run", {}).get("cacheVariables", {})
    check(run.get("VORN_BENCH") == "OFF" and run.get("VORN_TESTS") == "OFF" and run.get("VORN_LAYOUT_TOOL") == "OFF",
          f"the run preset builds more than vorn-sim: {run}")
    check(run.get("VORN_BIN_DIR") == "${sourceDir}/build/bin", "the run preset writes vorn-sim elsewhere")
    check(presets.get("pd", {}).get("cacheVariables", {}).get("VORN_LAYOUT_TOOL") in ("OFF", "AUTO"),
          "the pd preset needs the JSON library")
    return finish()


if __name__ == "__main__":
    sys.exit(main())
