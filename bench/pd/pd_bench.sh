#!/usr/bin/env bash
# Vorn against the `vbap` object of Debian's pd-vbap in a real Pd, on the same layouts and
# the same precomputed source path. One headless Pd per layout holds every panner of it; each
# repeat times UPDATES updates with Pd's own clock ([realtime]) for the loop alone, without a
# panner, and then for the same loop driving each panner in turn into a [t a]. The loop alone
# is subtracted from each panner's time of the same repeat, and each ratio is taken within a
# repeat, so the panners compared ran in the same process, on the same processor, a few
# milliseconds apart: on a shared machine one processor may run half again as fast as the
# other, and a Pd per panner made the ratio depend on where each Pd landed.
#
# Usage: bench/pd/pd_bench.sh   (`make bench-pd` builds the external and installs Pd first)
# Environment: VORN_PD_DIR (folder of Vorn.pd_linux, default build/pd), UPDATES (20000),
# REPEATS (9), PD (the pd program), BENCH_CPU (the processor every Pd runs on; by default
# the last one this script may use).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
vorn_dir=${VORN_PD_DIR:-$root/build/pd}
vbap_dir=/usr/lib/pd/extra/vbap
updates=${UPDATES:-20000}
repeats=${REPEATS:-9}
path_length=1000
work=$root/build/pd-bench
pd=${PD:-$(command -v pd || command -v puredata || echo /usr/lib/puredata/bin/pd)}

[ -x "$pd" ] || { echo "pd_bench: no pd program (install puredata-core)" >&2; exit 1; }
[ -f "$vorn_dir/Vorn.pd_linux" ] || { echo "pd_bench: no $vorn_dir/Vorn.pd_linux (make pd)" >&2; exit 1; }
[ -f "$vbap_dir/vbap.pd_linux" ] || { echo "pd_bench: no $vbap_dir/vbap.pd_linux (install pd-vbap)" >&2; exit 1; }
mkdir -p "$work"

# --- layouts, in Vorn's messages and in define_loudspeakers' arguments -------------------

# "layer N" and the matching azimuth-elevation pairs: COUNT loudspeakers from CHANNEL,
# evenly from OFFSET degrees, at ELEVATION.
ring() {  # layer channel count offset elevation
  awk -v layer="$1" -v channel="$2" -v count="$3" -v offset="$4" -v elevation="$5" 'BEGIN {
    vorn = "layer " layer; pairs = ""
    for (i = 0; i < count; i++) {
      azimuth = offset + 360 * i / count
      vorn = vorn sprintf(" %d %.10g", channel + i, azimuth)
      pairs = pairs sprintf(" %.10g %g", azimuth > 180 ? azimuth - 360 : azimuth, elevation)
    }
    print vorn "|" pairs
  }'
}

# Rings of 16, 12 and 8 at 0, 30 and 60 degrees, each turned by half its spacing against
# the one below, and the zenith: 37 loudspeakers.
dome() {
  local r0 r1 r2
  r0=$(ring 0 1 16 0 0); r1=$(ring 1 17 12 15 30); r2=$(ring 2 29 8 22.5 60)
  vorn_config="setup 0 30 60 90 \\, ${r0%%|*} \\, ${r1%%|*} \\, ${r2%%|*} \\, layer 3 37 0 \\, end"
  vbap_define="define_loudspeakers 3${r0#*|}${r1#*|}${r2#*|} 0 90"
}

