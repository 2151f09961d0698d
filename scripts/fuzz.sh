#!/bin/sh
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and fuzzes
# each for SECONDS (default 30): scripts/fuzz.sh [SECONDS] [TARGET...]
# Targets: data_files (the data-file and music-list readers) and midi (RMID
# unwrapping, the MIDI validator and a real FluidSynth player behind it).
# A few seconds a target are enough for a smoke run in CI.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh --fuzz
SECONDS_TO_RUN="${1:-30}"
[ $# -gt 0 ] && shift
TARGETS="${*:-data_files midi}"
CXX="clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -Isrc -Itests"
mkdir -p build/fuzz

for target in $TARGETS; do
  corpus="build/fuzz/corpus-$target"
  mkdir -p "$corpus"
  case "$target" in
    data_files)
      # shellcheck disable=SC2046
      $CXX -fPIC src/persistence/ItemFile.cpp src/persistence/DataFiles.cpp src/persistence/TextCodec.cpp \
        src/launcher/SlotRules.cpp src/platform/Links.cpp src/platform/WinePaths.cpp src/platform/FileStore.cpp \
        src/platform/AppPaths.cpp tests/persistence/DataFilesFuzz.cpp $(pkg-config --cflags --libs Qt6Core) \
        -o build/fuzz/fuzz_data_files
      # Seeds: a fresh data.dat, lot.dat and midpage.dat.
      python3 - "$corpus" <<'PY'
import sys
c = sys.argv[1]
slots = ['"/usr/bin/env"', '"/tmp/"', '"http://example.org/a,b"'] + ['""'] * 248
open(c + "/data.dat", "w", newline="").write("\r\n".join(slots + ["1200", "900"]) + "\r\n")
open(c + "/lot.dat", "w", newline="").write("\r\n".join(["0"] * 250 + ["-5"]) + "\r\n")
open(c + "/midpage.dat", "w", newline="").write("7\r\n")
open(c + "/midlist.dat", "w", newline="").write('"/m/a.mid"\r\n"/m/b c,d.mid"\r\n plain.mid \r\n')
PY
      build/fuzz/fuzz_data_files -max_total_time="$SECONDS_TO_RUN" -max_len=20000 -timeout=10 \
        -print_final_stats=1 "$corpus"
      ;;
    midi)
      # The synthesizer itself is not instrumented; it is linked as packaged.
      # shellcheck disable=SC2046
      $CXX src/platform/MidiFile.cpp src/platform/MusicSynth.cpp src/platform/Audio.cpp \
        src/platform/FileStore.cpp src/platform/AppPaths.cpp tests/platform/MidiPlayFuzz.cpp \
        $(pkg-config --cflags --libs fluidsynth SDL2_mixer sdl2) -o build/fuzz/fuzz_midi
      # Seeds of our own making: type 0 and 1, RMID, SMPTE, tempo 0 and 1.
      clang++ -std=c++20 -O1 -Itests tools/midi_seeds.cpp -o build/fuzz/midi_seeds
      build/fuzz/midi_seeds "$corpus"
      # ASan's leak check at exit would report the synthesizer kept for the
      # whole run on purpose (made once, as the device makes it).
      ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}" \
        build/fuzz/fuzz_midi -max_total_time="$SECONDS_TO_RUN" -max_len=4096 -timeout=20 -rss_limit_mb=4096 \
        -print_final_stats=1 "$corpus"
      ;;
    *)
      echo "fuzz.sh: unknown target $target" >&2
      exit 2
      ;;
  esac
done
