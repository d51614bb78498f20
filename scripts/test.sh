#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless: the unit, end-to-end, monkey
# and package tests, the unit tests again under the sanitizers, and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

# The sanitizer and fuzz builds go on beside the tests at the lowest priority: the end-to-end
# tests mostly wait for their X servers, and take the processors back whenever they need them.
builds=$(mktemp)
trap 'rm -f "$builds"' EXIT
nice -n 19 bash -c 'bash scripts/sanitize.sh build && bash scripts/fuzz.sh build' >"$builds" 2>&1 &
builder=$!

tested=0
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)" ||
  tested=$?
built=0
wait "$builder" || built=$?
echo "== the sanitizer and fuzz builds"
cat "$builds"
((tested == 0)) || { echo "ctest failed (exit $tested)" >&2; exit "$tested"; }
((built == 0)) || { echo "the sanitizer or fuzz build failed (exit $built)" >&2; exit "$built"; }

bash scripts/sanitize.sh test
bash scripts/fuzz.sh 30
