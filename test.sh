#!/usr/bin/env bash
# Builds Norvale and runs every test.
#   ./test.sh              release build in build/
#   ./test.sh --sanitize   address + undefined-behaviour sanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")"

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
[ -f /usr/include/benchmark/benchmark.h ] || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq "${need[@]}"
fi

dir=build
args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVALE_TESTS=ON -DNORVALE_BENCH=ON)
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  args=(-DCMAKE_BUILD_TYPE=Debug -DNORVALE_SANITIZE=ON -DNORVALE_TESTS=ON -DNORVALE_BENCH=OFF)
fi
cmake -S . -B "$dir" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
