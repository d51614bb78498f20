#!/usr/bin/env bash
# Building the program's target alone puts the manual beside the program, where the help command
# looks for it: with the manual's source newer, a dry run of that target copies it. (The copy
# keeps a manual of the same text as it is, so a later build changes nothing.)
#   test_program_target.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(realpath "$1")
source_dir=$(realpath "$2")
if [[ ! -f "$build/Makefile" ]]; then
  echo "not a Makefile build: skipped"
  exit 77
fi
touch "$source_dir/docs/orvelta.hlp"
plan=$(make -C "$build" --no-print-directory -n orvelt 2>&1)
if ! grep -qF "$source_dir/docs/orvelta.hlp $build/orvelta.hlp" <<<"$plan"; then
  echo "FAIL: building the target orvelt does not copy the manual beside it" >&2
  exit 1
fi
echo "the program's target brings its manual"
