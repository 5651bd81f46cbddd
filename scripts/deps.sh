#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need,
# but only when one of them is missing, so a prepared machine starts at once.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev  # qt6-base-dev brings Qt Network too
  qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
  libsqlite3-dev sqlite3
  libxlsxwriter-dev  # workbook export
  unzip  # the export tests read workbooks back
  fonts-dejavu-core fontconfig
  poppler-utils  # the report tests read PDFs back (pdfinfo, pdftotext)
  python3 python3-openpyxl  # the report tests read workbooks back
  xvfb openbox
  desktop-file-utils appstream
  help2man lintian x11-utils
  clang-format  # scripts/format.sh, run first by CI
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
