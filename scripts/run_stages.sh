#!/usr/bin/env bash
# Runs each make target given, in order, and ends with a table of how long each took, also
# when one fails or the run is stopped (it stops at the first failure). The table is kept at
# build/stage-times.txt.
#   run_stages.sh TARGET...
set -uo pipefail
cd "$(dirname "$0")/.."

names=() seconds=() results=()
start_all=$(date +%s)

table() {
  mkdir -p build
  {
    echo
    printf '%-22s %8s  %s\n' stage seconds result
    for i in "${!names[@]}"; do
      printf '%-22s %8d  %s\n' "${names[$i]}" "${seconds[$i]}" "${results[$i]}"
    done
    local total=$(( $(date +%s) - start_all ))
    printf '%-22s %8d  (%dm%02ds)\n' total "$total" $(( total / 60 )) $(( total % 60 ))
  } | tee build/stage-times.txt
}

for stage in "$@"; do
  start=$(date +%s)
  trap 'names+=("$stage") seconds+=($(( $(date +%s) - start ))) results+=(stopped); table; exit 130' INT TERM
  echo "=== $stage"
  "${MAKE:-make}" "$stage"
  status=$?
  names+=("$stage") seconds+=($(( $(date +%s) - start )))
  if [ $status -ne 0 ]; then
    results+=(FAILED)
    table
    exit $status
  fi
  results+=(ok)
done
table
