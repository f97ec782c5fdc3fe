#!/usr/bin/env bash
# The main job: builds the seating example (examples/manners) in build/ and seats a party of
# guests with the rule program read from examples/manners/manners.clp, printing the seating, the
# rules fired and whether the seating is valid.
#   ./run.sh        8 guests
#   ./run.sh 32     another even number of guests, from 2 to 256
# Installs what is missing and configures build/ the way test.sh does, so the two share it.
set -euo pipefail
cd "$(dirname "$0")"

source scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVALE_TESTS=ON -DNORVALE_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)" --target manners
exec build/examples/manners --file examples/manners/manners.clp "$@"
