#!/usr/bin/env bash
# Installs the Debian packages the project needs, only when some are missing.
set -euo pipefail

packages=(cmake g++ ninja-build pkg-config ccache qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
          librtmidi-dev libasound2-dev jackd2 libjack-jackd2-dev gettext qt6-translations-l10n
          xvfb xauth x11-utils imagemagick fonts-dejavu-extra
          librsvg2-bin desktop-file-utils appstream shared-mime-info man-db lintian dpkg-dev file
          clang libclang-rt-dev clang-tidy clang-tools)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
# jackd2 asks about realtime limits unless the answer is given beforehand.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
