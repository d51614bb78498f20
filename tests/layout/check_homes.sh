#!/usr/bin/env bash
# Where things live: the graph draws a fit it is given and never works one out; the last fit lives
# in the worksheet, which no window copies; the worksheet and the picture need no window; the core
# knows no control of the windows; every message the program shows is written once, in
# core/messages.h.
#   check_homes.sh SOURCE_DIR
set -euo pipefail
cd "$1"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# The compute runs in core/compute.cpp alone; the graph reads its result.
while read -r hit; do
  fail "$hit: the graph works out a fit or reads the grids"
done < <(grep -HnE '\b(RunCompute|FitExactly|ReadGrids|ParseNumber|AccumulateRanges)\(' graph/*.h graph/*.cpp || true)

# The worksheet holds the last fit; a window asks it, or draws what it is handed.
while read -r hit; do
  fail "$hit: a window keeps a fit of its own"
done < <(grep -HnE 'FitResult[^(;]*[[:space:]*&][a-z][A-Za-z0-9]*_[[:space:]]*(=[^;]*)?;' ui/*.h graph/graph.h graph/views.h || true)

# The worksheet and the picture (its drawing, faces and files) build without Qt Widgets and without
# the windows' units, so that a script makes a picture with no window.
windowless=$(/usr/bin/python3 - <<'PY'
import glob, os, re
folders = glob.glob("/usr/include/*/qt6/QtWidgets") + glob.glob("/usr/include/qt6/QtWidgets")
if not folders:
    print("FAIL: no Qt Widgets headers to check against")
    raise SystemExit
widgets = set(os.listdir(folders[0]))
units = sorted(glob.glob("sheet/*.[hc]*")) + [
    f for f in sorted(glob.glob("graph/*.[hc]*"))
    if os.path.basename(f).split(".")[0] in ("canvas", "drawgraph", "face", "export")]
if len(units) < 10:
    print(f"FAIL: only {len(units)} units of the worksheet and the picture found")
for name in units:
    for n, line in enumerate(open(name, encoding="utf-8"), 1):
        m = re.match(r'#include [<"]([^>"]+)[>"]', line)
        if not m:
            continue
        target = m.group(1)
        if target.split("/")[-1] in widgets or target.startswith(("QtWidgets/", "ui/", "app/", "graph/graph.", "graph/views.")):
            print(f"FAIL: {name}:{n} includes {target}")
PY
)
while IFS= read -r line; do
  [[ -n "$line" ]] && fail "${line#FAIL: }: the worksheet and the picture need no window"
done <<<"$windowless"

# The windows' controls have the names of the main window; the core has values.
while read -r hit; do
  fail "$hit: the core names a control"
done < <(grep -HnwE 'T?Form[12]|Label[2-8]|Edit[123]|Button[12]|GroupBox[12]|RadioGroup[12]|CheckBox1|StringGrid[12]|Bevel[14]|Image1' core/*.h core/*.cpp || true)

# Each message text, quotes included, once in all the sources outside tests/ and the manual.
messages=$(/usr/bin/python3 - <<'PY'
import glob, re
table = open("core/messages.h", encoding="utf-8").read()
texts = re.findall(r'inline constexpr Message k\w+\{[^"]*("[^"]*")', table)
sources = ""
for pattern in ("core", "output", "files", "graph", "app", "ui", "program", "bench", "fuzz"):
    for name in sorted(glob.glob(pattern + "/*.h") + glob.glob(pattern + "/*.cpp")):
        sources += open(name, encoding="utf-8").read()
for text in texts:
    n = sources.count(text)
    if n != 1:
        print(f"FAIL: {text} is written {n} times")
print(f"COUNT {len(texts)}")
PY
)
while IFS= read -r line; do
  case "$line" in
    FAIL:*) fail "${line#FAIL: }" ;;
    COUNT*) count=${line#COUNT } ;;
  esac
done <<<"$messages"
((count > 20)) || fail "only $count messages found in core/messages.h"

((failures == 0)) || exit 1
echo "the fit, the last fit, the controls and $count messages each have one home; the worksheet and the picture need no window"
