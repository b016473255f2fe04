#!/usr/bin/env bash
# The Pd help patch as Pd's own GUI draws it: Pd opens it on a virtual X display (Xvfb) with
# the external beside it, and the help's window is captured (xwd) and turned into a PNG.
#   scripts/pd_help_picture.sh [HELP_PATCH [EXTERNAL_FOLDER [PICTURE]]]
# The defaults are `make help`'s and `make pd`'s files and docs/pd-help.png.
set -euo pipefail
cd "$(dirname "$0")/.."

help=${1:-build/help/Vorn-help.pd}
externals=${2:-build/pd}
picture=${3:-docs/pd-help.png}
for tool in pd xvfb-run xwd xwininfo /usr/bin/convert; do
  command -v "$tool" >/dev/null || { echo "pd_help_picture: $tool is missing (make deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$help" "$work/Vorn-help.pd"
cp "$externals"/Vorn.pd_linux "$work/"

cat > "$work/capture.sh" <<'CAPTURE'
work=$1
pd -noaudio -nomidi -noprefs -path "$work" -open "$work/Vorn-help.pd" &
pd=$!
# Until the help's window is drawn: Pd names it after the file.
for _ in $(seq 50); do
  window=$(xwininfo -root -tree | awk '/"Vorn-help.pd / {print $1; exit}')
  [ -n "$window" ] && break
  sleep 0.2
done
sleep 2
status=1
[ -n "$window" ] && xwd -id "$window" -silent > "$work/window.xwd" && status=0
kill "$pd"
exit $status
CAPTURE
xvfb-run -a -s "-screen 0 1400x1300x24" bash "$work/capture.sh" "$work"
# The Debian ImageMagick, whatever else is called convert on the path.
# No dates in the file: the same drawing makes the same file.
/usr/bin/convert "xwd:$work/window.xwd" -strip -define png:exclude-chunk=date,time "$picture"
echo "$picture"
