#!/usr/bin/env bash
# Installs the Debian packages that a make target needs, and only when one is missing, so
# that a second run costs a few dpkg queries.
#   install-deps.sh [--plan] [PART ...]
# Each PART is what a group of make targets needs:
#   run        a compiler, CMake and make: `make run` (vorn-sim alone)
#   pd         that and Pd's header: `make pd`, `make install-pd`
#   native     the native developer builds: the release with its benchmarks, the sanitized and
#              fuzz builds, the tests' libraries, valgrind (`make bench`, `make fuzz` ...)
#   windows    mingw-w64 and wine, and Pd's header for the Windows Pd external: `make windows`
#   pd-windows the 64-bit mingw-w64 and Pd's header alone: `make pd-windows` (for `make deken`)
#   cross      the Zig cross builds: Pd's header, LLVM's lipo and readers, the Mach-O reader in
#              python, qemu's user mode, and Zig from npm into build/zig: `make macos`, `make pd-arm64` ...
#   packaging  zip: `make dist`, `make deken`
#   editor     node and chromium for the mask-editor page's tests, with what `native` builds
#   pd-bench   Pd and the vbap object that `make bench-pd` measures against
#   picture    Pd's GUI on a virtual display for `make help-picture`
#   test       everything `make test` runs (the default)
# The older spellings --native-only, --cross, --editor, --pd-bench and --picture still work.
# With --plan, prints the packages the parts need, one a line (Zig as "zig (npm, build/zig)"),
# and installs nothing.
set -euo pipefail

base=(cmake make g++)
# The tests' scripts need a python3; one from elsewhere serves as well as Debian's.
native=(libgtest-dev libbenchmark-dev nlohmann-json3-dev clang libclang-rt-14-dev valgrind)
command -v python3 >/dev/null || native+=(python3)
pd_header=(puredata-dev)
# Pd itself, which the tests run the external in.
pd_program=(puredata-core)
windows=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 wine32:i386)
editor=(chromium)
# A node from elsewhere (with its own npm) serves as well as Debian's, and Debian's npm would
# clash with it.
command -v node >/dev/null || editor+=(nodejs)
command -v npm >/dev/null || editor+=(npm)
# The cross builds: LLVM's lipo and Mach-O readers, LLVM's Mach-O linker (the macOS bundles),
# the Mach-O reader in python, qemu for arm64 and armv7, and npm for Zig.
cross=(llvm-14 lld-14 python3-macholib qemu-user)
command -v npm >/dev/null || cross+=(npm)
packaging=(zip)
# Pd's 64-bit Windows external alone (`make deken`): its compiler, no wine.
pd_windows=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64)
# `make help-picture`: Pd's GUI on a virtual display, its window captured and made a PNG.
picture=(puredata-core puredata-gui xvfb x11-apps x11-utils imagemagick)

plan=0
parts=()
for argument in "$@"; do
  case $argument in
    --plan) plan=1 ;;
    --native-only) parts+=(native) ;;
    --cross | --editor | --pd-bench | --picture) parts+=("${argument#--}") ;;
    run | pd | native | windows | pd-windows | cross | packaging | editor | pd-bench | picture | test) parts+=("$argument") ;;
    *) echo "install-deps.sh: no part \"$argument\" (run, pd, native, windows, pd-windows, cross, packaging, editor, pd-bench, picture, test)" >&2
       exit 2 ;;
  esac
done
[ ${#parts[@]} -gt 0 ] || parts=(test)

wanted=("${base[@]}")
zig=0
for part in "${parts[@]}"; do
  case $part in
    run) ;;
    pd) wanted+=("${pd_header[@]}") ;;
    native) wanted+=("${native[@]}") ;;
    windows) wanted+=("${pd_header[@]}" "${windows[@]}") ;;
    pd-windows) wanted+=("${pd_header[@]}" "${pd_windows[@]}") ;;
    cross) wanted+=("${pd_header[@]}" "${cross[@]}"); zig=1 ;;
    packaging) wanted+=("${packaging[@]}") ;;
    editor) wanted+=("${native[@]}" "${editor[@]}") ;;
    pd-bench) wanted+=("${native[@]}" "${pd_header[@]}" "${pd_program[@]}" pd-vbap) ;;
    picture) wanted+=("${native[@]}" "${picture[@]}") ;;
    test) wanted+=("${native[@]}" "${pd_header[@]}" "${pd_program[@]}" "${windows[@]}" "${editor[@]}" \
                   "${packaging[@]}" "${cross[@]}"); zig=1 ;;
  esac
done
# Each package once, in the order first named.
mapfile -t wanted < <(printf '%s\n' "${wanted[@]}" | awk '!seen[$0]++')

if [ $plan -eq 1 ]; then
  printf '%s\n' "${wanted[@]}"
  [ $zig -eq 0 ] || echo "zig (npm, build/zig)"
  exit 0
fi

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
if [ $zig -eq 1 ]; then
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
fi
