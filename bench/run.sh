#!/usr/bin/env bash
# Builds the program and the benchmarks (Release) and prints start-up, peak memory and the
# compute command against a Qt window with one Japanese label (and, for information, an empty
# one). Extra arguments go to bench/measure.py.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j 2 --target orvelt minimal_window label_window bench_command
/usr/bin/python3 bench/measure.py --build build "$@"
