#!/usr/bin/env bash
# Makes the README's pictures of the main window, in English and in French:
# starts the built program on a private X server (Xvfb) with settings of its
# own, captures the window and saves docs/screenshot-en.png and
# docs/screenshot-fr.png. Run it again whenever the window changes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

work=$(mktemp -d)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display number nobody uses, told by the server itself.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

shoot() { # shoot LANG OUTPUT
  mkdir -p "$work/$1"
  # A new user: default settings, no slot names, only the simulated instrument.
  env LANG="$1" XDG_CONFIG_HOME="$work/$1/config" XDG_DATA_HOME="$work/$1/data" \
      VENTARO_MIDI_API=alsa JACK_NO_START_SERVER=1 QT_QPA_PLATFORM=xcb \
      build/src/app/ventaro >/dev/null 2>&1 &
  program_pid=$!
  local window=""
  for _ in $(seq 100); do
    window=$(xwininfo -root -children 2>/dev/null | awk '/\("ventaro" "Ventaro"\)/ { print $1; exit }')
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "the window did not show" >&2; exit 1; }
  sleep 1 # let it paint
  import -silent -window "$window" "$work/shot.png"
  # A small palette keeps the picture small; the window has few colours.
  convert "$work/shot.png" -strip +dither -colors 64 "PNG8:$2"
  kill -TERM "$program_pid"
  wait "$program_pid" || true
  program_pid=""
  echo "$2: $(identify -format '%wx%h' "$2"), $(stat -c %s "$2") bytes"
}

shoot en_US.UTF-8 docs/screenshot-en.png
shoot fr_FR.UTF-8 docs/screenshot-fr.png
