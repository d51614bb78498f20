#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang++) and runs each for a bounded time on a
# scratch copy of its seed corpus in fuzz/corpus/; fails when a target crashes, leaks or one of its
# checks fails. The inputs that did so are kept in build-fuzz/findings/.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 30)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [seconds-per-target]" >&2; exit 2; }
targets=(fuzz_parse_number fuzz_series_file fuzz_text_columns)

bash scripts/setup.sh
cmake -S . -B build-fuzz -DORVELT_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" >/dev/null
cmake --build build-fuzz -j"$(nproc)"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=$PWD/build-fuzz/findings
mkdir -p "$findings"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"

failed=0
summary=()
for target in "${targets[@]}"; do
  corpus=$scratch/corpus/$target
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  log=$scratch/$target.log
  echo "== $target: ${seconds} s"
  status=0
  ./build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$corpus" >"$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [[ $status -ne 0 ]]; then
    tail -n 60 "$log"
    failed=1
    summary+=("$target: FAILED (exit $status) after ${executions:-?} executions; input in $findings")
  else
    summary+=("$target: ok, ${executions:-?} executions in ${seconds} s")
  fi
done
printf '%s\n' "${summary[@]}"
exit "$failed"
