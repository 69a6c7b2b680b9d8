#!/bin/sh
# Installs the Debian packages TORVA needs to build, test and run, skipping the step when all are
# present. Plain sh, so that a bare Debian 12 can run it before anything else: `sh scripts/install-deps.sh`.
#
#   scripts/install-deps.sh [fuzz|bench|package]     the extra packages of make fuzz, bench, package
set -eu
packages="cmake g++ make qt6-base-dev libsqlite3-dev libgtest-dev fonts-wqy-zenhei pkgconf
          xvfb xdotool locales"
# The audit report: a free Song (Ming) face to embed in its PDF, and poppler to read it back in tests.
packages="$packages fonts-arphic-uming poppler-utils"
# The report as a spreadsheet, and openpyxl to read the workbooks back in tests.
packages="$packages libxlsxwriter-dev python3-openpyxl"
# The window: Qt's own texts in Chinese, and the X11 hints that leave out the maximise button; a
# window manager and xprop to test what it makes of them.
packages="$packages qt6-translations-l10n libxcb1-dev openbox x11-utils"
# The project database on a PostgreSQL server: libpq to reach it, and Debian's server, whose
# private cluster the tests start on a Unix socket of their own.
packages="$packages libpq-dev postgresql-15"
case "${1:-}" in
  fuzz) packages="$packages clang-14 libclang-rt-14-dev" ;;
  bench) packages="$packages libbenchmark-dev" ;;
  package) packages="$packages dpkg-dev file lintian" ;;
esac
# The number-text tests run once under a locale whose decimal separator is a comma.
locale=de_DE.UTF-8

missing=
for p in $packages; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
need_locale=
locale -a 2>/dev/null | grep -qix 'de_DE.utf8' || need_locale=yes
if [ -z "$missing" ] && [ -z "$need_locale" ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing and installing them needs root:${missing}${need_locale:+ the locale $locale}" >&2
  exit 1
fi
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qix 'de_DE.utf8'; then
  echo "Generating the locale $locale"
  sed -i "s/^# *\($locale UTF-8\)/\1/" /etc/locale.gen
  grep -q "^$locale UTF-8" /etc/locale.gen || echo "$locale UTF-8" >> /etc/locale.gen
  locale-gen >/dev/null
fi
