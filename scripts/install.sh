#!/usr/bin/env bash
# Installs Ventaro system-wide as a Debian package: builds build/ (as run.sh
# does), packs it with CPack and installs the package with apt, which fetches
# its libraries and updates the menu, icon and MIME caches.
# `apt-get remove ventaro` takes it away again.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
rm -rf build/package
(cd build && cpack -G DEB -B "$PWD/package" >/dev/null)
deb=$(ls "$PWD"/build/package/ventaro_*.deb)
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "$deb"
echo "Installed $(basename "$deb"): start Ventaro from the menu or as ventaro."
