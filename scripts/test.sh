#!/bin/sh
# Installs what is missing, builds, and runs every test through ctest.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build
ctest --output-on-failure -j 2 --timeout 300