ring_of_8() {
  local r0
  r0=$(ring 0 1 8 0 0)
  vorn_config="setup 0 \\, ${r0%%|*} \\, end"
  vbap_define="define_loudspeakers 2$(echo "${r0#*|}" | awk '{ for (i = 1; i <= NF; i += 2) printf " %s", $i }')"
}

# --- the patch -----------------------------------------------------------------------------

objects=()
add() { objects+=("$1"); last=$((${#objects[@]} - 1)); }
links=()
link() { links+=("#X connect $1 $2 $3 $4;"); }

# The source path: azimuth in steps of 0.37 degrees, elevation swinging between 0 and 60.
path_values() {  # az | el
  awk -v n="$path_length" -v which="$1" 'BEGIN {
    for (i = 0; i < n; i++) {
      if (which == "az") printf " %.6f", (0.37 * i) - 360 * int(0.37 * i / 360)
      else printf " %.6f", 30 - 30 * cos(i * 0.0123)
    }
  }'
}

# The update loop: UPDATES steps along the path; leaves `loop_start` (bang it to run the loop)
# and `loop_azimuth` / `loop_elevation` (the path's values, elevation first, at each step).
add_loop() {  # x
  local x=$1
  add "msg $x 160 $updates"; loop_start=$last
  add "obj $x 190 until"; local update=$last
  add "obj $x 220 f"; local counter=$last
  add "obj $((x + 40)) 220 + 1"; local step=$last
  add "obj $x 250 mod $path_length"; local index=$last
  add "obj $x 280 t f f"; local fan=$last
  add "obj $x 310 tabread az"; loop_azimuth=$last
  add "obj $((x + 80)) 310 tabread el"; loop_elevation=$last
  link "$loop_start" 0 "$update" 0
  link "$update" 0 "$counter" 0
  link "$counter" 0 "$step" 0
  link "$step" 0 "$counter" 1
  link "$counter" 0 "$index" 0
  link "$index" 0 "$fan" 0
  link "$fan" 1 "$loop_elevation" 0
  link "$fan" 0 "$loop_azimuth" 0
}

# The panner of one variant on the loop at column x, its output into a [t a]. kind: vorn |
# vbap; parameter: Vorn's radius or vbap's spread. The configuration goes in at load.
add_panner() {  # x kind parameter
  local x=$1 kind=$2 parameter=$3
  add_loop "$x"
  local elevation=$loop_elevation azimuth=$loop_azimuth
  case $kind in
    vorn)
      add "obj $x 370 Vorn bench"; local panner=$last
      add "msg $((x + 150)) 340 $vorn_config \\, radius $parameter"; local configure=$last
      add "obj $x 400 t a"; local consumer=$last
      link "$configure_at_load" 0 "$configure" 0
      link "$configure" 0 "$panner" 0
      link "$elevation" 0 "$panner" 1
      link "$azimuth" 0 "$panner" 0
      link "$panner" 0 "$consumer" 0
      ;;
    vbap)
      add "obj $x 370 vbap"; local panner=$last
      add "obj $((x + 150)) 340 $vbap_define"; local define=$last
      add "msg $((x + 150)) 310 $parameter"; local spread=$last
      add "obj $x 340 t b f"; local trigger=$last
      add "obj $x 400 t a"; local consumer=$last
      link "$configure_at_load" 0 "$define" 0
      link "$configure_at_load" 0 "$spread" 0
      link "$define" 0 "$panner" 0
      link "$spread" 0 "$panner" 3
      link "$elevation" 0 "$panner" 2
      link "$azimuth" 0 "$trigger" 0
      link "$trigger" 1 "$panner" 1
      link "$trigger" 0 "$panner" 0
      link "$panner" 0 "$consumer" 0
      ;;
  esac
}

# One patch for all the variants of a layout ("kind:parameter" each). Each repeat times the
# loop alone, then the loop with each variant's panner in the order given, and prints
# "timed-0: MS" for the loop alone and "timed-K: MS" for variant K.
write_patch() {  # file variant...
  local file=$1; shift
  local blocks=$(($# + 1)) outlets="" i
  objects=(); links=()
  for ((i = 0; i < 3 * blocks; i++)); do outlets+=" b"; done
  add "obj 10 10 loadbang"; local start=$last
  add "obj 10 40 t b b b b"; local order=$last
  add "obj 500 10 table az $path_length"
  add "obj 500 40 table el $path_length"
  add "msg 500 70 \\; az 0$(path_values az) \\; el 0$(path_values el)"; local path=$last
  add "msg 10 70 $repeats"; local repeat_count=$last
  add "obj 10 100 until"; local repeat=$last
  add "obj 10 130 t$outlets"; local timed=$last
  add "obj 10 20 t b"; configure_at_load=$last
  add "msg 300 10 \\; pd quit"; local quit=$last
  link "$start" 0 "$order" 0
  link "$order" 3 "$path" 0
  link "$order" 2 "$configure_at_load" 0
  link "$order" 1 "$repeat_count" 0
  link "$order" 0 "$quit" 0
  link "$repeat_count" 0 "$repeat" 0
  link "$repeat" 0 "$timed" 0
  # A trigger fires right to left: block K takes outlets 3(B-1-K)+2 (start the clock), +1
  # (run the loop) and +0 (read the clock), so block 0 runs first.
  local block x=100
  for ((block = 0; block < blocks; block++)); do
    if [ "$block" -eq 0 ]; then
      add_loop "$x"
    else
      local variant=${!block}
      add_panner "$x" "${variant%%:*}" "${variant#*:}"
    fi
    local loop=$loop_start
    add "obj $x 430 realtime"; local clock=$last
    add "obj $x 460 print timed-$block"; local report=$last
    local first=$((3 * (blocks - 1 - block)))
    link "$timed" $((first + 2)) "$clock" 0
    link "$timed" $((first + 1)) "$loop" 0
    link "$timed" "$first" "$clock" 1
    link "$clock" 0 "$report" 0
    x=$((x + 300))
  done
  {
    echo "#N canvas 0 0 $((x + 100)) 500 10;"
    for o in "${objects[@]}"; do echo "#X $o;"; done
    printf '%s\n' "${links[@]}"
  } > "$file"
}

# --- running and reading -----------------------------------------------------------------

cpu=${BENCH_CPU:-}
if [ -z "$cpu" ] && command -v taskset >/dev/null; then
  cpu=$(taskset -cp $$ | sed 's/.*: //; s/.*[,-]//')
fi
pinned=()
[ -n "$cpu" ] && command -v taskset >/dev/null && pinned=(taskset -c "$cpu")

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Runs one layout's variants (NAME=kind:parameter each) and keeps, per variant, the
# microseconds per update of every repeat with the loop alone of that repeat subtracted.
declare -A per_update
measure_layout() {  # file NAME=kind:parameter...
  local file="$work/$1.pd"; shift
  local names=() variants=() entry
  for entry in "$@"; do names+=("${entry%%=*}"); variants+=("${entry#*=}"); done
  write_patch "$file" "${variants[@]}"
  local output
  output=$("${pinned[@]}" "$pd" -nogui -batch -noprefs -nosound -nomidi -path "$vorn_dir" -path "$vbap_dir" "$file" 2>&1) || true
  local k loop
  loop=$(grep '^timed-0: ' <<<"$output" | awk '{ print $2 }')
  if [ "$(wc -l <<<"$loop")" -ne "$repeats" ] || [ -z "$loop" ]; then
    echo "pd_bench: $file did not print $repeats timings:" >&2
    echo "$output" >&2
    exit 1
  fi
  loop_alone[$1]=$(awk -v n="$updates" '{ printf "%.6f\n", $1 * 1000 / n }' <<<"$loop" | median)
  for ((k = 0; k < ${#names[@]}; k++)); do
    per_update[${names[k]}]=$(paste <(echo "$loop") <(grep "^timed-$((k + 1)): " <<<"$output" | awk '{ print $2 }') |
      awk -v n="$updates" '{ printf "%.6f\n", ($2 - $1) * 1000 / n }')
    report "${names[k]}" "${loop_alone[$1]}"
  done
}
declare -A loop_alone cost_median

report() {  # name loop-alone
  local values=${per_update[$1]}
  cost_median[$1]=$(median <<<"$values")
  printf '  %-22s %8.3f us per update  (min %.3f, max %.3f; the loop alone %.3f us)\n' "$1" "${cost_median[$1]}" \
    "$(sort -g <<<"$values" | head -1)" "$(sort -g <<<"$values" | tail -1)" "$2"
}

# The median over the repeats of each repeat's own ratio, with the smallest and largest.
ratio() {  # text numerator denominator goal
  paste <(echo "${per_update[$2]}") <(echo "${per_update[$3]}") | awk '{ print $1 / $2 }' | sort -g |
    awk -v t="$1" -v goal="$4" '{ v[NR] = $1 } END {
      r = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf "  %-44s %7.3f  (%.3f to %.3f; goal <= %s: %s)\n", t, r, v[1], v[NR], goal, r <= goal ? "met" : "MISSED"
    }'
}

sources() {  # name
  awk -v n="$1" -v c="${cost_median[$1]}" 'BEGIN { printf "  %-26s %8.0f sources\n", n, 1000 / c }'
}

echo "Pd: $("$pd" -version 2>&1 | head -1); $updates updates x $repeats repeats per variant; medians of the repeats"
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores${cpu:+; every Pd on processor $cpu}"
echo
echo "Dome (rings of 16, 12, 8 at 0, 30, 60 degrees, staggered, plus the zenith: 37 loudspeakers):"
dome
measure_layout dome "Vorn radius 1=vorn:1" "Vorn radius 30=vorn:30" "vbap spread 0=vbap:0" "vbap spread 30=vbap:30"
echo
echo "Ring of 8:"
ring_of_8
measure_layout ring "Vorn ring, radius 1=vorn:1" "vbap ring=vbap:0"
echo
echo "Ratios (Vorn / vbap, per update; the median of the repeats' own ratios, smallest to largest):"
ratio "dome: Vorn radius 1 / vbap spread 0" "Vorn radius 1" "vbap spread 0" 0.2
ratio "dome: Vorn radius 30 / vbap spread 30" "Vorn radius 30" "vbap spread 30" 0.05
ratio "ring of 8: Vorn / vbap" "Vorn ring, radius 1" "vbap ring" 1
echo
echo "Sources one core carries on the dome at 1,000 updates per second each:"
for name in "Vorn radius 1" "Vorn radius 30" "vbap spread 0" "vbap spread 30"; do sources "$name"; done
