#!/usr/bin/env bash
# The start maps neither Qt's SVG nor its print support: the program needs neither library and
# names no symbol of them, which only its output module does. Nor does it set up the C++
# standard streams, which it never uses.
#   check_libraries.sh PROGRAM MODULE
set -euo pipefail
program=$1
module=$2
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Read whole before any grep -q, which would end the pipe early.
needed() { readelf -d -W "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
undefined() { nm -D -C --undefined-only "$1" | sed 's/^ *U //'; }
# The undefined symbols that belong to the two libraries' classes.
named() { grep -E 'QSvg|QPrint|QPageSetupDialog|QAbstractPrintDialog' <<<"$1" || true; }

program_needs=$(needed "$program")
module_needs=$(needed "$module")
program_symbols=$(undefined "$program")
module_symbols=$(undefined "$module")
for lib in libQt6Svg libQt6PrintSupport; do
  if grep -q "^$lib\." <<<"$program_needs"; then fail "$program needs $lib"; fi
  grep -q "^$lib\." <<<"$module_needs" || fail "$module does not need $lib: the check sees nothing"
done
while read -r symbol; do
  [[ -n "$symbol" ]] && fail "$program calls $symbol"
done <<<"$(named "$program_symbols")"
[[ -n "$(named "$module_symbols")" ]] ||
  fail "$module names no symbol of the two: the check sees nothing"
if grep -q 'std::ios_base::Init::Init' <<<"$program_symbols"; then
  fail "$program sets up the standard streams at start (a unit includes <iostream>)"
fi

((failures == 0)) || exit 1
echo "the program needs neither Qt6Svg nor Qt6PrintSupport (its module does) nor the standard streams"
