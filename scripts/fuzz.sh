#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer + UndefinedBehaviorSanitizer),
# writes their seed corpora with the library itself, and runs each target on its corpus for
# EKX_FUZZ_SECONDS seconds (60 by default). Any finding (crash, sanitizer report, leak, timeout,
# broken round trip) fails the run; the input that caused it is kept in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${EKX_FUZZ_SECONDS:-60}
jobs=$(nproc)
build=build/fuzz

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=/usr/bin/clang-14 -DCMAKE_CXX_COMPILER=/usr/bin/clang++-14 \
  -DEKX_FUZZ=ON -DEKX_BUILD_TESTS=OFF -DEKX_BUILD_BENCH=OFF -DEKX_BUILD_DEMO=OFF
targets=(open_document edit_history xml)
cmake --build "$build" -j"$jobs" --target fuzz_make_seeds "${targets[@]/#/fuzz_}"

# The documents an input becomes live in memory when it can: saves flush to the disk.
work=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")/ekx_fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

corpus=$build/corpus
mkdir -p "$build/findings"
"$build/fuzz/fuzz_make_seeds" "$corpus"

failed=()
for t in "${targets[@]}"; do
  echo "== fuzz_$t: ${seconds}s on $corpus/$t"
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -max_len=16384 \
       -print_final_stats=1 -artifact_prefix="$build/findings/$t-" "$corpus/$t"; then
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]} (inputs in $build/findings/)" >&2
  exit 1
fi
echo "fuzzing: no findings"
