#!/bin/sh
# Snapshots and reports drawn off screen with no $XDG_RUNTIME_DIR (root in a console, a container):
# torva-host uses a runtime folder of its own, so Qt has nothing to complain about, and leaves no
# folder behind.
#
#   private-runtime-dir-test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/tmp"
"$build/torva-host" --init "$work/p.db"
"$build/torva-sqlexec" "$work/p.db" "$source_dir/data/demo_project.sql"
bare() { env -u XDG_RUNTIME_DIR -u QT_QPA_PLATFORM TMPDIR="$work/tmp" "$@"; }

bare "$build/torva-host" --snapshot "$work/shots" "$work/p.db" 4 >/dev/null 2>"$work/err.txt" ||
  { cat "$work/err.txt"; fail "--snapshot"; }
bare "$build/torva-host" --report "$work/r.pdf" "$work/p.db" 4 >/dev/null 2>>"$work/err.txt" ||
  { cat "$work/err.txt"; fail "--report"; }
bare env QT_QPA_PLATFORM=offscreen "$build/torva-host" --script - "$work/p.db" 4 >/dev/null 2>>"$work/err.txt" <<SCRIPT ||
report $work/s.pdf
close
SCRIPT
  { cat "$work/err.txt"; fail "a report in script mode"; }
cat "$work/err.txt"
[ -s "$work/shots/TS_FM.png" ] && [ -s "$work/r.pdf" ] && [ -s "$work/s.pdf" ] || fail "nothing drawn"
grep -q XDG_RUNTIME_DIR "$work/err.txt" && fail "Qt still asks for XDG_RUNTIME_DIR"
left=$(ls -A "$work/tmp")
[ -z "$left" ] || fail "left behind in TMPDIR: $left"
echo ok
