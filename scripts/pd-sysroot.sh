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

# The system's own suite, at the mirror the system already uses.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { echo "pd-sysroot: no VERSION_CODENAME in /etc/os-release" >&2; exit 1; }
mirror=$(apt-get indextargets --no-release-info --format '$(RELEASE) $(REPO_URI)' 2>/dev/null |
         awk -v suite="$codename" '$1 == suite { print $2; exit }')
mirror=${mirror:-http://deb.debian.org/debian/}
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
signed_by=""
[ -f "$keyring" ] && signed_by="[arch=$arch signed-by=$keyring] "
[ -f "$keyring" ] || signed_by="[arch=$arch] "

apt_dir=$dir.apt
rm -rf "$apt_dir"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts" "$apt_dir/debs"
echo "deb $signed_by$mirror $codename main" >"$apt_dir/sources.list"
: >"$apt_dir/status"
apt=(-q -o DPkg::Lock::Timeout=900
     -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts="$apt_dir/parts"
     -o Dir::Etc::Preferences="$apt_dir/parts/none" -o Dir::Etc::PreferencesParts="$apt_dir/parts"
     -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache"
     -o Dir::State::status="$apt_dir/status"
     -o APT::Architecture="$arch" -o APT::Architectures::="$arch" -o Acquire::Languages=none
     -o APT::Sandbox::User="$(id -un)")
echo "pd-sysroot: Debian's $arch Pd from $mirror $codename into $dir"
apt-get "${apt[@]}" update >/dev/null

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
