#!/usr/bin/env bash
# The folders are layers: each may include its own headers and those of the layers below it,
# never one above, so that every include runs one way.
#   check_includes.sh SOURCE_DIR
set -euo pipefail
cd "$1"

declare -A below=(
  [core]=""
  [output]="core"
  [files]="core"
  [sheet]="core files"
  [graph]="core sheet output"
  [app]="core output"
  [ui]="core files sheet graph app output"
  [program]="core files sheet graph app ui output"
)

failures=0
for folder in "${!below[@]}"; do
  allowed=" $folder ${below[$folder]} "
  while IFS=: read -r file line target; do
    [[ "$allowed" == *" $target "* ]] && continue
    echo "FAIL: $file:$line includes $target/, which is not below $folder/" >&2
    failures=$((failures + 1))
  done < <(grep -Hno '^#include "[a-z_]*/' "$folder"/*.h "$folder"/*.cpp 2>/dev/null |
    sed 's|#include "||; s|/$||')
done
# Inside a folder too: no two units that include each other, by way of others or not (a unit is
# a .h with its .cpp).
cycles=$(/usr/bin/python3 - <<'PY'
import glob, os, re
includes = {}
for name in glob.glob("*/*.h") + glob.glob("*/*.cpp"):
    unit = os.path.splitext(name)[0]
    if unit.startswith(("tests/", "build")):
        continue
    for target in re.findall(r'^#include "([a-z_]+/[a-z_]+)\.h"', open(name, encoding="utf-8").read(), re.M):
        if target != unit:
            includes.setdefault(unit, set()).add(target)
def reach(start):
    seen, todo = set(), [start]
    while todo:
        for nxt in includes.get(todo.pop(), ()):
            if nxt not in seen:
                seen.add(nxt)
                todo.append(nxt)
    return seen
for unit in sorted(includes):
    if unit in reach(unit):
        print(unit)
PY
)
for unit in $cycles; do
  echo "FAIL: $unit reaches itself through its includes" >&2
  failures=$((failures + 1))
done

((failures == 0)) || exit 1
echo "every include runs downwards, and no unit reaches itself"
