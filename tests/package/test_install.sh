#!/usr/bin/env bash
# What installing the program puts on a machine, checked from outside: the files, the link on the
# PATH, the manual that the installed program finds through it, the desktop entry, the data files'
# type, the software centres' metainfo, the manual page, the changelog, the copyright file, the
# hardening of the program; for the package, lintian.
#   test_install.sh install BUILD_DIR VERSION        cmake --install into a scratch root
#   test_install.sh deb BUILD_DIR CPACK VERSION      the .deb from cpack, unpacked by dpkg -x
set -euo pipefail

mode=$1
build=$(realpath "$2")
source_dir=$(realpath "$(dirname "$0")/../..")
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
  local link=$root$prefix/bin/orvelt
  local bin=$root$prefix/libexec/orvelt/orvelt
  local module=$root$prefix/libexec/orvelt/orvelt-output.so
  local manual=$root$prefix/libexec/orvelt/orvelta.hlp
  local share=$root$prefix/share
  local copyright=$share/doc/orvelt/copyright
  local changelog=$share/doc/orvelt/changelog.gz
  local manpage=$share/man/man1/orvelt.1.gz
  local desktop=$share/applications/org.orvelt.orvelt.desktop
  local metainfo=$share/metainfo/org.orvelt.orvelt.metainfo.xml
  local mime=$share/mime/packages/orvelt.xml
  local icons=$share/icons/hicolor
  local sizes=(16 24 32 48 64 128 256)

  local expected actual size
  expected=$(
    printf '%s\n' "$prefix/bin/orvelt" "$prefix/libexec/orvelt/orvelt" \
      "$prefix/libexec/orvelt/orvelt-output.so" \
      "$prefix/libexec/orvelt/orvelta.hlp" "$prefix/share/doc/orvelt/copyright" \
      "$prefix/share/doc/orvelt/changelog.gz" "$prefix/share/man/man1/orvelt.1.gz" \
      "$prefix/share/applications/org.orvelt.orvelt.desktop" \
      "$prefix/share/metainfo/org.orvelt.orvelt.metainfo.xml" \
      "$prefix/share/mime/packages/orvelt.xml" \
      "$prefix/share/icons/hicolor/scalable/apps/orvelt.svg"
    for size in "${sizes[@]}"; do
      echo "$prefix/share/icons/hicolor/${size}x$size/apps/orvelt.png"
    done | LC_ALL=C sort
  )
  expected=$(LC_ALL=C sort <<<"$expected")
  actual=$(cd "$root" && find . ! -type d | sed 's|^\.||' | LC_ALL=C sort)
  [[ "$actual" == "$expected" ]] ||
    fail "installed files differ (< missing, > unexpected):"$'\n'"$(diff <(echo "$expected") \
      <(echo "$actual") | grep '^[<>]' | sed 's/^/  /')"

  [[ -f "$bin" && ! -L "$bin" && -x "$bin" ]] || fail "$bin is not an executable file"
  [[ -f "$bin" && "$(head -c4 "$bin" | od -An -c | tr -d ' ')" == '177ELF' ]] ||
    fail "$bin is not an ELF file"
  # The command on the PATH is a relative link, so that it holds under any root and prefix.
  [[ -L "$link" && "$(readlink "$link")" == ../libexec/orvelt/orvelt ]] ||
    fail "$link is not a link to ../libexec/orvelt/orvelt: $(ls -l "$link" 2>&1)"
  cmp -s "$manual" "$source_dir/docs/orvelta.hlp" ||
    fail "$manual is not the manual docs/orvelta.hlp"

  # The output module beside the program, which loads it by that name.
  [[ -f "$module" && ! -L "$module" && "$(head -c4 "$module" | od -An -c | tr -d ' ')" == '177ELF' ]] ||
    fail "$module is not an ELF file"

  # The hardening of Debian's build flags, and no notes of the tools that built them.
  local headers file
  for file in "$bin" "$module"; do
    headers=$(readelf -W -h -l -d -S --dyn-syms "$file" 2>&1)
    grep -q 'Type: *DYN' <<<"$headers" || fail "$file is not position-independent"
    grep -q 'GNU_RELRO' <<<"$headers" || fail "$file has no read-only relocations"
    grep -q 'BIND_NOW' <<<"$headers" || fail "$file does not bind at start"
    grep -q '__stack_chk_fail' <<<"$headers" || fail "$file has no stack protector"
    if grep -q ' \.comment ' <<<"$headers"; then fail "$file has a .comment section"; fi
  done
  headers=$(readelf -W --dyn-syms "$bin" 2>&1)
  grep -qE '__[a-z]+_chk@' <<<"$headers" || fail "$bin uses no checked string functions"

  # Debian's machine-readable copyright file, carrying the licence text of LICENSE.
  if [[ -f "$copyright" ]]; then
    [[ "$(head -n1 "$copyright")" == \
      'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ]] ||
      fail "$copyright does not start with the Format line"
    local line
    for line in 'Upstream-Name: orvelt' 'Files: *' 'License: Expat'; do
      grep -qxF "$line" "$copyright" || fail "$copyright lacks the line $line"
    done
    # The licence paragraph, its leading blanks and " ." lines undone, is LICENSE's text.
    local licence
    licence=$(awk '/^License: Expat$/ { n++; if (n == 2) { on = 1; next } }
      on && /^[^ ]/ { on = 0 } on { sub(/^ /, ""); if ($0 == ".") $0 = ""; print }' "$copyright")
    [[ "$licence" == "$(sed -n '/^Permission is hereby granted/,$p' "$source_dir/LICENSE")" ]] ||
      fail "$copyright does not carry the licence text of LICENSE"
  else
    fail "no $copyright"
  fi

  # The changelog and the manual page, compressed without a time stamp; the page reads without
  # a warning of man's.
  local file
  for file in "$changelog" "$manpage"; do
    [[ "$(head -c4 "$file" 2>/dev/null | od -An -tx1 | tr -d ' ')" == 1f8b0800 ]] ||
      fail "$file is not gzip data without a time stamp"
  done
  [[ "$(gzip -dc "$changelog" 2>/dev/null)" == "$(cat "$source_dir/packaging/changelog")" ]] ||
    fail "$changelog is not packaging/changelog"
  [[ "$(gzip -dc "$changelog" 2>/dev/null | dpkg-parsechangelog -l - -S Version 2>&1)" == \
    "$version" ]] || fail "$changelog does not begin with version $version"
  local warnings
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$manpage" 2>&1 >/dev/null)
  [[ -z "$warnings" ]] || fail "man warns about $manpage: $warnings"
  LC_ALL=C.UTF-8 MANWIDTH=80 man -E UTF-8 -l "$manpage" 2>/dev/null | grep -q -- '--version' ||
    fail "$manpage does not show the options"

  # Started through the link, the installed program shows the manual from the private folder,
  # and answers on the terminal.
  local report
  report=$(/usr/bin/python3 "$source_dir/tests/e2e/test_e2e.py" --program "$link" HelpShown 2>&1) ||
    fail "the installed program does not show its manual:"$'\n'"$report"
  [[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$link" --version | head -n1)" == "orvelt $version" ]] ||
    fail "$link --version does not name version $version"

  if [[ -f "$desktop" ]]; then
    report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
    [[ -z "$report" ]] || fail "desktop-file-validate complains: $report"
    local line
    for line in '[Desktop Entry]' 'Type=Application' 'Name=Orvelt' 'Name[ja]=オルヴェルト' \
      'Exec=orvelt %f' 'Icon=orvelt' 'Terminal=false' 'Categories=Science;Math;' \
      'MimeType=application/x-orvelt;' 'StartupWMClass=orvelt'; do
      grep -qxF "$line" "$desktop" || fail "$desktop lacks the line $line"
    done
    # Code points in a pattern need a UTF-8 locale, whatever the caller's is.
    LC_ALL=C.UTF-8 grep -qP '^Comment\[ja\]=.*[\x{3040}-\x{30ff}\x{4e00}-\x{9fff}]' "$desktop" ||
      fail "$desktop has no Japanese Comment[ja]"
  else
    fail "no $desktop"
  fi

  # What software centres read; offline, as the machine has no network.
  report=$(appstreamcli validate --pedantic --no-net "$metainfo" 2>&1) ||
    fail "appstreamcli validate: $report"
  if grep -qE '^[EWIP]: ' <<<"$report"; then fail "appstreamcli validate --pedantic: $report"; fi
  grep -qF '<launchable type="desktop-id">org.orvelt.orvelt.desktop</launchable>' "$metainfo" ||
    fail "$metainfo does not launch the desktop entry"

  # The desktop's databases as the packages' triggers build them; then a file manager (GIO)
  # takes a ".ovt" file, or a file that begins with "ovt110", for our type, and our entry for
  # the program that opens it.
  if [[ -f "$mime" ]]; then
    local data=$scratch/data
    rm -rf "$data" && mkdir -p "$data"
    cp -r "$share" "$data/share"
    update-mime-database "$data/share/mime" >/dev/null 2>&1 || fail "update-mime-database failed"
    update-desktop-database "$data/share/applications" || fail "update-desktop-database failed"
    report=$(PATH="$root$prefix/bin:$PATH" XDG_DATA_DIRS="$data/share:/usr/share" \
      XDG_DATA_HOME="$data/home" /usr/bin/python3 - <<'PY' 2>&1
import gi
gi.require_version("Gio", "2.0")
from gi.repository import Gio
problems = []
for name, head in (("measured.ovt", None), (None, b"ovt110\r\n1\r\n2\r\n")):
    kind, _ = Gio.content_type_guess(name, head)
    if kind != "application/x-orvelt":
        problems.append(f"{name or head!r} is {kind}")
if not Gio.content_type_is_a("application/x-orvelt", "text/plain"):
    problems.append("the type is no kind of text/plain")
app = Gio.AppInfo.get_default_for_type("application/x-orvelt", False)
if app is None or app.get_id() != "org.orvelt.orvelt.desktop":
    problems.append(f"application/x-orvelt opens with {app and app.get_id()}")
print("\n".join(problems))
PY
    ) || fail "the MIME check failed: $report"
    [[ -z "$report" ]] || fail "MIME database: $report"
  else
    fail "no $mime"
  fi

  local file
  for size in "${sizes[@]}"; do
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
    version=$3
    DESTDIR=$scratch/root cmake --install "$build" --prefix /usr/local >"$scratch/log" 2>&1 ||
      { cat "$scratch/log" >&2; fail "cmake --install failed"; }
    check_tree "$scratch/root" /usr/local
    ;;
  deb)
    cpack=$3 version=$4
    arch=$(dpkg --print-architecture)
    "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/log" 2>&1 ||
      { cat "$scratch/log" >&2; fail "cpack failed"; }
    deb=$scratch/out/orvelt_${version}_$arch.deb
    if [[ ! -f "$deb" ]]; then
      fail "cpack made no $(basename "$deb"): $(ls "$scratch/out")"
    else
      field() { dpkg-deb -f "$deb" "$1"; }
      [[ "$(field Package)" == orvelt ]] || fail "Package: $(field Package)"
      [[ "$(field Version)" == "$version" ]] || fail "Version: $(field Version), not $version"
      [[ "$(field Architecture)" == "$arch" ]] || fail "Architecture: $(field Architecture)"
      [[ "$(field Maintainer)" == *@* ]] || fail "Maintainer: $(field Maintainer)"
      [[ "$(field Section)" == math || "$(field Section)" == science ]] ||
        fail "Section: $(field Section)"
      # A summary line and a longer text under it.
      (($(field Description | wc -l) >= 3)) || fail "Description: $(field Description)"

      # The package names of Depends, without versions and alternatives' bars.
      depends=$(field Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/[[:space:]]//g' | grep .)
      needs() {
        grep -qxF "$1" <<<"$depends" || fail "Depends lacks $1 ($2): $(field Depends)"
      }
      needs libqt6widgets6 "Qt widgets"
      needs fonts-ipafont-gothic "the window font"
      needs fonts-paratype "the face of the graph's frame numbers"
      needs libgmp10 "the exact fit's integers"
      [[ "$(field Recommends)" == *qt6-wayland* ]] ||
        fail "Recommends lacks qt6-wayland (the Wayland platform plugin): $(field Recommends)"
      dpkg-deb -c "$deb" | awk '$2 != "root/root" { bad = 1; print } END { exit bad }' >&2 ||
        fail "files not owned by root"
      # lintian as Debian's archive runs it, every tag shown: nothing to say.
      report=$(lintian --allow-root --pedantic --display-info --display-experimental "$deb" 2>&1) ||
        fail "lintian failed: $report"
      [[ -z "$report" ]] || fail "lintian:"$'\n'"$report"

      dpkg -x "$deb" "$scratch/root"
      check_tree "$scratch/root" /usr
      private=$scratch/root/usr/libexec/orvelt
      for bin in "$private/orvelt" "$private/orvelt-output.so"; do
        if readelf -S -W "$bin" 2>/dev/null | grep -q '\.symtab'; then
          fail "$(basename "$bin") in the package is not stripped"
        fi
      done

      # Whoever holds, on this machine, each library the program and its output module link,
      # the X11 platform plugin and Qt's Japanese texts must be among the dependencies.
      patterns=()
      for bin in "$private/orvelt" "$private/orvelt-output.so"; do
        while read -r lib; do
          path=$(ldd "$bin" | awk -v l="$lib" '$1 == l && $2 == "=>" { print $3 }')
          [[ -n "$path" ]] || { fail "ldd finds no $lib"; continue; }
          path=$(realpath "$path")
          patterns+=("*/$(basename "$(dirname "$path")")/$(basename "$path")")
        done < <(objdump -p "$bin" | awk '$1 == "NEEDED" { print $2 }')
      done
      ((${#patterns[@]} >= 5)) || fail "objdump finds too few libraries: ${patterns[*]}"
      needs libqt6svg6 "the output module's SVG"
      needs libqt6printsupport6 "the output module's printing"
      patterns+=("*/qt6/plugins/platforms/libqxcb.so" "*/qt6/translations/qtbase_ja.qm")
      mapfile -t owned < <(dpkg -S "${patterns[@]}" 2>/dev/null || true)
      for pattern in "${patterns[@]}"; do
        found=0
        for line in "${owned[@]}"; do
          # "package[:arch][, package[:arch]...]: path"
          [[ "${line#*: }" == $pattern ]] || continue
          found=1
          for owner in $(tr ',' ' ' <<<"${line%%: *}"); do needs "${owner%%:*}" "$pattern"; done
        done
        ((found)) || fail "no installed package holds $pattern"
      done
    fi
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
