#!/usr/bin/env bash
# What installing the program puts on a machine, checked from outside.
#   test_install.sh install BUILD_DIR   cmake --install into a scratch root, prefix /usr/local
set -euo pipefail

mode=$1
build=$(realpath "$2")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Width and height from a PNG's IHDR chunk.
png_size() {
  local b
  read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
  echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

# The files under ROOT must be exactly those of a desktop install at PREFIX, and sound.
check_tree() {
  local root=$1 prefix=$2
  local bin=$root$prefix/bin/orvelt
  local desktop=$root$prefix/share/applications/orvelt.desktop
  local icons=$root$prefix/share/icons/hicolor

  local expected actual
  expected=$(printf '%s\n' "$prefix/bin/orvelt" "$prefix/share/applications/orvelt.desktop" \
    "$prefix/share/icons/hicolor/scalable/apps/orvelt.svg" \
    "$prefix"/share/icons/hicolor/{48x48,64x64,128x128,256x256}/apps/orvelt.png | sort)
  actual=$(cd "$root" && find . ! -type d | sed 's|^\.||' | sort)
  [[ "$actual" == "$expected" ]] ||
    fail "installed files differ (< missing, > unexpected):"$'\n'"$(diff <(echo "$expected") \
      <(echo "$actual") | grep '^[<>]' | sed 's/^/  /')"

  [[ -f "$bin" && -x "$bin" ]] || fail "$bin is not an executable file"
  [[ -f "$bin" && "$(head -c4 "$bin" | od -An -c | tr -d ' ')" == '177ELF' ]] ||
    fail "$bin is not an ELF file"

  if [[ -f "$desktop" ]]; then
    local report
    report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
    # The one hint allowed: the entry is meant to show under both Education and Science.
    if grep -v 'contains more than one main category' <<<"$report" | grep -q .; then
      fail "desktop-file-validate complains: $report"
    fi
    local line
    for line in '[Desktop Entry]' 'Type=Application' 'Name=Orvelt' 'Name[ja]=オルヴェルト' \
      'Exec=orvelt' 'Icon=orvelt' 'Terminal=false' 'Categories=Education;Science;Math;'; do
      grep -qxF "$line" "$desktop" || fail "$desktop lacks the line $line"
    done
    grep -qP '^Comment\[ja\]=.*[\x{3040}-\x{30ff}\x{4e00}-\x{9fff}]' "$desktop" ||
      fail "$desktop has no Japanese Comment[ja]"
  else
    fail "no $desktop"
  fi

  local size file
  for size in 48 64 128 256; do
    file=$icons/${size}x${size}/apps/orvelt.png
    if [[ -f "$file" && "$(head -c8 "$file" | od -An -tx1 | tr -d ' ')" == 89504e470d0a1a0a ]]; then
      [[ "$(png_size "$file")" == "${size}x${size}" ]] ||
        fail "$file is $(png_size "$file"), not ${size}x${size}"
    else
      fail "$file is not a PNG file"
    fi
  done
  file=$icons/scalable/apps/orvelt.svg
  grep -q '<svg' "$file" 2>/dev/null || fail "$file is not an SVG picture"
}

case $mode in
  install)
    DESTDIR=$scratch/root cmake --install "$build" --prefix /usr/local >"$scratch/log" 2>&1 ||
      { cat "$scratch/log" >&2; fail "cmake --install failed"; }
    check_tree "$scratch/root" /usr/local
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all checks passed"
