#!/bin/sh
# Installs what is missing, builds, and starts the launcher from build/dist/.
# With no display it runs under a virtual X server for about five seconds,
# saves build/screenshot.png and closes the launcher cleanly.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh

if [ -n "${DISPLAY:-}" ]; then
  exec build/dist/sorvel_p
fi

export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
num=99
while [ -e "/tmp/.X${num}-lock" ]; do num=$((num + 1)); done
Xvfb ":$num" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
export DISPLAY=":$num"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/dist/sorvel_p &
app=$!
sleep 5
win=$(xdotool search --onlyvisible --class sorvel_p | head -n 1 || true)
if [ -n "$win" ]; then
  import -window "$win" build/screenshot.png || true
else
  import -window root build/screenshot.png || true
fi
kill -TERM "$app"
wait "$app" && echo "sorvel_p closed cleanly; screenshot in build/screenshot.png"
