#!/usr/bin/env bash
# Builds Tarvo with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ (apart from the normal build) and runs every test there.
# Any report of a sanitizer fails the test that caused it.
#
#   tools/sanitize.sh            build and run every test
#   tools/sanitize.sh -R adapter only the tests whose names match (ctest -R)
#
# Leaks inside the system's font and graphics libraries, which Qt loads and
# never unloads, are suppressed in tools/lsan.supp; Tarvo's own are not.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-sanitize"
"$top/tools/install-deps.sh"

flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTARVO_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$top/tools/lsan.supp:print_suppressions=0"
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 900 "$@"
