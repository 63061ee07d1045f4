#!/usr/bin/env bash
# build.sh <build dir> [cmake options...]: configures and builds. The
# configure step runs on a new folder and whenever options are given, so the
# options asked for are the ones built with (cmake keeps the cached values of
# options not given; unchanged options rebuild nothing).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/ventaro-ccache}
# Paths relative to the checkout, so another clone of the project hits the same cache.
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1
if [ ! -f "$dir/build.ninja" ] || [ $# -gt 0 ]; then
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
fi
cmake --build "$dir"
