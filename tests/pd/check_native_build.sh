#!/usr/bin/env bash
# The external as a Pd user on macOS, a Raspberry Pi or Windows builds it: CMake and a compiler
# with m_pd.h from a folder of Pd's own, and nothing else found (no test, benchmark or JSON
# library, no python); installed with `cmake --install` into a folder that a fresh Pd is given
# as its only path, it creates [Vorn hall]. Also `make run`'s and `make pd`'s presets
# configure with nothing but the compiler.
#   check_native_build.sh PD_INCLUDE_DIR WORK_DIR
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
include=$1 work=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }
hidden=(-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
        -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON)

rm -rf "$work/pd-include" "$work/extra" "$work/presets"
mkdir -p "$work/pd-include" "$work/patch"
cp "$include/m_pd.h" "$work/pd-include/"
cmake -S "$root" -B "$work/build" -DVORN_PD_ONLY=ON -DPD_INCLUDE_DIR="$work/pd-include" "${hidden[@]}" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; fail "configuring with VORN_PD_ONLY"; exit 1; }
cmake --build "$work/build" -j 2 >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; fail "building"; exit 1; }
cmake --install "$work/build" --prefix "$work/extra" >/dev/null || fail "cmake --install"

installed=$(cd "$work/extra" && find . -type f | sort | tr '\n' ' ')
[ "$installed" = "./Vorn/LICENSE ./Vorn/Vorn-help.pd ./Vorn/Vorn.pd_linux " ] || fail "installed: $installed"
exports=$(nm -D --defined-only "$work/extra/Vorn/Vorn.pd_linux" | awk '$2 ~ /^[TDBW]$/ {print $3}' | tr '\n' ' ')
[ "$exports" = "Vorn_setup " ] || fail "exports: $exports"

for preset in run pd; do
  (cd "$root" && cmake --preset "$preset" -B "$work/presets/$preset" "${hidden[@]}") >"$work/preset.log" 2>&1 ||
    { cat "$work/preset.log"; fail "the $preset preset needs more than a compiler and Pd's header"; }
done

if command -v pd >/dev/null; then
  printf '#N canvas 0 0 300 200 10;\n#X obj 10 10 Vorn hall;\n' >"$work/patch/box.pd"
  (cd "$work/patch" && timeout 60 pd -nogui -nosound -nomidi -stderr -verbose -batch -noprefs \
     -path "$work/extra" -open box.pd -open "$work/extra/Vorn/Vorn-help.pd" -send "pd quit") >"$work/pd.log" 2>&1 ||
    fail "pd exited with $?"
  grep -q "tried $work/extra/Vorn/Vorn\.pd_linux and succeeded" "$work/pd.log" || fail "Pd did not load the installed external"
  grep -q "^Vorn [0-9.]* - " "$work/pd.log" || fail "no Vorn banner: the box was not made"
  if grep -Ei "couldn't create|error" "$work/pd.log"; then fail "Pd reported trouble"; fi
else
  echo "no pd here: the installed external was not loaded"
fi
[ $failed -eq 0 ] && echo "native build: configured with CMake, a compiler and m_pd.h alone; Pd creates the installed box"
exit $failed
