#!/usr/bin/env bash
# Vorn where a user puts it, in a real Pd that is given no path:
#   check_packaging.sh install PD_BUILD_DIR   `make install-pd` into an empty home, then a
#                                             fresh `pd -nogui` there creates [Vorn hall], and
#                                             opens the examples installed beside it; the
#                                             same into a folder with a space in its name;
#   check_packaging.sh deken PD_BUILD_DIR     `make deken`'s package unpacked into an empty
#                                             folder, which `pd -nogui -batch` creates the box
#                                             from, and its help patch and examples open there.
# Exit 77 when Pd is not installed.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
mode=$1 build=$2
command -v pd >/dev/null || { echo "skipped: Debian's puredata-core is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/patch"
printf '#N canvas 0 0 300 200 10;\n#X obj 10 10 Vorn hall;\n' >"$work/patch/box.pd"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# Runs Pd with the arguments given from an empty folder, and checks that Vorn was loaded
# from FOLDER/Vorn/ and that nothing failed to create.
pd_creates_box() {
  local folder=$1 log=$work/pd.log
  shift
  (cd "$work/patch" && timeout 60 pd -nogui -nosound -nomidi -stderr -verbose "$@" -send "pd quit") >"$log" 2>&1
  local status=$?
  [ $status -eq 0 ] || fail "pd exited with $status"
  grep -q "tried $folder/Vorn/Vorn\.[a-z_0-9]* and succeeded" "$log" ||
    fail "Vorn was not loaded from $folder/Vorn/"
  grep -q "^Vorn [0-9.]* - " "$log" || fail "no Vorn banner: the box was not made"
  if grep -Ei "couldn't create|error" "$log"; then fail "Pd reported trouble"; fi
  [ $failed -eq 0 ] || grep -v '^verbose' "$log"
}

case $mode in
  install)
    home="$work/home"
    mkdir "$home"
    # A fresh user: no preferences, nothing in the environment that names a path.
    HOME="$home" "$root/scripts/install_pd.sh" "$build" || exit 1
    HOME="$home" pd_creates_box "$home/.local/lib/pd/extra" -open "$work/patch/box.pd"
    installed=$home/.local/lib/pd/extra/Vorn/examples
    [ -f "$installed/Vorn-dome.pd" ] || fail "no examples/Vorn-dome.pd installed"
    for example in "$installed"/Vorn-*.pd; do
      HOME="$home" pd_creates_box "$home/.local/lib/pd/extra" -batch -open "$example"
    done
    # Through make, into a folder whose name has a space: it stays one folder. `-o pd` keeps
    # make from building Pd again, which the test's build already did.
    spaced="$work/my externals"
    HOME="$home" make -s -C "$root" -o pd install-pd PD_BUILD="$build" PD_EXTERNALS="$spaced" >"$work/make.log" 2>&1 ||
      { cat "$work/make.log"; fail "make install-pd into a folder with a space"; }
    [ -f "$spaced/Vorn/Vorn.pd_linux" ] || fail "make install-pd did not install into $spaced/Vorn"
    [ ! -e "$work/my" ] || fail "make install-pd split $spaced at its space"
    grep -qF "installed into $spaced/Vorn:" "$work/make.log" || fail "make install-pd reported: $(cat "$work/make.log")"
    HOME="$home" pd_creates_box "$spaced" -noprefs -path "$spaced" -open "$work/patch/box.pd"
    ;;
  deken)
    cpu=$(uname -m | sed 's/^x86_64$/amd64/; s/^aarch64$/arm64/; s/^i[3-6]86$/i386/')
    package=$("$root/scripts/make_deken.sh" "$work/out" "$build/Vorn-help.pd" "Linux-$cpu-32=$build/Vorn.pd_linux") || exit 1
    version=$(sed -n 's/^project(Vorn VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
    [ "$(basename "$package")" = "Vorn[v$version](Linux-$cpu-32).dek" ] || fail "named $(basename "$package")"
    mkdir "$work/unpacked"
    python3 - "$package" "$work/unpacked" <<'PYTHON' || fail "the package's contents"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as package:
    names = sorted(n for n in package.namelist() if not n.endswith("/"))
    wanted = ["Vorn/LICENSE", "Vorn/Vorn-help.pd", "Vorn/Vorn.pd_linux"]
    examples = [n for n in names if n.startswith("Vorn/examples/Vorn-") and n.endswith(".pd")]
    if "Vorn/examples/Vorn-dome.pd" not in examples or sorted(wanted + examples) != names:
        sys.exit(f"holds {names}, wants {wanted}")
    package.extractall(sys.argv[2])
PYTHON
    pd_creates_box "$work/unpacked" -batch -noprefs -path "$work/unpacked" \
      -open "$work/patch/box.pd" -open "$work/unpacked/Vorn/Vorn-help.pd" \
      $(for example in "$work"/unpacked/Vorn/examples/*.pd; do printf -- '-open %s ' "$example"; done)
    ;;
  *) echo "usage: check_packaging.sh install|deken PD_BUILD_DIR"; exit 2 ;;
esac
[ $failed -eq 0 ] && echo "$mode: [Vorn hall] created in Pd from the installed folder"
exit $failed
