#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package
# build/corvane-yield-report_<version>_<arch>.deb.
#   scripts/package.sh            make the package
#   scripts/package.sh --install  make it and install it (apt, through sudo when not root)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/deps.sh"
"$root/scripts/build.sh" >/dev/null
cd "$root/build"
rm -f corvane-yield-report_*.deb
cpack -G DEB >/dev/null
deb="$(ls "$root"/build/corvane-yield-report_*.deb)"
echo "$deb"
if [ "${1:-}" = "--install" ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y "$deb"
fi
