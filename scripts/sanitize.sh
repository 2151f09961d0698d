#!/bin/sh
# Builds the tree with sanitizers into a folder of its own and runs tests
# there. Fails on any failing test and on any sanitizer report in their output.
#
#   scripts/sanitize.sh          AddressSanitizer + UndefinedBehaviorSanitizer
#                                with leak checking, the whole suite (build-asan/)
#   scripts/sanitize.sh thread   ThreadSanitizer over the audio tests (build-tsan/)
#
# SORVEL_JOBS sets the build's parallel jobs (default 2).
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
mode="${1:-address}"
jobs="${SORVEL_JOBS:-2}"
supp="$root/scripts/sanitize"

scripts/setup.sh
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

case "$mode" in
  address)
    build="$root/build-asan"
    # GCC 12 warns "may be used uninitialized" inside libstdc++'s <regex>
    # when instrumenting for ASan; the same code builds warning-free
    # without sanitizers.
    flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -Wno-maybe-uninitialized"
    ;;
  thread)
    build="$root/build-tsan"
    flags="-fsanitize=thread -fno-omit-frame-pointer"
    ;;
  *)
    echo "usage: $0 [address|thread]" >&2
    exit 2
    ;;
esac

# -O1: quicker to build than -O2, and the reports keep their lines.
start=$(date +%s)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVEL_BUILD_TESTS=ON \
  -DSORVEL_BUILD_BENCH="$([ "$mode" = address ] && echo ON || echo OFF)" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
  -DCMAKE_SHARED_LINKER_FLAGS="$flags" -DCMAKE_MODULE_LINKER_FLAGS="$flags" >/dev/null
if [ "$mode" = address ]; then
  nice cmake --build "$build" -j "$jobs"
else
  nice cmake --build "$build" -j "$jobs" --target audio_unit_tests audio_disk_test
fi
built=$(date +%s)

# Reports go to stderr, where ctest and the end-to-end harness see them.
# The slow unwinder: stacks through the libraries, which are built without
# frame pointers, are whole, so that a suppression names the library a leak
# really comes from.
export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.supp"
export TSAN_OPTIONS="halt_on_error=0:second_deadlock_stack=1:suppressions=$supp/tsan.supp:print_suppressions=0"
export SDL_AUDIODRIVER=dummy

log="$build/sanitize.log"
status=0
if [ "$mode" = address ]; then
  (cd "$build" && ctest --output-on-failure -j 2 --timeout 300 \
     --test-output-size-passed 10000000 --test-output-size-failed 10000000) || status=1
  cp "$build/Testing/Temporary/LastTest.log" "$log"
else
  # The audio tests only. The kernel's address-space randomisation can place
  # mappings where ThreadSanitizer's fixed shadow layout expects none: run
  # with it switched off for these processes.
  norand=""
  if setarch "$(uname -m)" -R true 2>/dev/null; then norand="setarch $(uname -m) -R"; fi
  : >"$log"
  $norand "$build/tests/audio_unit_tests" >>"$log" 2>&1 || status=1
  $norand "$build/tests/audio_disk_test" >>"$log" 2>&1 || status=1
  cat "$log"
fi
end=$(date +%s)

reports=$(grep -c -E "ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer|WARNING: ThreadSanitizer|ThreadSanitizer: " "$log" || true)
echo "sanitize ($mode): build $((built - start)) s, tests $((end - built)) s, $reports sanitizer report line(s)"
if [ "$reports" != 0 ]; then
  grep -n -E "ERROR: AddressSanitizer|runtime error:|ERROR: LeakSanitizer|WARNING: ThreadSanitizer|ThreadSanitizer: " "$log" | head -50
  echo "sanitizer reports: see $log" >&2
  status=1
fi
exit "$status"
