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

needed() { readelf -d -W "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
# The undefined symbols of a file that belong to the two libraries' classes.
named() {
  nm -D -C --undefined-only "$1" | sed 's/^ *U //' |
    grep -E 'QSvg|QPrint|QPageSetupDialog|QAbstractPrintDialog' || true
}

for lib in libQt6Svg libQt6PrintSupport; do
  if needed "$program" | grep -q "^$lib\."; then fail "$program needs $lib"; fi
  needed "$module" | grep -q "^$lib\." || fail "$module does not need $lib: the check sees nothing"
done
while read -r symbol; do
  [[ -n "$symbol" ]] && fail "$program calls $symbol"
done <<<"$(named "$program")"
[[ -n "$(named "$module")" ]] || fail "$module names no symbol of the two: the check sees nothing"

if nm -D -C --undefined-only "$program" | grep -q 'std::ios_base::Init::Init'; then
  fail "$program sets up the standard streams at start (a unit includes <iostream>)"
fi

((failures == 0)) || exit 1
echo "the program needs neither Qt6Svg nor Qt6PrintSupport (its module does) nor the standard streams"
