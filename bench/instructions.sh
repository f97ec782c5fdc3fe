#!/usr/bin/env bash
# Instructions per item that the engine executes in the Rete benchmarks, counted by callgrind
# inside TInferenceEngine::Assert and ::Retract only, for each N. Unlike time, this count does
# not depend on the caches: a flat count with a rising time per item means the growth is memory
# latency, not work. Needs valgrind (apt-get install valgrind) and a built build/bench.
#
#   bench/instructions.sh ['ThreePatternJoin|NegatedJoinChurn|FactBaseChurn']
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/bench/norvale_bench
command -v valgrind > /dev/null || { echo "valgrind is not installed" >&2; exit 1; }
[ -x "$bench" ] || { echo "$bench is not built: run ./test.sh first" >&2; exit 1; }
filter=${1:-'ThreePatternJoin|NegatedJoinChurn|FactBaseChurn'}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for name in $("$bench" --benchmark_list_tests --benchmark_filter="$filter"); do
  # One iteration (min_time 0); the item count per iteration comes from the benchmark itself.
  log=$(valgrind --tool=callgrind --callgrind-out-file="$out" --collect-atstart=no \
    '--toggle-collect=norvale::TInferenceEngine::Assert(*' \
    '--toggle-collect=norvale::TInferenceEngine::Retract(*' \
    "$bench" --benchmark_filter="^$name\$" --benchmark_min_time=0 \
    --benchmark_format=json 2>&1)
  collected=$(grep -o 'Collected : [0-9]*' <<< "$log" | grep -o '[0-9]*$')
  rate=$(grep -o '"items_per_second": [0-9.e+]*' <<< "$log" | grep -o '[0-9.e+]*$')
  seconds=$(grep -o '"cpu_time": [0-9.e+]*' <<< "$log" | grep -o '[0-9.e+]*$')
  unit=$(grep -o '"time_unit": "[a-z]*"' <<< "$log" | grep -o '"[a-z]*"$' | tr -d '"')
  python3 -c "
scale = {'ns': 1e-9, 'us': 1e-6, 'ms': 1e-3, 's': 1.0}['$unit']
items = round($rate * $seconds * scale)
print(f'{\"$name\":32} {$collected / items:10.0f} instructions per item')"
done
