#!/usr/bin/env bash
# Builds Norvale and runs every test.
#   ./test.sh              release build in build/
#   ./test.sh --sanitize   address + undefined-behaviour sanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")"

source scripts/install-deps.sh

dir=build
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVALE_TESTS=ON -DNORVALE_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  args=(-DCMAKE_BUILD_TYPE=Debug -DNORVALE_SANITIZE=ON -DNORVALE_TESTS=ON -DNORVALE_BENCH=OFF)
fi
cmake -S . -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
