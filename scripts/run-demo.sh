#!/bin/sh
# make run: opens the demo project's audit form at audit stage "4" with the amounts 12.5 (owner-
# supplied materials) and 3 (contractor-supplied materials). Without a display, renders the four
# pages to PNG files instead and prints the report cover's fields.
#
#   scripts/run-demo.sh BUILD_DIR
set -eu

if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
host="$build/torva-host"
demo_dir="$build/demo"
demo_db="$demo_dir/demo.db"

for tool in torva-host torva-host-qt.so torva-sqlexec libtorva.so.0 Data/GL.mgl; do
  if [ ! -e "$build/$tool" ]; then
    echo "run-demo: $build/$tool is missing; build first (make build)" >&2
    exit 1
  fi
done

if [ ! -f "$demo_db" ]; then
  mkdir -p "$demo_dir"
  # Built under a temporary name, so that a failed step leaves no half-made project behind.
  rm -f "$demo_db.new"
  "$host" --init "$demo_db.new"
  "$build/torva-sqlexec" "$demo_db.new" "$root/data/demo_project.sql"
  mv "$demo_db.new" "$demo_db"
  echo "run-demo: created the demo project $demo_db"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$host" "$demo_db" 4 "" "" 12.5 3
fi

# Qt wants a private runtime folder; without a session there is none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$build/.runtime"
  mkdir -p "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
fi

snapshots="$build/snapshots"
echo "run-demo: no display; rendering the form's pages offscreen"
"$host" --snapshot "$snapshots" "$demo_db" 4 "" "" 12.5 3
echo "run-demo: the four pages are in $snapshots/:"
for page in TS_FM TS_D TS_T TS_CS; do
  echo "  $snapshots/$page.png"
done
echo "run-demo: the report cover (报表封面) as the form shows it:"
printf 'print T_46 T_47 T_48 T_49 T_50 T_51 T_52 T_53 T_54 T_55 T_56 T_57\n' |
  "$host" --script - "$demo_db" 4 "" "" 12.5 3
