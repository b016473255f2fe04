#!/usr/bin/env bash
# Every include points down the house: bindings -> box -> config/engine/export -> host.
# Prints each include that points up or sideways into a binding, and fails on any.
# usage: check_includes.sh SOURCE_FOLDER
set -uo pipefail
cd "$1/src" || exit 2
status=0
# below FOLDER: the folders FOLDER may not name
check() {
  local folder=$1 forbidden=$2 hits
  hits=$(grep -rnE "#include \"($forbidden)/" "$folder" || true)
  if [ -n "$hits" ]; then
    echo "$folder names a layer above it:"
    echo "$hits"
    status=1
  fi
}
check host 'box|bindings|config|engine|export|standin'
check config 'box|bindings'
check engine 'box|bindings'
check export 'box|bindings'
check box 'bindings'
check bindings/max 'bindings/pd'
check bindings/pd 'bindings/max'
[ $status -eq 0 ] && echo "every include points down"
exit $status
