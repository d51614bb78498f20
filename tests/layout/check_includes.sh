#!/usr/bin/env bash
# The folders are layers: each may include its own headers and those of the layers below it,
# never one above, so that every include runs one way.
#   check_includes.sh SOURCE_DIR
set -euo pipefail
cd "$1"

declare -A below=(
  [core]=""
  [files]="core"
  [graph]="core"
  [app]="core"
  [ui]="core files graph app"
  [program]="core files graph app ui"
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
((failures == 0)) || exit 1
echo "every include runs downwards"
