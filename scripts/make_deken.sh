#!/usr/bin/env bash
# Packs Vorn for Pd's package manager (deken): a zip named by deken's convention,
#   Vorn[vVERSION](OS-CPU-FLOATBITS)(OS-CPU-FLOATBITS...).dek
# holding Vorn/ with one external per platform, the help patch, the examples (examples/ beside
# the help patch: every Vorn-*.pd there) and the licence. Pd finds
# Vorn/Vorn.EXT in any folder of its search path, where deken unpacks it.
#   make_deken.sh OUT_DIR HELP_PATCH PLATFORM=EXTERNAL [PLATFORM=EXTERNAL ...]
# PLATFORM is deken's tag (Linux-amd64-32, Darwin-arm64-32, Windows-amd64-32, ...); each
# EXTERNAL keeps its file name, so the platforms' extensions differ (.pd_linux, .d_fat,
# .m_amd64, ...). Prints the package's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 3 ]; then
  echo "usage: make_deken.sh OUT_DIR HELP_PATCH PLATFORM=EXTERNAL [PLATFORM=EXTERNAL ...]" >&2
  exit 2
fi
out=$1 help=$2
shift 2

version=$(sed -n 's/^project(Vorn VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "make_deken.sh: no version in CMakeLists.txt's project()" >&2; exit 1; }
[ -f "$help" ] || { echo "make_deken.sh: $help is missing (make pd makes it)" >&2; exit 1; }

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/Vorn/examples"
cp "$help" "$root/LICENSE" "$stage/Vorn/"
examples=$(dirname "$help")/examples
ls "$examples"/Vorn-*.pd >/dev/null 2>&1 || { echo "make_deken.sh: $examples has no example (make pd makes them)" >&2; exit 1; }
cp "$examples"/Vorn-*.pd "$stage/Vorn/examples/"
tags=()
for pair in "$@"; do
  tag=${pair%%=*} external=${pair#*=}
  if [[ "$pair" != *=* ]] || ! [[ "$tag" =~ ^[A-Za-z]+-[A-Za-z0-9_]+-(32|64)$ ]]; then
    echo "make_deken.sh: \"$pair\" is not PLATFORM=EXTERNAL with a tag such as Linux-amd64-32" >&2
    exit 1
  fi
  [ -f "$external" ] || { echo "make_deken.sh: $external is missing" >&2; exit 1; }
  # One universal binary may stand for several tags.
  if [ -e "$stage/Vorn/$(basename "$external")" ] && ! cmp -s "$external" "$stage/Vorn/$(basename "$external")"; then
    echo "make_deken.sh: two files named $(basename "$external"): each platform needs its own extension" >&2
    exit 1
  fi
  cp "$external" "$stage/Vorn/"
  tags+=("$tag")
done

# The tags sorted, so that the name does not depend on the order they were given in.
mapfile -t sorted < <(printf '%s\n' "${tags[@]}" | sort -u)
name="Vorn[v$version]$(printf '(%s)' "${sorted[@]}").dek"
mkdir -p "$out"
rm -f "$out/$name"
(cd "$stage" && zip -q -r -X package.zip Vorn)
mv "$stage/package.zip" "$out/$name"
echo "$out/$name"
