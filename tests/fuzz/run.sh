#!/usr/bin/env bash
# Builds the parser fuzzer with clang (libFuzzer with the address and undefined-behaviour
# sanitizers) in build-fuzz/ and runs it on the committed corpus, writing what it finds to
# build-fuzz/corpus (crashes to build-fuzz/). Not part of CI: CI replays tests/fuzz/corpus and the
# inputs that once failed, tests/fuzz/regressions.
#   tests/fuzz/run.sh [seconds] [jobs]     defaults: 60 seconds, 1 job
#   tests/fuzz/run.sh merge                adds the new inputs that cover more to tests/fuzz/corpus
set -euo pipefail
cd "$(dirname "$0")/../.."
if ! command -v clang++ >/dev/null; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq clang
fi
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DNORVALE_FUZZ=ON -DNORVALE_TESTS=OFF -DNORVALE_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target parser_fuzzer
mkdir -p build-fuzz/corpus
fuzzer=(build-fuzz/parser_fuzzer -max_len=4096 -timeout=20 -rss_limit_mb=4096
        -dict=tests/fuzz/parser.dict -artifact_prefix=build-fuzz/)
if [ "${1:-}" = "merge" ]; then
  exec "${fuzzer[@]}" -merge=1 tests/fuzz/corpus build-fuzz/corpus
fi
seconds="${1:-60}"
jobs="${2:-1}"
exec "${fuzzer[@]}" -max_total_time="$seconds" -jobs="$jobs" -workers="$jobs" \
  -print_final_stats=1 build-fuzz/corpus tests/fuzz/corpus tests/fuzz/regressions
