#!/usr/bin/env bash
# Installs the Debian packages TORVA needs to build, test and run, skipping the step when all are present.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev libsqlite3-dev libgtest-dev libbenchmark-dev fonts-wqy-zenhei
          fonts-arphic-uming qt6-translations-l10n libxcb1-dev
          libgl1-mesa-dev binutils)
# `scripts/install-deps.sh fuzz` (make fuzz) also needs clang and its libFuzzer runtime.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "These packages are missing and installing them needs root: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
