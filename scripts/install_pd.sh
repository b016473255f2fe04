#!/usr/bin/env bash
# Installs the Pd external with its help patch, its examples and licence into a folder that Pd searches
# with no preference set: Debian's Pd 0.53 looks in ~/.local/lib/pd/extra, ~/pd-externals,
# /usr/local/lib/pd-externals and its own extra folders, and in each for NAME/NAME.pd_linux.
#   install_pd.sh BUILD_DIR [EXTERNALS_DIR]    (default: ~/.local/lib/pd/extra)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
externals=${2:-$HOME/.local/lib/pd/extra}

for file in "$build/Vorn.pd_linux" "$build/Vorn-help.pd"; do
  [ -f "$file" ] || { echo "install_pd.sh: $file is missing (make pd builds it)" >&2; exit 1; }
done
ls "$build"/examples/Vorn-*.pd >/dev/null 2>&1 || { echo "install_pd.sh: $build/examples/ has no example (make pd makes them)" >&2; exit 1; }
mkdir -p "$externals/Vorn"
# The examples as this build makes them: none left over from an earlier version.
rm -rf "$externals/Vorn/examples"
mkdir "$externals/Vorn/examples"
cp "$build/Vorn.pd_linux" "$build/Vorn-help.pd" "$root/LICENSE" "$externals/Vorn/"
cp "$build"/examples/Vorn-*.pd "$externals/Vorn/examples/"
if [ -z "${2:-}" ]; then
  echo "installed into $externals/Vorn: [Vorn hall] creates in any patch, no path to set"
else
  echo "installed into $externals/Vorn: [Vorn hall] creates where Pd searches $externals"
fi
# The place of earlier versions, found by Pd only through a path preference.
old="$HOME/Documents/Pd/externals/Vorn"
if [ "$externals" != "$HOME/Documents/Pd/externals" ] && [ -f "$old/Vorn.pd_linux" ]; then
  echo "note: an earlier install is still in $old; if Pd's path names it, Pd may load that one"
fi
