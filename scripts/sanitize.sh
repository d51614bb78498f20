#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into build-sanitize/ and
# runs every unit test headless; any sanitizer report, leaks included, fails its test.
# Usage: scripts/sanitize.sh [build|test]   (default both: the build, then the tests)
set -euo pipefail
cd "$(dirname "$0")/.."
step=${1:-all}
[[ $step =~ ^(all|build|test)$ ]] || { echo "usage: $0 [build|test]" >&2; exit 2; }

if [[ $step != test ]]; then
  bash scripts/setup.sh
  # -O1 with line tables: readable stack traces at about two thirds of the build time of -O2 -g.
  cmake -S . -B build-sanitize -DORVELT_SANITIZE=ON -DORVELT_BENCHMARKS=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1" >/dev/null
  cmake --build build-sanitize -j"$(nproc)"
fi
[[ $step == build ]] && exit 0

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:print_stacktrace=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:abort_on_error=1:print_stacktrace=1"
# The unit tests; the end-to-end and package tests run against the normal build.
ctest --test-dir build-sanitize --output-on-failure --no-tests=error -j"$(nproc)" -LE "e2e|package"
