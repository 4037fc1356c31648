#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, and nothing when it is all there.
set -euo pipefail
packages=(
  cmake make g++ clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-liberation xvfb xauth poppler-utils imagemagick
  python3-dbfread python3-dbf gdal-bin libdbd-xbase-perl pgdbf dbview
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -o DPkg::Lock::Timeout=600
apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
