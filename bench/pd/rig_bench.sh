#!/usr/bin/env bash
# What a rig made by `vorn-layout --rig` costs in a real Pd: 64 loudspeakers with distance
# compensation (every one but the farthest delayed and trimmed), 16 sources of noise~, each
# moved every 20 ms, at 48 kHz in 64-sample blocks. `pd -batch` computes SECONDS of audio as
# fast as it can; the processor time of that run, less that of the same patch without the
# rig, over SECONDS is the rig's share of one core. Medians of REPEATS runs.
#
# Usage: bench/pd/rig_bench.sh   (after `make pd`; a benchmark, not a test)
# Environment: VORN_PD_DIR (folder of Vorn.pd_linux, default build/pd), VORN_LAYOUT (default
# build/bin/vorn-layout), SECONDS (60), REPEATS (5), PD (the pd program).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
vorn_dir=${VORN_PD_DIR:-$root/build/pd}
vorn_layout=${VORN_LAYOUT:-$root/build/bin/vorn-layout}
seconds=${SECONDS_OF_AUDIO:-60}
repeats=${REPEATS:-5}
pd=${PD:-$(command -v pd || echo /usr/lib/puredata/bin/pd)}
work=$root/build/rig-bench
sources=16
loudspeakers=64
mkdir -p "$work"
cp "$vorn_dir/Vorn.pd_linux" "$work/"

# 64 loudspeakers in two rings of 32, at distances from 3 to 6 m.
awk -v n=$loudspeakers 'BEGIN {
  printf "{\"Name\": \"Bench hall\", \"LoudspeakerLayout\": {\"Name\": \"Bench hall\", \"Loudspeakers\": ["
  for (i = 0; i < n; i++) {
    azimuth = (i % 32) * 360 / 32 - 180; elevation = i < 32 ? 0 : 30; radius = 3 + 3 * ((i * 7) % 13) / 12
    printf "%s{\"Azimuth\": %g, \"Elevation\": %g, \"Radius\": %g, \"IsImaginary\": false, \"Channel\": %d, \"Gain\": 1}", \
      (i ? ", " : ""), azimuth, elevation, radius, i + 1
  }
  print "]}}"
}' > "$work/hall.json"
"$vorn_layout" "$work/hall.json" --rig $sources --format pd > "$work/room-rig.pd" 2>/dev/null

# The sources and their movement; with the rig, or without it.
patch() {  # with_rig
  local moves="" k
  for k in $(seq 1 $sources); do moves="$moves${moves:+ \\, }$k \\\$1 $(( (k % 3) * 15 ))"; done
  {
    echo "#N canvas 0 0 900 600 12;"
    echo "#X obj 10 10 loadbang;"                         # 0
    echo "#X msg 10 40 \\; pd dsp 1;"                     # 1
    echo "#X obj 100 10 delay $(( seconds * 1000 ));"     # 2
    echo "#X msg 100 40 \\; pd quit;"                     # 3
    echo "#X obj 200 10 metro 20;"                        # 4
    echo "#X obj 200 40 f;"                               # 5
    echo "#X obj 240 40 + 7;"                             # 6
    echo "#X obj 200 70 mod 360;"                         # 7
    echo "#X msg 200 100 $moves;"                         # 8
    if [ "$1" = rig ]; then echo "#X obj 10 300 room-rig;"; else echo "#X obj 10 300 t a;"; fi  # 9
    for k in $(seq 1 $sources); do echo "#X obj $(( 10 + 50 * k )) 200 noise~;"; done           # 10..
    echo "#X connect 0 0 1 0;"; echo "#X connect 0 0 2 0;"; echo "#X connect 2 0 3 0;"
    echo "#X connect 0 0 4 0;"; echo "#X connect 4 0 5 0;"; echo "#X connect 5 0 6 0;"
    echo "#X connect 6 0 7 0;"; echo "#X connect 7 0 5 1;"; echo "#X connect 5 0 8 0;"
    if [ "$1" = rig ]; then
      echo "#X connect 8 0 9 0;"
      for k in $(seq 1 $sources); do echo "#X connect $(( 9 + k )) 0 9 $k;"; done
    fi
  } > "$work/bench-$1.pd"
}
patch rig
patch bare

cpu() {  # variant: processor seconds of one run
  /usr/bin/time -f "%U %S" -o "$work/time" "$pd" -nogui -batch -noaudio -noprefs -r 48000 -path "$work" \
    -open "$work/bench-$1.pd" >/dev/null 2>&1
  awk '{ print $1 + $2 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

rig_runs=(); bare_runs=()
for _ in $(seq "$repeats"); do
  rig_runs+=("$(cpu rig)")
  bare_runs+=("$(cpu bare)")
done
rig=$(printf '%s\n' "${rig_runs[@]}" | median)
bare=$(printf '%s\n' "${bare_runs[@]}" | median)
awk -v rig="$rig" -v bare="$bare" -v s="$seconds" -v n=$loudspeakers -v m=$sources 'BEGIN {
  printf "rig of %d loudspeakers and %d sources, %d s of audio at 48 kHz, 64-sample blocks:\n", n, m, s
  printf "  with the rig %.2f s of processor time, without %.2f s (medians)\n", rig, bare
  printf "  the rig: %.1f%% of one core (%.2f ms a second of audio)\n", 100 * (rig - bare) / s, 1000 * (rig - bare) / s
}'
