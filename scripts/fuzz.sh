#!/bin/sh
# Builds the fuzz target for the data-file and music-list readers with clang
# (libFuzzer, ASan, UBSan) and fuzzes it for SECONDS (default 30).
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh --fuzz
SECONDS_TO_RUN="${1:-30}"
mkdir -p build/fuzz/corpus
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Isrc \
  src/persistence/ItemFile.cpp src/persistence/DataFiles.cpp src/platform/AppPaths.cpp tests/persistence/DataFilesFuzz.cpp \
  -o build/fuzz/fuzz_data_files
# Seeds: a fresh data.dat, lot.dat and midpage.dat.
python3 - <<'PY'
slots = ['"/usr/bin/env"', '"/tmp/"', '"http://example.org/a,b"'] + ['""'] * 248
open("build/fuzz/corpus/data.dat", "w", newline="").write("\r\n".join(slots + ["1200", "900"]) + "\r\n")
open("build/fuzz/corpus/lot.dat", "w", newline="").write("\r\n".join(["0"] * 250 + ["-5"]) + "\r\n")
open("build/fuzz/corpus/midpage.dat", "w", newline="").write("7\r\n")
open("build/fuzz/corpus/midlist.dat", "w", newline="").write('"/m/a.mid"\r\n"/m/b c,d.mid"\r\n plain.mid \r\n')
PY
build/fuzz/fuzz_data_files -max_total_time="$SECONDS_TO_RUN" -max_len=20000 -timeout=10 -print_final_stats=1 build/fuzz/corpus
