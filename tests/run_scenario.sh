#!/usr/bin/env bash
# Runs one transcript scenario and compares standard output with the expected transcript,
# line for line. A scenario may start with "# status: N" to expect that exit status.
set -uo pipefail
sim=$1 script=$2 expected=$3
want_status=$(sed -n '1s/^# status: *\([0-9]*\).*/\1/p' "$script")
actual=$("$sim" "$script")
status=$?
if ! diff -u "$expected" <(printf '%s\n' "$actual"); then
  echo "transcript of $(basename "$script") differs from $(basename "$expected")" >&2
  exit 1
fi
if [ "$status" -ne "${want_status:-0}" ]; then
  echo "exit status $status, expected ${want_status:-0}" >&2
  exit 1
fi
