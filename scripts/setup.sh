#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

packages=(
  g++ make cmake pkg-config librsvg2-bin dpkg-dev
  qt6-base-dev qt6-svg-dev qt6-translations-l10n libfontconfig-dev libgmp-dev libxcb1-dev
  poppler-utils
  fonts-ipafont-gothic fonts-paratype
  libbenchmark-dev
  libboost-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool xclip imagemagick desktop-file-utils
  lintian appstream shared-mime-info man-db weston qt6-wayland
  dbus at-spi2-core python3-gi gir1.2-atspi-2.0 python3-xlib python3-pil
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "setup: need root (or sudo) to install ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}"
