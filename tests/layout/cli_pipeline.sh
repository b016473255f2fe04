#!/usr/bin/env bash
# The built vorn-layout piped into vorn-sim, as the documentation shows it: each standard
# layout configures a box without an error line; a failure prints nothing and exits 1.
set -uo pipefail
layout=$1 sim=$2 studio=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

for name in stereo 5.1 7.1 5.1.4 7.1.4 22.2 ring:8 dome:16@0,12@30,8@60,zenith; do
  if ! "$layout" "$name" > "$work/messages.vorn" 2>/dev/null; then
    echo "vorn-layout $name failed" >&2; failed=1; continue
  fi
  "$sim" "$work/messages.vorn" > "$work/transcript"
  if grep -q '^error:' "$work/transcript" || ! grep -q '^post: setup: successfully applied' "$work/transcript"; then
    echo "vorn-sim did not take the messages of $name:" >&2; grep '^error:' "$work/transcript" >&2; failed=1
  fi
done

# The example of the documentation.
"$layout" --sub 4 "$studio" 2>/dev/null | "$sim" > "$work/transcript"
if grep -q '^error:' "$work/transcript" || ! grep -q '^outlet 1: mask-editor size 13$' "$work/transcript"; then
  echo "vorn-sim did not take the messages of $studio" >&2; failed=1
fi

# The way back and forth through files on disk.
"$layout" 7.1.4 > "$work/room.vorn" 2>/dev/null && "$layout" --to-iem "$work/room.vorn" > "$work/room.json" 2>/dev/null &&
  "$layout" --lfe 4 "$work/room.json" 2>/dev/null | tail -n +2 > "$work/again.vorn"
if ! diff <(tail -n +2 "$work/room.vorn") "$work/again.vorn" >&2; then
  echo "7.1.4 -> layout file -> messages changed the messages" >&2; failed=1
fi

printf '{"LoudspeakerLayout": {"Loudspeakers": [{"Azimuth": 0, "Elevation": 95, "Channel": 1}]}}' > "$work/bad.json"
"$layout" "$work/bad.json" > "$work/out" 2> "$work/err"
status=$?
if [ "$status" -ne 1 ] || [ -s "$work/out" ] || ! grep -q 'loudspeaker 1 (channel 1): elevation 95' "$work/err"; then
  echo "a bad file gave status $status, stdout '$(cat "$work/out")', stderr '$(cat "$work/err")'" >&2; failed=1
fi
# Input that once ended the program with an uncaught exception.
one_line_failure() {
  "$@" > "$work/out" 2> "$work/err"
  local status=$?
  if [ "$status" -ne 1 ] || [ -s "$work/out" ] || [ "$(wc -l < "$work/err")" -ne 1 ]; then
    echo "vorn-layout ${*:2} gave status $status, stdout '$(cat "$work/out")', stderr '$(cat "$work/err")'" >&2; failed=1
  fi
}
for fields in '"Azimuth": 1e400, "Elevation": 0, "Channel": 1' '"Azimuth": 0, "Elevation": 1e400, "Channel": 1' \
              '"Azimuth": 0, "Elevation": 0, "Channel": 1e400'; do
  printf '{"LoudspeakerLayout": {"Loudspeakers": [{%s}]}}' "$fields" > "$work/huge.json"
  one_line_failure "$layout" "$work/huge.json"
done
mkdir -p "$work/folder.json"
one_line_failure "$layout" "$work/folder.json"
one_line_failure "$layout" --to-iem "$work/folder.json"
one_line_failure "$layout" --to-iem --name "$(printf 'Saal \344')" "$work/room.vorn"
cp "$work/room.vorn" "$work/$(printf 'Saal_\344').vorn"
one_line_failure "$layout" --to-iem "$work/$(printf 'Saal_\344').vorn"
exit $failed
