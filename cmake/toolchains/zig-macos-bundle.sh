#!/bin/sh
# Links a macOS plug-in as the hosts' own macOS builds are: an MH_BUNDLE (no install name, no
# dynamic linker of its own) whose one export is the entry point, with LLVM's ld64.lld over
# objects that Zig compiled. Zig's own link writes a dylib and exports its runtime.
#   zig-macos-bundle.sh COMPILER ZIG_LIB_DIR ZIG_TARGET WORK_DIR OUTPUT [LD64_OPTION | OBJECT ...]
# COMPILER is the wrapper zig.cmake writes (zig c++ for the target, with its cache); WORK_DIR
# keeps the paths of Zig's archives.
# libc++ and libc++abi come from Zig's archives for the target, built by Zig once per cache
# and linked in whole but hidden: the system's libc++ is older than Zig's headers, which name
# functions that macOS 11's does not have. libSystem (C library, maths, unwinder, compiler
# runtime) is Zig's stub of macOS 11's. ld64.lld signs the arm64 slice ad hoc by itself.
set -eu
compiler=$1 lib=$2 target=$3 runtime=$4 output=$5
shift 5
case $target in
  aarch64-macos.*) arch=arm64 ;;
  x86_64-macos.*) arch=x86_64 ;;
  *) echo "zig-macos-bundle: not a macOS target: $target" >&2; exit 1 ;;
esac
minimum=${target#*-macos.}
system=$lib/libc/darwin/libSystem.${minimum%%.*}.tbd
[ -f "$system" ] || { echo "zig-macos-bundle: Zig has no $system" >&2; exit 1; }
linker=$(command -v ld64.lld-14 || command -v ld64.lld) || {
  echo "zig-macos-bundle: no ld64.lld (Debian's lld-14: scripts/install-deps.sh --cross)" >&2; exit 1; }

# Where Zig keeps its libc++ for this target: the archives its own link of a C++ library uses.
# Found once per build folder; links running side by side each write their own, then rename.
if [ ! -s "$runtime/archives" ] || ! xargs ls <"$runtime/archives" >/dev/null 2>&1; then
  mkdir -p "$runtime"
  probe=$(mktemp -d "$runtime/probe.XXXXXX")
  printf '#include <string>\nstd::string vorn_runtime_probe() { return "runtime"; }\n' >"$probe/probe.cpp"
  ZIG_VERBOSE_LINK=1 "$compiler" -shared -o "$probe/probe.dylib" "$probe/probe.cpp" \
    >"$probe/link.log" 2>&1 || { cat "$probe/link.log" >&2; exit 1; }
  tr ' ' '\n' <"$probe/link.log" | grep -E '/libc\+\+(abi)?\.a$' | sort -u >"$probe/archives"
  [ "$(wc -l <"$probe/archives")" -eq 2 ] || {
    echo "zig-macos-bundle: no libc++.a and libc++abi.a in Zig's link:" >&2; cat "$probe/link.log" >&2; exit 1; }
  mv -f "$probe/archives" "$runtime/archives"
  rm -rf "$probe"
fi

# shellcheck disable=SC2046
exec "$linker" -arch "$arch" -platform_version macos "$minimum" "$minimum" -bundle -dead_strip \
  -o "$output" "$@" $(cat "$runtime/archives") "$system"
