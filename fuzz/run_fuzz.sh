#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a bounded time.
#
# Usage: fuzz/run_fuzz.sh [BUILD_DIR] [SECONDS]
#
# BUILD_DIR (default build-fuzz in the repository) is configured with clang,
# -DSPLTWD_FUZZ=ON and -DSPLTWD_TESTS=OFF when it has not been yet.  Each
# target runs SECONDS (default 60) with -max_len=4096, starting from the
# seeds of fuzz/make_seeds.sh and the inputs kept by earlier runs in
# BUILD_DIR/fuzz-corpus/TARGET.  Exits non-zero when a target finds a crash,
# a leak, a sanitizer report or a hang; the input that caused it is left in
# BUILD_DIR/fuzz-artifacts/ and its path is printed.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$repo/build-fuzz}" && cd "${1:-$repo/build-fuzz}" && pwd)
seconds=${2:-60}
targets=(fuzz_split fuzz_fetch_word fuzz_accurate fuzz_digest fuzz_script)

# The compilers only count when the folder is configured the first time.
CC=clang CXX=clang++ cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSPLTWD_FUZZ=ON -DSPLTWD_TESTS=OFF
cmake --build "$build" -j2 --target "${targets[@]}"
"$repo/fuzz/make_seeds.sh" "$build"

artifacts="$build/fuzz-artifacts"
mkdir -p "$artifacts"
failed=()
for target in "${targets[@]}"; do
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  echo "run_fuzz: $target for ${seconds}s"
  # The first folder collects new inputs; the seeds are only read.
  if ! "$build/fuzz/$target" -max_len=4096 -max_total_time="$seconds" -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$artifacts/$target-" \
      "$corpus" "$build/fuzz-seeds/$target"; then
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "run_fuzz: failed: ${failed[*]}; inputs left in $artifacts:" >&2
  ls -l "$artifacts" >&2
  exit 1
fi
echo "run_fuzz: no crash in ${targets[*]}"
