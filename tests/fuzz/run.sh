#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer with the address and undefined-behaviour sanitizers) in
# build-fuzz/ and runs one on its committed corpus, writing what it finds to
# build-fuzz/<target>-corpus (crashes to build-fuzz/). Not part of CI: CI replays the corpora and
# the inputs that once failed (tests/fuzz/regressions).
#   tests/fuzz/run.sh [parser|construct] [seconds] [jobs]   defaults: parser, 60 seconds, 1 job
#   tests/fuzz/run.sh [parser|construct] merge              adds the new inputs that cover more to
#                                                           the committed corpus
set -euo pipefail
cd "$(dirname "$0")/../.."
target="${1:-parser}"
case "$target" in
  parser) corpus=tests/fuzz/corpus ;;
  construct) corpus=tests/fuzz/construct-corpus ;;
  *) echo "unknown fuzz target: $target (parser or construct)" >&2; exit 2 ;;
esac
if ! command -v clang++ >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq clang
fi
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNORVALE_FUZZ=ON -DNORVALE_TESTS=OFF -DNORVALE_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${target}_fuzzer"
found="build-fuzz/${target}-corpus"
mkdir -p "$found"
fuzzer=("build-fuzz/${target}_fuzzer" -max_len=4096 -timeout=20 -rss_limit_mb=4096
        -dict=tests/fuzz/parser.dict -artifact_prefix=build-fuzz/)
if [ "${2:-}" = "merge" ]; then
  exec "${fuzzer[@]}" -merge=1 "$corpus" "$found"
fi
seconds="${2:-60}"
jobs="${3:-1}"
exec "${fuzzer[@]}" -max_total_time="$seconds" -jobs="$jobs" -workers="$jobs" \
  -print_final_stats=1 "$found" "$corpus" tests/fuzz/regressions
