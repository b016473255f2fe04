#!/usr/bin/env bash
# A root for qemu-user (-L) holding Debian's Pd for another architecture and the libraries it
# needs to run `pd -nogui -batch`: puredata-core and its Depends, recursively (the first of
# each set of alternatives), fetched with `apt-get download` through a private apt list for
# ARCH and unpacked with `dpkg-deb -x`. Nothing is installed or registered, no architecture is
# added to dpkg. Done once: a second run finds DIR/usr/bin/pd and returns.
#   pd-sysroot.sh ARCH DIR     ARCH as Debian names it: arm64, armhf
set -euo pipefail
arch=${1:?usage: pd-sysroot.sh ARCH DIR} dir=${2:?usage: pd-sysroot.sh ARCH DIR}

[ -e "$dir/usr/lib/puredata/bin/pd" ] && exit 0
mkdir -p "$(dirname "$dir")"
dir=$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")
# Unpacked beside it and renamed into place, so that an interrupted run leaves no half root.
rm -rf "$dir" "$dir.part"

# The system's own suite, through a private list.
. "$(dirname "$0")/private-apt.sh"
apt_dir=$dir.apt
private_apt pd-sysroot "$apt_dir" "" "$arch"
mkdir -p "$apt_dir/debs"
echo "pd-sysroot: Debian's $arch Pd from $mirror $codename into $dir"

# The closure of Depends and Pre-Depends from puredata-core.
wanted=(puredata-core)
declare -A seen=([puredata-core]=1)
for ((i = 0; i < ${#wanted[@]}; i++)); do
  fields=$(apt-cache "${apt[@]}" show --no-all-versions "${wanted[$i]}" |
           sed -n 's/^\(Pre-\)\{0,1\}Depends: //p')
  while read -r package; do
    [ -n "$package" ] && [ -z "${seen[$package]:-}" ] || continue
    seen[$package]=1
    wanted+=("$package")
  done < <(tr ',' '\n' <<<"$fields" | sed 's/|.*//; s/(.*)//; s/:any//; s/[[:space:]]//g')
done
echo "pd-sysroot: ${wanted[*]}"
(cd "$apt_dir/debs" && apt-get "${apt[@]}" download "${wanted[@]}" >/dev/null)
for deb in "$apt_dir"/debs/*.deb; do
  dpkg-deb -x "$deb" "$dir.part"
done
rm -rf "$apt_dir"
[ -e "$dir.part/usr/lib/puredata/bin/pd" ] || { echo "pd-sysroot: no Pd among the packages" >&2; exit 1; }
mv "$dir.part" "$dir"
