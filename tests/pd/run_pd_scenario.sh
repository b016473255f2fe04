#!/usr/bin/env bash
# Runs one transcript scenario in a real Pd through the test object vorn_probe (or through the
# command VORN_PD_STANDIN names, when set) and compares its transcript with native vorn-sim's
# on the same script with single-precision atoms, as Pd's are: texts and symbols exactly,
# numbers within single precision.
#   run_pd_scenario.sh COMPARE VORN_SIM PD_EXTERNAL_DIR PROBE_DIR SCRIPT
# What Pd cannot be sent is left out of both runs, line by line, and named in the output:
#   - "!assist" (Pd has no assist) and "int" (Pd has no integer atoms and no such message);
#   - inf and nan (a Pd message box reads them as symbols);
#   - a number a single-precision float cannot hold (beyond +-3.4e38, below 1.2e-38, or an
#     integer beyond +-2^24);
#   - a symbol where a one-number message ("radius", a side inlet) wants a number: Pd
#     refuses that itself, with a line of its own.
# A scenario that names its hosts ("# hosts: ...") without pd is skipped whole (exit 77).
# VORN_PD, when set, is the command that runs Pd (another architecture's under qemu, say);
# VORN_PD_TRANSCRIPT, when set, is where Pd's transcript is kept.
set -uo pipefail
compare=$1 sim=$2 externals=$3 probes=$4 script=$5

hosts=$(sed -n 's/^# hosts: *//p' "$script" | head -n 1)
if [ -n "$hosts" ] && [[ " $hosts " != *" pd "* ]]; then
  echo "skipped in Pd: # hosts: $hosts"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v dropped="$work/dropped" '
  function drop(why) { if (!reason) reason = why }
  /^[ \t]*(#|$)/ { print; next }
  {
    reason = ""
    first = 1; if ($1 ~ /^>/) first = 2
    if ($first == "!assist") drop("assist")
    if ($first == "int") drop("int")
    number_at = first == 2 ? 2 : ($first == "radius" ? first + 1 : 0)
    if (number_at && NF >= number_at && $number_at !~ /^[-+]?[.0-9]/) drop("a symbol where a number is wanted")
    for (i = first; i <= NF; i++) {
      if ($i ~ /^[-+]?(inf|nan)$/) drop("inf or nan")
      if ($i ~ /^[-+]?[0-9]+$/) { v = $i + 0; if (v > 16777216 || v < -16777216) drop("an integer beyond 2^24") }
      else if ($i ~ /^[-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?$/) {
        v = $i + 0; if (v > 3.4e38 || v < -3.4e38 || (v != 0 && v < 1.2e-38 && v > -1.2e-38)) drop("beyond a float")
      }
    }
    if (reason) print "line " NR " left out (" reason "): " $0 > dropped
    else print
  }' "$script" >"$work/script.vorn" || exit 1
[ -f "$work/dropped" ] && cat "$work/dropped"

"$sim" --single-precision "$work/script.vorn" >"$work/expected" 2>/dev/null
if [ ! -s "$work/expected" ]; then
  echo "native vorn-sim wrote no transcript for $(basename "$script")"
  exit 1
fi
if [ -n "${VORN_PD_STANDIN:-}" ]; then
  # Another stand-in for Pd, given as a command that takes SCRIPT TRANSCRIPT (the Windows
  # external under wine, say).
  timeout 60 $VORN_PD_STANDIN "$work/script.vorn" "$work/transcript" >"$work/pd.log" 2>&1
  status=$?
else
  # The second loadbang ends Pd even when the probe could not be made.
  printf '#N canvas 0 0 300 200 10;\n#X obj 10 10 vorn_probe %s %s;\n#X obj 10 40 loadbang;\n#X msg 10 70 \\; pd quit;\n#X connect 1 0 2 0;\n' \
    "$work/script.vorn" "$work/transcript" >"$work/probe.pd"
  timeout 60 ${VORN_PD:-pd} -nogui -batch -nosound -nomidi -noprefs -stderr -path "$externals" -path "$probes" -lib Vorn \
    -open "$work/probe.pd" >"$work/pd.log" 2>&1
  status=$?
fi
if [ ! -f "$work/transcript" ] || [ $status -ne 0 ]; then
  echo "pd did not run the scenario (exit $status):"
  cat "$work/pd.log"
  exit 1
fi
[ -z "${VORN_PD_TRANSCRIPT:-}" ] || cp "$work/transcript" "$VORN_PD_TRANSCRIPT"
"$compare" --width pd "$work/expected" "$work/transcript" || {
  echo "transcript of $(basename "$script") in Pd differs from native vorn-sim --single-precision" >&2
  exit 1
}
echo "$(basename "$script"): $(wc -l <"$work/transcript") transcript lines alike in Pd and natively"
