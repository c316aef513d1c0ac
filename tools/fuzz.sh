#!/usr/bin/env bash
# Fuzzes Tarvo's byte and text readers with libFuzzer (clang, AddressSanitizer
# and UndefinedBehaviorSanitizer), in build-fuzz/, apart from the normal build.
#
#   tools/fuzz.sh                  every target in turn, 60 s each
#   tools/fuzz.sh receive_path 600 one target for 600 s
#   tools/fuzz.sh --list           the targets
#
# Each target is tests/fuzz/<Name>Fuzz.cpp with its corpus in
# tests/fuzz/corpus/<name>/. The normal test run replays every corpus
# (fuzz_replay.<name>, no clang needed), so a fixed crash stays fixed.
#
# Adding a target for another subsystem (a file reader, a parser):
#   1. Write tests/fuzz/<Name>Fuzz.cpp defining
#        extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
#      that feeds the bytes to the plain C++ routine (no Qt widgets) and calls
#      std::abort() when an invariant of its result breaks.
#   2. Add to tests/fuzz/CMakeLists.txt:
#        tarvo_add_fuzz_target(<name> SOURCES <Name>Fuzz.cpp LIBS <its library>)
#   3. Put a few seed inputs (real files, edge cases) in tests/fuzz/corpus/<name>/;
#      the replay test fails on a missing or empty corpus.
# A finding: this script leaves it in build-fuzz/findings/; mend the fault and
# copy the file into the target's corpus under a name that says what it shows.
# New coverage found during a run stays in build-fuzz/corpus/<name>/; to keep
# it, merge it into the repository's corpus:
#   build-fuzz/bin/<name>_fuzzer -merge=1 tests/fuzz/corpus/<name> build-fuzz/corpus/<name>
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-fuzz"

targets=()
while read -r line; do
  targets+=("$line")
done < <(sed -n 's/^tarvo_add_fuzz_target(\([a-z_0-9]*\) .*/\1/p' "$top/tests/fuzz/CMakeLists.txt")

if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi
chosen=("${targets[@]}")
if [ $# -ge 1 ]; then chosen=("$1"); fi
seconds="${2:-60}"

"$top/tools/install-deps.sh"
"$top/tools/install-deps.sh" clang-14 libclang-rt-14-dev

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DTARVO_BUILD_FUZZERS=ON -DTARVO_BUILD_TESTS=OFF -DTARVO_BUILD_BENCH=OFF -DTARVO_BUILD_GUI=OFF
cmake --build "$build" -j "$(nproc)" --target "${chosen[@]/%/_fuzzer}"

mkdir -p "$build/findings"
status=0
for name in "${chosen[@]}"; do
  mkdir -p "$build/corpus/$name"
  echo "== $name: ${seconds} s"
  if ! "$build/bin/${name}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/findings/$name-" "$build/corpus/$name" "$top/tests/fuzz/corpus/$name"; then
    echo "== $name: a finding is in $build/findings/" >&2
    status=1
  fi
done
exit $status
