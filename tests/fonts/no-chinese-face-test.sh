#!/bin/sh
# The form and the report on a machine whose fonts cannot draw Chinese: a font configuration that
# holds only Latin faces (DejaVu, which every Debian with fontconfig has), none that covers Chinese.
#
#   no-chinese-face-test.sh BUILD_DIR SOURCE_DIR report|window
#
# report: --report writes no PDF, says why on standard error and fails.
# window: the window still opens (its snapshots are written) and says on standard error which fonts
#         are missing; with the machine's own fonts it says nothing of the kind.
set -eu
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
case_name=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir "$work/fonts" "$work/cache"
[ -d /usr/share/fonts/truetype/dejavu ] && ln -s /usr/share/fonts/truetype/dejavu "$work/fonts/dejavu"
cat > "$work/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>$work/fonts</dir>
  <cachedir>$work/cache</cachedir>
</fontconfig>
CONF
"$build/torva-host" --init "$work/p.db"
"$build/torva-sqlexec" "$work/p.db" "$source_dir/data/demo_project.sql"
latin_only() { env FONTCONFIG_FILE="$work/fonts.conf" QT_QPA_PLATFORM=offscreen "$@"; }

case "$case_name" in
report)
  if latin_only "$build/torva-host" --report "$work/out.pdf" "$work/p.db" 4 >"$work/out.txt" 2>"$work/err.txt"; then
    cat "$work/out.txt" "$work/err.txt"
    fail "--report succeeded without a Chinese face"
  fi
  cat "$work/err.txt"
  [ ! -e "$work/out.pdf" ] || fail "a PDF was written"
  grep -q "no installed font has Chinese glyphs.*AR PL UMing CN" "$work/err.txt" ||
    fail "standard error does not say which font is missing"
  ;;
window)
  latin_only "$build/torva-host" --snapshot "$work/shots" "$work/p.db" 4 >/dev/null 2>"$work/err.txt" ||
    { cat "$work/err.txt"; fail "the window did not open"; }
  cat "$work/err.txt"
  [ -s "$work/shots/TS_FM.png" ] || fail "no snapshot of the window"
  grep -q "no installed font has Chinese glyphs.*宋体" "$work/err.txt" ||
    fail "standard error does not say which font is missing"
  QT_QPA_PLATFORM=offscreen "$build/torva-host" --snapshot "$work/shots2" "$work/p.db" 4 >/dev/null 2>"$work/err.txt" ||
    { cat "$work/err.txt"; fail "the window did not open with the machine's fonts"; }
  if grep -q "Chinese glyphs" "$work/err.txt"; then
    fail "a missing font reported although the machine has a Chinese face"
  fi
  ;;
*) fail "unknown case $case_name" ;;
esac
echo "ok: $case_name"
