#!/bin/sh
# Builds the Debian package (build-pkg/sorvel-p_<version>_<arch>.deb) for
# the prefix /usr and, when lintian is installed, checks it
# (lintian --pedantic -I): an error or a warning fails the script, and so
# does any hardening or stripping tag. Install it with:
#   apt install ./build-pkg/sorvel-p_*.deb
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DSORVEL_BUILD_TESTS=OFF -DSORVEL_BUILD_BENCH=OFF -DSORVEL_HARDENING=ON >/dev/null
cmake --build build-pkg -j "$(nproc)"
cd build-pkg
rm -f ./*.deb
cpack -G DEB
deb=$(ls ./*.deb)
ls -l "$deb"

if ! command -v lintian >/dev/null 2>&1; then
  echo "lintian is not installed: $deb was not checked (apt-get install lintian)"
  exit 0
fi
echo "lintian --pedantic -I --show-overrides $deb"
status=0
out=$(lintian --pedantic -I --show-overrides --fail-on error,warning "$deb" 2>&1) || status=$?
[ -z "$out" ] || printf '%s\n' "$out"
if [ "$status" != 0 ]; then
  echo "package.sh: lintian reports errors or warnings" >&2
  exit 1
fi
if printf '%s\n' "$out" | grep -Eq 'hardening-|unstripped-|binary-has-unneeded-section|debug-file'; then
  echo "package.sh: lintian reports a hardening or stripping tag" >&2
  exit 1
fi
echo "lintian: no errors, no warnings"
