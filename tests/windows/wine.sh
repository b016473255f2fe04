#!/usr/bin/env bash
# Wine for the Windows tests, headless, in the project's own prefix:
#   wine.sh PREFIX start        make the prefix if missing, start a lingering wineserver
#   wine.sh PREFIX stop         stop it
#   wine.sh PREFIX scenario COMPARE WIDTH SIM SCRIPT EXPECTED
#                               run one transcript scenario through SIM and compare
#   wine.sh PREFIX plugin SIM PLUGIN SCRIPT
#                               check that SIM --plugin loads the plug-in it names
# A scenario may say "# status: N" (its exit status) and "# hosts: ..." (the hosts it runs
# on, of native x64 x86); one not meant for WIDTH exits 77, which CTest counts as skipped.
set -uo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
command=$2
shift 2

# Some kernels cannot execute 32-bit programs at all: wine's 32-bit loader fails there. Then
# the loader of $VORN_WINE32 (made by scripts/wine32-emulator.sh) serves both widths, its 32-bit
# half under qemu-i386; without it the 64-bit loader serves the 64-bit tests and the 32-bit
# ones are skipped, saying why.
emulated=0
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  can_run_32_bit=1
  wine() { command wine "$@"; }
elif [ -n "${VORN_WINE32:-}" ] && "$VORN_WINE32/lib/wine/wine" --version >/dev/null 2>&1; then
  can_run_32_bit=1 emulated=1
  export WINELOADER=$VORN_WINE32/lib/wine/wine64
  wine() { "$WINELOADER" "$@"; }
  # wine64 alone looks for the 32-bit libraries beside its own; the prefix's syswow64 needs them.
  wineboot() { WINEDLLPATH=/usr/lib/i386-linux-gnu/wine "$WINELOADER" wineboot "$@"; }
else
  can_run_32_bit=0
  export WINELOADER=/usr/lib/wine/wine64
  wine() { /usr/lib/wine/wine64 "$@"; }
  wineboot() { /usr/lib/wine/wine64 wineboot "$@"; }
fi

case $command in
start)
  # Wine's background processes inherit our descriptors: CTest would wait for them.
  exec </dev/null >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i && wineserver -w || exit 1
  fi
  # A prefix made while 32-bit programs could not run lacks its 32-bit half; wine installs
  # it only on a full update, which a changed timestamp asks for.
  if [ $emulated -eq 1 ] && [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    rm -f "$WINEPREFIX/.update-timestamp"
    wineboot -u && wineserver -w || exit 1
  fi
  wineserver -p 30
  # Start the prefix's services here: started by a test's wine they would keep its output
  # open, and CTest would wait for them until the timeout.
  wine cmd /c exit 0
  ;;
stop)
  wineserver -k
  exit 0
  ;;
scenario)
  compare=$1 width=$2 sim=$3 script=$4 expected=$5
  hosts=$(sed -n 's/^# hosts: *//p' "$script" | head -n 1)
  if [ -n "$hosts" ] && [[ " $hosts " != *" $width "* ]]; then
    echo "not for $width (# hosts: $hosts)"
    exit 77
  fi
  if [ "$width" = x86 ] && [ $can_run_32_bit -eq 0 ]; then
    echo "skipped: this machine's kernel cannot run 32-bit programs, and make windows made no emulator for it"
    exit 77
  fi
  want_status=$(sed -n 's/^# status: *\([0-9]*\).*/\1/p' "$script" | head -n 1)
  actual=$(mktemp)
  trap 'rm -f "$actual"' EXIT
  # Records filled with a pattern rather than zeros: creation must set every field itself.
  STANDIN_RECORD_FILL=0xA5 wine "$sim" <"$script" >"$actual"
  status=$?
  "$compare" --width "$width" "$expected" "$actual" || {
    echo "transcript of $(basename "$script") on $width differs from $(basename "$expected")" >&2
    exit 1
  }
  if [ "$status" -ne "${want_status:-0}" ]; then
    echo "exit status $status, expected ${want_status:-0}" >&2
    exit 1
  fi
  ;;
plugin)
  # --plugin PATH loads that file instead of the plug-in beside vorn-sim.exe.
  sim=$1 plugin=$2 script=$3
  if [[ "$plugin" == *.mxe ]] && [ $can_run_32_bit -eq 0 ]; then
    echo "skipped: this machine's kernel cannot run 32-bit programs, and make windows made no emulator for it"
    exit 77
  fi
  folder=$(mktemp -d)
  trap 'rm -rf "$folder"' EXIT
  cp "$plugin" "$folder/elsewhere.dll"
  beside=$(wine "$sim" "$script") || exit 1
  chosen=$(wine "$sim" --plugin "$folder/elsewhere.dll" "$script") || exit 1
  if [ -z "$beside" ] || [ "$beside" != "$chosen" ]; then
    echo "the plug-in given by --plugin wrote another transcript" >&2
    exit 1
  fi
  if wine "$sim" --plugin "$folder/missing.mxe" "$script" >/dev/null 2>&1; then
    echo "vorn-sim.exe ran without the plug-in named by --plugin" >&2
    exit 1
  fi
  ;;
*)
  echo "usage: wine.sh PREFIX start|stop|scenario|plugin ..." >&2
  exit 2
  ;;
esac
