#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, and only when one is
# missing, so that a second run costs a few dpkg queries.
set -euo pipefail

# With --native-only: what `make run` needs; with --editor: that and the mask-editor page's
# tests; with --pd-bench: what `make run` needs, Pd and the vbap object that `make bench-pd`
# measures against; with --picture: what `make run` needs and what draws the Pd help's
# picture; with --cross: what `make run` needs and the cross builds' tools (Zig from npm into
# build/zig, never system-wide); with nothing: everything but the vbap object and the picture's.
native=(cmake make g++ libgtest-dev libbenchmark-dev nlohmann-json3-dev clang libclang-rt-14-dev valgrind)
# The tests' scripts need a python3; one from elsewhere serves as well as Debian's.
command -v python3 >/dev/null || native+=(python3)
pd=(puredata-core puredata-dev)
windows=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 wine32:i386)
editor=(chromium)
# A node from elsewhere (with its own npm) serves as well as Debian's, and Debian's npm would
# clash with it.
command -v node >/dev/null || editor+=(nodejs)
command -v npm >/dev/null || editor+=(npm)
# The cross builds: LLVM's lipo and Mach-O readers, the Mach-O reader in python, qemu for
# arm64, and npm for Zig.
cross=(llvm-14 python3-macholib qemu-user)
command -v npm >/dev/null || cross+=(npm)
# The zip of `make dist` (its picture check renders in the editor's chromium).
packaging=(zip)
# `make help-picture`: Pd's GUI on a virtual display, its window captured and made a PNG.
picture=(puredata-core puredata-gui xvfb x11-apps x11-utils imagemagick)

wanted=("${native[@]}")
case "${1:-}" in
  --native-only) ;;
  --editor) wanted+=("${editor[@]}") ;;
  --pd-bench) wanted+=("${pd[@]}" pd-vbap) ;;
  --picture) wanted+=("${picture[@]}") ;;
  --cross) wanted+=("${cross[@]}") ;;
  *) wanted+=("${pd[@]}" "${windows[@]}" "${editor[@]}" "${packaging[@]}" "${cross[@]}") ;;
esac

missing=()
for package in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  echo "installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Zig 0.11.0 from the npm package pinned in cmake/zig/package-lock.json (by version and
# integrity hash; it runs no install script), once per machine into a folder named by the
# lock file's hash beside Zig's shared cache (cmake/toolchains/zig.cmake), and linked from
# build/zig/node_modules.
case "${1:-}" in
  --native-only | --editor | --pd-bench) ;;
  *)
    root=$(cd "$(dirname "$0")/.." && pwd)
    lock=$root/cmake/zig/package-lock.json
    shared=${VORN_ZIG_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vorn-zig}/npm-$(sha256sum "$lock" | cut -c1-16)
    if [ ! -f "$shared/node_modules/.package-lock.json" ]; then
      mkdir -p "$(dirname "$shared")"
      # Installed aside and renamed into place, so that another build never sees half of it.
      part=$(mktemp -d "$shared.part.XXXXXX")
      cp "$root/cmake/zig/package.json" "$lock" "$part/"
      (cd "$part" && npm ci --ignore-scripts --no-audit --no-fund)
      [ -f "$shared/node_modules/.package-lock.json" ] || rm -rf "$shared"
      mv -T "$part" "$shared" 2>/dev/null || rm -rf "$part"
    fi
    mkdir -p "$root/build/zig"
    [ "$(readlink "$root/build/zig/node_modules" 2>/dev/null)" = "$shared/node_modules" ] ||
      { rm -rf "$root/build/zig/node_modules"; ln -s "$shared/node_modules" "$root/build/zig/node_modules"; }
    ;;
esac
