#!/usr/bin/env bash
# Debian's own Pd for arm64 and armhf, under qemu-user with the root pd-sysroot.sh unpacks,
# runs every scenario and example through Vorn.l_arm64 / Vorn.l_arm as tests/pd does in this
# machine's Pd; each transcript must be the x86-64 Pd's bit for bit (and, as there, match
# native vorn-sim's within single precision).
#   run_emulated_pd.sh ARCH...      ARCH: arm64 or armv7; after `make pd` and the cross builds
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build
run=$root/tests/pd/run_pd_scenario.sh
compare=$build/release/compare_transcripts sim=$build/bin/vorn-sim
[ -x "$compare" ] && [ -x "$sim" ] || { echo "run_emulated_pd: make pd first"; exit 1; }

declare -A qemu=([arm64]=qemu-aarch64 [armv7]=qemu-arm) debian=([arm64]=arm64 [armv7]=armhf)
for arch in "$@"; do
  [ -n "${qemu[$arch]:-}" ] || { echo "run_emulated_pd: no such architecture: $arch"; exit 2; }
  "$root/scripts/pd-sysroot.sh" "${debian[$arch]}" "$build/cross/pd-root-${debian[$arch]}" || exit 1
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A same=() failed=()
skipped=0
for script in "$root"/tests/scenarios/*.vorn "$root"/examples/*.vorn; do
  name=$(basename "$script" .vorn)
  VORN_PD_TRANSCRIPT=$work/x86-64 "$run" "$compare" "$sim" "$build/pd" "$build/release/probe" "$script" \
    >"$work/log" 2>&1
  status=$?
  if [ $status -eq 77 ]; then
    skipped=$((skipped + 1))
    continue
  elif [ $status -ne 0 ]; then
    echo "FAILED $name in x86-64 Pd:"
    cat "$work/log"
    for arch in "$@"; do failed[$arch]=$((${failed[$arch]:-0} + 1)); done
    continue
  fi
  for arch in "$@"; do
    sysroot=$build/cross/pd-root-${debian[$arch]} cross=$build/cross/linux-$arch
    rm -f "$work/$arch"
    VORN_PD="${qemu[$arch]} -L $sysroot $sysroot/usr/lib/puredata/bin/pd" VORN_PD_TRANSCRIPT=$work/$arch \
      "$run" "$compare" "$sim" "$cross/pd" "$cross/probe" "$script" >"$work/log" 2>&1
    status=$?
    if [ $status -eq 0 ] && cmp -s "$work/x86-64" "$work/$arch"; then
      same[$arch]=$((${same[$arch]:-0} + 1))
    else
      echo "FAILED $name in $arch Pd (exit $status):"
      # Pd's watchdog helper cannot be started under the emulator; that line is not ours.
      grep -v 'pd: exec: Exec format error' "$work/log" | head -n 20
      [ -f "$work/$arch" ] && diff "$work/x86-64" "$work/$arch" | head -n 20
      failed[$arch]=$((${failed[$arch]:-0} + 1))
    fi
  done
done
status=0
for arch in "$@"; do
  echo "Debian's $arch Pd under ${qemu[$arch]}: ${same[$arch]:-0} transcripts the x86-64 Pd's bit for bit," \
       "${failed[$arch]:-0} failed ($skipped scenarios not for Pd)"
  [ "${failed[$arch]:-0}" -eq 0 ] && [ "${same[$arch]:-0}" -gt 0 ] || status=1
done
exit $status
