#!/usr/bin/env bash
# Writes the fuzz targets' seed inputs from the statement corpus.
#
# Usage: fuzz/make_seeds.sh BUILD_DIR [PER_DIALECT]
#
# BUILD_DIR is a fuzz build (configured with -DSPLTWD_FUZZ=ON); the seeds go
# to BUILD_DIR/fuzz-seeds/fuzz_split (up to PER_DIALECT statements of each
# dialect, default 300, behind their dialect prefix),
# BUILD_DIR/fuzz-seeds/fuzz_fetch_word (the streams the library makes of
# them), BUILD_DIR/fuzz-seeds/fuzz_accurate and fuzz_digest (the statements
# alone).  The corpus is the build's: the generated files and those under
# its SPLTWD_CORPUS_DIR.
set -euo pipefail

if (($# < 1 || $# > 2)); then
  sed -n '4,12s/^# \{0,1\}//p' "$0" >&2
  exit 2
fi
build=$1
per_dialect=${2:-300}

cmake --build "$build" -j2 --target fuzz_seeds
"$build/fuzz/fuzz_seeds" "$build/fuzz-seeds" "$per_dialect"
