#!/bin/sh
# Installs the Debian packages sorvel_p needs to build, run and test, but
# only those that are missing (a second run is quick).
set -eu

PACKAGES="g++ cmake make pkg-config qt6-base-dev qt6-qpa-plugins libfluidsynth-dev libsdl2-mixer-dev
libgtest-dev googletest ccache fonts-ipafont-gothic timgm6mb-soundfont xvfb xdotool xclip x11-utils
imagemagick python3 libglib2.0-dev libxcb1-dev libfontconfig-dev desktop-file-utils appstream dpkg-dev file
qt6-wayland qt6-translations-l10n openbox xfwm4 x11-xkb-utils dbus at-spi2-core python3-pyatspi orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng python3-speechd lintian man-db wmctrl"
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES="$PACKAGES clang libclang-rt-14-dev"
fi

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  echo "Installing:$missing"
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -q --no-install-recommends $missing
fi
