#!/usr/bin/env bash
# The arithmetic of arm64: every scenario and example through vorn-sim built for Linux arm64
# (static, musl) under qemu-aarch64, against the native vorn-sim's transcript. Exit statuses
# and texts must match exactly, numbers within 1e-12 relative (compare_transcripts --width
# x64: the other C library's maths functions may be an ulp off). Names each transcript that is
# not the same bit for bit. First, our own arm64 code must hold no fused multiply-add, since
# -ffp-contract=off forbids it: a difference may come from the maths library, never from that.
#   run_arm64_scenarios.sh ARM64_SIM NATIVE_SIM
set -uo pipefail
arm=$1 native=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
objdump=$(command -v llvm-objdump-14 || command -v llvm-objdump)

fused=$(find "$root/build/cross-build/linux-arm64-sim" "$root/build/cross-build/macos-arm64" -name '*.o' \
          -path '*/src/*' 2>/dev/null | xargs -r "$objdump" -d --no-show-raw-insn |
        grep -cE '\s(fmadd|fmsub|fnmadd|fnmsub|fmla|fmls)\s')
objects=$(find "$root/build/cross-build/linux-arm64-sim" -name '*.o' -path '*/src/*' | wc -l)
if [ "$objects" -eq 0 ] || [ "$fused" -ne 0 ]; then
  echo "FAILED: $fused fused multiply-add instructions in $objects arm64 objects of our code"
  exit 1
fi
echo "no fused multiply-add in our arm64 code ($objects objects of the arm64 vorn-sim and the macOS arm64 build)"

compare=$root/build/platforms/compare_transcripts
if [ ! "$compare" -nt "$root/tools/sim/compare_transcripts.cpp" ]; then
  mkdir -p "$(dirname "$compare")"
  c++ -std=c++20 -O2 -o "$compare" "$root/tools/sim/compare_transcripts.cpp" || exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
same=0 close=0 failed=0
for script in "$root"/tests/scenarios/*.vorn "$root"/examples/*.vorn; do
  name=$(basename "$script")
  "$native" "$script" >"$work/native" 2>&1
  native_status=$?
  qemu-aarch64 "$arm" "$script" >"$work/arm64" 2>&1
  arm_status=$?
  if [ $arm_status -ne $native_status ]; then
    echo "FAILED $name: exit status $arm_status on arm64, $native_status natively"
    failed=$((failed + 1))
  elif cmp -s "$work/native" "$work/arm64"; then
    same=$((same + 1))
  elif "$compare" --width x64 "$work/native" "$work/arm64" >"$work/diff" 2>&1; then
    close=$((close + 1))
    echo "$name: within 1e-12, not bit for bit ($(diff "$work/native" "$work/arm64" | grep -c '^>') lines differ)"
  else
    echo "FAILED $name:"
    head -n 20 "$work/diff"
    failed=$((failed + 1))
  fi
done
echo "arm64 under qemu: $same scenarios bit for bit, $close within 1e-12, $failed failed"
[ $failed -eq 0 ]
