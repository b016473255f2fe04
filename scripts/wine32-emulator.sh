#!/usr/bin/env bash
# On a kernel that cannot execute 32-bit programs, wine's 32-bit loader runs under qemu's
# user-mode emulator. This makes DIR a copy of wine's 64-bit loader with a `wine` beside it
# that starts the 32-bit loader under qemu-i386: wine64 takes the `wine` beside itself as
# its 32-bit twin. qemu-i386 comes from the backports suite's qemu-user (an older one needs
# most of a minute per start), fetched through a private apt list into DIR and never
# installed or registered with binfmt. On a kernel that runs 32-bit code, nothing is done.
#   wine32-emulator.sh DIR
set -euo pipefail
dir=${1:?usage: wine32-emulator.sh DIR}

if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  exit 0
fi
if [ ! -x /usr/lib/wine/wine ] || [ ! -x /usr/lib/wine/wine64 ]; then
  echo "wine32-emulator: wine and wine32 are not installed" >&2
  exit 1
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

if ! "$dir/qemu-i386" --version >/dev/null 2>&1; then
  # The backports suite beside the system's own, through a private list.
  . "$(dirname "$0")/private-apt.sh"
  apt_dir=$dir/apt
  private_apt wine32-emulator "$apt_dir" -backports "$(dpkg --print-architecture)"
  echo "wine32-emulator: fetching qemu-user from $mirror $codename-backports into $dir"
  (cd "$apt_dir" && apt-get "${apt[@]}" download qemu-user)
  deb=$(ls "$apt_dir"/qemu-user_*.deb)
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/bin/qemu-i386 >"$dir/qemu-i386.part"
  chmod 755 "$dir/qemu-i386.part"
  mv "$dir/qemu-i386.part" "$dir/qemu-i386"
  rm -rf "$apt_dir"
  "$dir/qemu-i386" --version | head -n 1
fi

# wine64 finds its libraries and data relative to itself, as under /usr: lib/wine/wine64
# beside ../x86_64-linux-gnu/wine and ../../share/wine. Copied each time, so that it stays
# the installed wine's (renamed into place: wine's lingering processes may run the old one).
mkdir -p "$dir/lib/wine" "$dir/lib/x86_64-linux-gnu" "$dir/share"
ln -sfn /usr/lib/x86_64-linux-gnu/wine "$dir/lib/x86_64-linux-gnu/wine"
ln -sfn /usr/share/wine "$dir/share/wine"
if ! cmp -s /usr/lib/wine/wine64 "$dir/lib/wine/wine64"; then
  cp /usr/lib/wine/wine64 "$dir/lib/wine/wine64.part"
  mv -f "$dir/lib/wine/wine64.part" "$dir/lib/wine/wine64"
fi
printf '#!/bin/sh\nexec "%s" /usr/lib/wine/wine "$@"\n' "$dir/qemu-i386" >"$dir/lib/wine/wine"
chmod 755 "$dir/lib/wine/wine"
"$dir/lib/wine/wine" --version >/dev/null || {
  echo "wine32-emulator: wine's 32-bit loader does not start under $dir/qemu-i386" >&2
  exit 1
}
