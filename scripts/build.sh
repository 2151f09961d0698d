#!/bin/sh
# Configures and builds into build/ (the program folder is build/dist/).
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVEL_BUILD_TESTS=ON -DSORVEL_BUILD_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)"
