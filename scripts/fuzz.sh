#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang++) and runs them side by side for a bounded
# time, each on a scratch copy of its seed corpus in fuzz/corpus/; fails when a target crashes,
# leaks or one of its checks fails. The inputs that did so are kept in build-fuzz/findings/.
# Usage: scripts/fuzz.sh [seconds-per-target | build]   (default 30; build: only build them)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
[[ $seconds =~ ^([1-9][0-9]*|build)$ ]] || {
  echo "usage: $0 [seconds-per-target | build]" >&2
  exit 2
}
targets=(fuzz_parse_number fuzz_series_file fuzz_text_columns)

bash scripts/setup.sh
cmake -S . -B build-fuzz -DORVELT_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" >/dev/null
cmake --build build-fuzz -j"$(nproc)"
[[ $seconds == build ]] && exit 0

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=$PWD/build-fuzz/findings
mkdir -p "$findings"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"

# The targets run side by side, each on a processor of its own while there are enough.
pids=()
for target in "${targets[@]}"; do
  corpus=$scratch/corpus/$target
  mkdir -p "$corpus"
  cp fuzz/corpus/"$target"/* "$corpus"/
  echo "== $target: ${seconds} s"
  ./build-fuzz/fuzz/"$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$corpus" >"$scratch/$target.log" 2>&1 &
  pids+=($!)
done

failed=0
summary=()
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  log=$scratch/$target.log
  status=0
  wait "${pids[$i]}" || status=$?
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
