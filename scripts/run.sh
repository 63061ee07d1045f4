#!/usr/bin/env bash
# Installs what is missing, builds, and starts Ventaro.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec build/src/app/ventaro "$@"
