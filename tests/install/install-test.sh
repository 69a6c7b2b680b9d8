#!/usr/bin/env bash
# Tests of TORVA as a host developer and a user meet it: installed into a staging folder (DESTDIR),
# built against through pkg-config or find_package(Torva) alone, run as an ordinary user.
#
#   install-test.sh BUILD_DIR SOURCE_DIR CASE
#
# CASE: exports | pkg-config-host | cmake-consumer | user-host-folder | window-host-folder
# The window cases run under their own Xvfb and close the form as a user does: a click on "关闭".
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
case_name=$3

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The staged installation: everything `cmake --install` puts under the prefix, moved into $work.
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
DESTDIR="$work/stage" cmake --install "$build" >/dev/null
root="$work/stage$prefix"
libdir=$(dirname "$(find "$root" -name 'libtorva.so.0' | head -1)")
[ -n "$libdir" ] || fail "no libtorva.so.0 installed"

# A project database with the demo project's figures, made with the tools of the build (fixtures
# only; nothing is built against the build tree).
make_demo_project() {
  "$root/bin/torva-host" --init "$1"
  "$build/torva-sqlexec" "$1" "$source_dir/data/demo_project.sql"
}

start_xvfb() {
  command -v Xvfb >/dev/null && command -v xdotool >/dev/null || fail "Xvfb and xdotool are needed"
  : > "$work/display"
  Xvfb -displayfd 5 -ac -nolisten tcp -screen 0 1280x1024x24 5>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  DISPLAY=":$(head -1 "$work/display")"
  export DISPLAY
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
}

# Runs "$@" in the background, waits for the audit window, clicks its close button "关闭"
# (RzButton1 at 561,531, 89 wide) as the auditor would and waits for the command to end.
run_and_close_form() {
  "$@" > "$work/out.txt" 2>&1 &
  local pid=$! window=
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^审计信息$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$work/out.txt"; fail "ended before its window appeared"; }
    sleep 0.1
  done
  [ -n "$window" ] || { kill "$pid"; cat "$work/out.txt"; fail "no audit window appeared"; }
  # A click that lands before the window is ready on a busy machine is lost; the auditor would click
  # again, and so does the test (a second click on a form that has closed changes nothing).
  for _ in $(seq 5); do
    sleep 0.5
    xdotool mousemove --window "$window" 605 543 click 1 2>/dev/null
    for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null || break
  done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; cat "$work/out.txt"; fail "the form did not close"; fi
  wait "$pid" || { cat "$work/out.txt"; fail "exit status $?"; }
  cat "$work/out.txt"
}

# An ordinary user for the cases that must not need root; the current user when not root.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work/home" "$@"
  else
    env HOME="$work/home" "$@"
  fi
}

case "$case_name" in
exports)
  names=$(nm -D --defined-only "$libdir/libtorva.so.0" | awk '{print $3}' | sort | tr '\n' ' ')
  [ "$names" = "OpenForm@@TORVA_0 TORVA_0 " ] || fail "exported: $names"
  soname=$(objdump -p "$libdir/libtorva.so.0" | awk '$1 == "SONAME" {print $2}')
  [ "$soname" = libtorva.so.0 ] || fail "SONAME $soname"
  ;;

pkg-config-host)
  export PKG_CONFIG_PATH="$libdir/pkgconfig"
  mkdir -p "$work/host/Data"
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Wextra -pedantic -Werror -o "$work/host/c-host" "$source_dir/examples/c-host/host.c" \
    $(pkg-config --cflags --libs torva)
  ln -s "$root/share/torva/GL.mgl" "$work/host/Data/GL.mgl"
  make_demo_project "$work/demo.db"
  start_xvfb
  LD_LIBRARY_PATH="$(pkg-config --variable=libdir torva)" run_and_close_form "$work/host/c-host" "$work/demo.db" 4 12.5 3
  grep -q "the form has closed" "$work/out.txt" || fail "c-host did not return from OpenForm"
  # The form closed by its own close: the coefficient list was written into the host's folder and
  # the fields were saved.
  [ -f "$work/host/SJKS.txt" ] || fail "no SJKS.txt in the host folder"
  ;;

cmake-consumer)
  cmake -S "$source_dir/tests/install/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$root" >/dev/null
  cmake --build "$work/consumer" >/dev/null
  readelf -d "$work/consumer/c-host" | grep -q 'NEEDED.*\[libtorva.so.0\]' || fail "c-host does not need libtorva.so.0"
  ;;

user-host-folder)
  mkdir -p "$work/home"
  make_demo_project "$work/home/demo.db"
  chown -R nobody "$work/home" 2>/dev/null || true
  # Script mode: the fee standard found, the coefficient list written into the user's own folder.
  printf 'set T_44 70\nkey T_44 enter\nprint T_44.items\n' |
    as_user "$root/bin/torva-host" --script - "$work/home/demo.db" 4 > "$work/out.txt"
  cat "$work/out.txt"
  grep -q '打开勘察设计费用文件错误' "$work/out.txt" && fail "the installed fee standard was not found"
  folder="$work/home/.local/share/torva"
  [ "$(readlink -f "$folder/Data/GL.mgl")" = "$(readlink -f "$root/share/torva/GL.mgl")" ] || fail "Data/GL.mgl"
  grep -q "^70\b" "$folder/SJKS.txt" || fail "the coefficient list is not in $folder"
  # Snapshots through the installed private Qt module.
  as_user env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR= "$root/bin/torva-host" --snapshot "$work/home/shots" "$work/home/demo.db" 4 >/dev/null 2>&1 ||
    fail "snapshot mode of the installed torva-host"
  [ -s "$work/home/shots/TS_FM.png" ] || fail "no snapshot written"
  ;;

window-host-folder)
  mkdir -p "$work/home" "$work/other/Data"
  cp "$root/share/torva/GL.mgl" "$work/other/Data/GL.mgl"
  make_demo_project "$work/demo.db"
  start_xvfb
  # The build's torva-host with --host-folder: started again from that folder, the library finds it.
  run_and_close_form "$build/torva-host" --host-folder "$work/other" "$work/demo.db" 4
  [ -f "$work/other/SJKS.txt" ] || fail "--host-folder: no SJKS.txt in the folder named"
  # The installed torva-host as an ordinary user: the per-user folder becomes the library's.
  cp "$work/demo.db" "$work/home/demo.db"
  chown -R nobody "$work/home" 2>/dev/null || true
  run_and_close_form as_user "$root/bin/torva-host" "$work/home/demo.db" 4
  [ -f "$work/home/.local/share/torva/SJKS.txt" ] || fail "installed: no SJKS.txt in the user's folder"
  ;;

*) fail "unknown case $case_name" ;;
esac
echo "ok: $case_name"
