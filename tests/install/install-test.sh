#!/usr/bin/env bash
# Tests of TORVA as a host developer and a user meet it: installed into a staging folder (DESTDIR),
# built against through pkg-config or find_package(Torva) alone, run as an ordinary user.
#
#   install-test.sh BUILD_DIR SOURCE_DIR CASE
#
# CASE: exports | pkg-config-host | cmake-consumer | user-host-folder | window-host-folder |
#       window-manager | display
# The window cases run under their own Xvfb and close the form as a user does: a click on "关闭".
# "display" checks that display itself: it takes every client, one after another.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
case_name=$3

work=$(mktemp -d)
xvfb_pid=
wm_pid=
cleanup() {
  if [ -n "$wm_pid" ]; then kill "$wm_pid" 2>/dev/null || true; wait "$wm_pid" 2>/dev/null || true; fi
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
  # -displayfd: the first display number free on this machine, never one another test holds.
  # -noreset: an X server resets when its last client leaves, and refuses connections meanwhile;
  # the form closing, or xdotool ending a search, would then leave the next client without a display.
  Xvfb -displayfd 5 -noreset -ac -nolisten tcp -screen 0 1280x1024x24 5>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  DISPLAY=":$(head -1 "$work/display")"
  export DISPLAY
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
}

# A window property as text, read in a UTF-8 locale whatever the test's own (C.UTF-8 is always there).
property_of() { LC_ALL=C.UTF-8 xprop -id "$1" "$2" 2>/dev/null; }

# Runs "$@" in the background and waits for the audit window: $form_pid, $window. The window is the
# one on the test's own display whose _NET_WM_NAME is "审计信息", which reads the same in any locale
# (xdotool's --name reads the legacy WM_NAME through the locale).
start_form() {
  "$@" > "$work/out.txt" 2>&1 &
  form_pid=$!
  window=
  for _ in $(seq 300); do
    for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
      [ "$(property_of "$w" _NET_WM_NAME)" = '_NET_WM_NAME(UTF8_STRING) = "审计信息"' ] && window=$w
    done
    [ -n "$window" ] && break
    kill -0 "$form_pid" 2>/dev/null || { cat "$work/out.txt"; fail "ended before its window appeared"; }
    sleep 0.1
  done
  [ -n "$window" ] || { kill "$form_pid"; cat "$work/out.txt"; fail "no audit window appeared"; }
}

# Clicks the close button "关闭" of the form start_form opened (RzButton1 at 561,531, 89 wide) as the
# auditor would and waits for the command to end.
close_form() {
  # A click that lands before the window is ready on a busy machine is lost; the auditor would click
  # again, and so does the test (a second click on a form that has closed changes nothing).
  for _ in $(seq 5); do
    sleep 0.5
    xdotool mousemove --window "$window" 605 543 click 1 2>/dev/null
    for _ in $(seq 40); do kill -0 "$form_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$form_pid" 2>/dev/null || break
  done
  if kill -0 "$form_pid" 2>/dev/null; then kill "$form_pid"; cat "$work/out.txt"; fail "the form did not close"; fi
  wait "$form_pid" || { cat "$work/out.txt"; fail "exit status $?"; }
  cat "$work/out.txt"
}

run_and_close_form() {
  start_form "$@"
  close_form
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

window-manager)
  # The window as a window manager frames it: what openbox allows the auditor to do with it, the
  # hints it was given, and where it stands.
  command -v openbox >/dev/null && command -v xprop >/dev/null && command -v xwininfo >/dev/null ||
    fail "openbox, xprop and xwininfo are needed"
  mkdir -p "$work/home" "$work/other/Data"
  cp "$root/share/torva/GL.mgl" "$work/other/Data/GL.mgl"
  make_demo_project "$work/demo.db"
  start_xvfb
  HOME="$work/home" openbox --sm-disable >/dev/null 2>&1 &
  wm_pid=$!
  for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
  start_form "$build/torva-host" --host-folder "$work/other" "$work/demo.db" 4
  # Framed and centred once activated: the frame's centre is the screen's (1280x1024), within a pixel.
  centred=
  for _ in $(seq 100); do
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ' ')
    if [ -n "$extents" ]; then
      # xwininfo, not xdotool: xdotool adds the frame's offset to a reparented window's position.
      info=$(xwininfo -id "$window")
      X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
      Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
      WIDTH=$(echo "$info" | sed -n 's/^ *Width: *//p')
      HEIGHT=$(echo "$info" | sed -n 's/^ *Height: *//p')
      IFS=, read -r left right top bottom <<< "$extents"
      dx=$(( 2 * (X - left) + WIDTH + left + right - 1280 ))
      dy=$(( 2 * (Y - top) + HEIGHT + top + bottom - 1024 ))
      if [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]; then centred=yes; break; fi
    fi
    sleep 0.1
  done
  [ -n "$centred" ] || fail "frame not centred: client ${X:-?},${Y:-?} ${WIDTH:-?}x${HEIGHT:-?}, extents $extents"
  [ "$WIDTH" = 734 ] && [ "$HEIGHT" = 573 ] || fail "client area ${WIDTH}x${HEIGHT}, not 734x573"
  # What the window manager allows: moving, minimising, closing; neither resizing nor maximising.
  allowed=$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)
  echo "$allowed"
  for action in MOVE MINIMIZE CLOSE; do
    echo "$allowed" | grep -q "_NET_WM_ACTION_$action\b" || fail "_NET_WM_ACTION_$action is not allowed"
  done
  for action in RESIZE MAXIMIZE_HORZ MAXIMIZE_VERT; do
    echo "$allowed" | grep -q "_NET_WM_ACTION_$action\b" && fail "_NET_WM_ACTION_$action is allowed"
  done
  # The Motif hints every X window manager reads: functions move, minimise, close; decorations
  # border, title, menu, minimise; no resize and no maximise in either.
  motif=$(xprop -id "$window" _MOTIF_WM_HINTS | sed -n 's/.*= //p')
  echo "_MOTIF_WM_HINTS = $motif"
  IFS=', ' read -r flags functions decorations _ <<< "$motif"
  [ $(( flags & 3 )) -eq 3 ] || fail "Motif hints without functions and decorations: $motif"
  [ $(( functions & 0x13 )) -eq 0 ] && [ $(( functions & 0x2c )) -eq $(( 0x2c )) ] ||
    fail "Motif functions $functions"
  [ $(( decorations & 0x45 )) -eq 0 ] && [ $(( decorations & 0x3a )) -eq $(( 0x3a )) ] ||
    fail "Motif decorations $decorations"
  # Not resizable for the window managers that read only the size hints: minimum and maximum alike.
  size_hints=$(xprop -id "$window" WM_NORMAL_HINTS)
  for bound in minimum maximum; do
    echo "$size_hints" | grep -q "program specified $bound size: 734 by 573" || fail "no $bound size 734x573"
  done
  # The legacy title, for window managers that read only WM_NAME: compound text, which they turn
  # into their own locale's encoding, not UTF-8 bytes passed off as Latin-1.
  legacy=$(property_of "$window" WM_NAME)
  echo "$legacy"
  [ "$legacy" = 'WM_NAME(COMPOUND_TEXT) = "审计信息"' ] || fail "legacy title $legacy"
  close_form
  ;;

display)
  # Each client leaves before the next comes, as the forms and xdotool of the window cases do.
  start_xvfb
  for i in $(seq 200); do
    xdotool getdisplaygeometry >/dev/null 2>&1 || fail "client $i could not connect to $DISPLAY"
  done
  ;;

*) fail "unknown case $case_name" ;;
esac
echo "ok: $case_name"
