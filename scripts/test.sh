#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless: the unit, end-to-end, monkey
# and package tests, the unit tests again under the sanitizers, and a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure --no-tests=error -j "$(nproc)"
bash scripts/sanitize.sh
bash scripts/fuzz.sh 30
