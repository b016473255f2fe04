#!/usr/bin/env bash
# The files of a release, into OUT_DIR (emptied first), each name carrying the version:
#   Vorn-VERSION-Max.zip                  the Max package (dist/Vorn.zip of `make dist`)
#   Vorn[vVERSION](TAG)...dek             Pd's package-manager package (of `make deken`)
#   Vorn[vVERSION](TAG)...dek.sha256      its SHA-256, the bare hex digest as deken writes it
#   Vorn[vVERSION](TAG)...dek.txt         deken's objects file: a line per object, its name, a
#                                         tab and a one-line description
#   SHA256SUMS                            every file above, in sha256sum's format
#   make_downloads.sh OUT_DIR VORN_DOCS TAG [TAG ...]
# TAG: deken's platform tags of the package, as `make deken` was given them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 3 ]; then
  echo "usage: make_downloads.sh OUT_DIR VORN_DOCS TAG [TAG ...]" >&2
  exit 2
fi
out=$1 docs=$2
shift 2

version=$(sed -n 's/^project(Vorn VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "make_downloads.sh: no version in CMakeLists.txt's project()" >&2; exit 1; }
# Named as scripts/make_deken.sh names it.
dek="Vorn[v$version]$(printf '(%s)' $(printf '%s\n' "$@" | sort -u)).dek"
for file in "$root/dist/Vorn.zip" "$root/dist/$dek"; do
  [ -f "$file" ] || { echo "make_downloads.sh: $file is missing (make dist, make deken)" >&2; exit 1; }
done

rm -rf "$out"
mkdir -p "$out"
cp "$root/dist/Vorn.zip" "$out/Vorn-$version-Max.zip"
cp "$root/dist/$dek" "$out/"
sha256sum "$out/$dek" | cut -d' ' -f1 | tr -d '\n' >"$out/$dek.sha256"
"$docs" --objects "$out/$dek.txt"
sums=$(cd "$out" && sha256sum -- *)
printf '%s\n' "$sums" >"$out/SHA256SUMS"
echo "$out:"
ls -1 "$out"
