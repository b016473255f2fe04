#!/usr/bin/env bash
# Five Vorn boxes in a real Pd, each box's amplitudes driving a counter that sets the next
# box's azimuth, the last box's back into the first; one position into the first box. Every
# box bounds what comes back into itself, but round a ring those bounds would multiply (34 s
# of a frozen Pd for five boxes): the passes on Pd's one thread share one budget, so the ring
# stops with one line that names the box where it ran out.
#   ring_of_boxes.sh PD_EXTERNAL_DIR
set -uo pipefail
externals=$1
boxes=5
command -v pd >/dev/null || { echo "no pd program"; exit 77; }
[ -f "$externals/Vorn.pd_linux" ] || { echo "no $externals/Vorn.pd_linux"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

layer="layer 0"
for k in $(seq 0 15); do layer="$layer $((k + 1)) $(awk -v k="$k" 'BEGIN { print k * 22.5 }')"; done

{
  echo "#N canvas 0 0 800 600 10;"
  # 0 loadbang, 1 [t b b b b b], 2 the gates, 3 realtime, 4 print, 5 the first position, 6 quit
  echo "#X obj 10 10 loadbang;"
  echo "#X obj 10 40 t b b b b b;"
  echo "#X msg 200 40 1;"
  echo "#X obj 10 200 realtime;"
  echo "#X obj 10 230 print ring-ms;"
  echo "#X msg 100 70 10;"
  echo "#X msg 300 10 \\; pd quit;"
  # per box i, from object 7 on: Vorn, its configuration, a gate, [t b], [f], [+ 1]
  for i in $(seq 0 $((boxes - 1))); do
    x=$((20 + i * 150))
    echo "#X obj $x 300 Vorn r$i;"
    echo "#X msg $x 270 setup 0 \\, $layer \\, end \\, radius 120;"
    echo "#X obj $x 330 spigot;"
    echo "#X obj $x 360 t b;"
    echo "#X obj $x 390 f;"
    echo "#X obj $((x + 40)) 390 + 1;"
  done
  echo "#X connect 0 0 1 0;"
  # right to left: configure, open the gates and start the clock, the position, the time, quit
  echo "#X connect 1 0 6 0;"
  echo "#X connect 1 1 3 1;"
  echo "#X connect 1 2 5 0;"
  echo "#X connect 1 3 3 0;"
  echo "#X connect 1 3 2 0;"
  echo "#X connect 3 0 4 0;"
  for i in $(seq 0 $((boxes - 1))); do
    base=$((7 + i * 6)); next=$((7 + ((i + 1) % boxes) * 6))
    echo "#X connect 1 4 $((base + 1)) 0;"
    echo "#X connect 2 0 $((base + 2)) 1;"
    echo "#X connect $((base + 1)) 0 $base 0;"
    echo "#X connect $base 0 $((base + 2)) 0;"
    echo "#X connect $((base + 2)) 0 $((base + 3)) 0;"
    echo "#X connect $((base + 3)) 0 $((base + 4)) 0;"
    echo "#X connect $((base + 4)) 0 $((base + 5)) 0;"
    echo "#X connect $((base + 5)) 0 $((base + 4)) 1;"
    echo "#X connect $((base + 4)) 0 $next 0;"
  done
  echo "#X connect 5 0 7 0;"
} >"$work/ring.pd"

timeout 60 pd -nogui -batch -nosound -nomidi -noprefs -stderr -path "$externals" "$work/ring.pd" >"$work/pd.log" 2>&1
status=$?
cat "$work/pd.log"
[ $status -eq 0 ] || { echo "ring_of_boxes: pd did not come back (exit $status)"; exit 1; }
grep -q '^ring-ms: ' "$work/pd.log" || { echo "ring_of_boxes: the ring never returned"; exit 1; }
feedback=$(grep -c 'feedback loop' "$work/pd.log")
stopped=$(grep -cE '^error: feedback loop through other objects: r[0-4] stopped, ' "$work/pd.log")
if [ "$feedback" -ne 1 ] || [ "$stopped" -ne 1 ]; then
  echo "ring_of_boxes: expected one line naming the box that stopped, got $feedback feedback lines"
  exit 1
fi
echo "ring of $boxes boxes in Pd: back after $(sed -n 's/^ring-ms: //p' "$work/pd.log") ms, one line"
