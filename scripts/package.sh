#!/bin/sh
# Builds the Debian package (build-pkg/sorvel-p_<version>_<arch>.deb) for
# the prefix /usr. Install it with: apt install ./build-pkg/sorvel-p_*.deb
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build-pkg -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DSORVEL_BUILD_TESTS=OFF -DSORVEL_BUILD_BENCH=OFF >/dev/null
cmake --build build-pkg -j "$(nproc)"
cd build-pkg
cpack -G DEB
ls -l ./*.deb
