#!/usr/bin/env bash
# Builds the Debian package and checks it without installing it: unpacks it
# into a temporary root, compares its file list, validates the menu entry
# and the AppStream metadata, then starts the unpacked program (offscreen)
# as an ordinary user, for whom its folder is read-only: it must make its
# database in the user's data folder and import a sample given on the
# command line; a second start must find that database and empty it; after
# the copy is overwritten with garbage, a third start must make it again and
# import. Run as root, it also starts the program as root, who may write the
# program's folder and must still get a copy in root's own data folder.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb="$("$root/scripts/package.sh" | tail -n 1)"
work="$(mktemp -d)"
started=()  # the programs this script started, ended by their ids on the way out
trap 'for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT
chmod 755 "$work"
dpkg-deb -x "$deb" "$work/root"
fail() { echo "package test: $*" >&2; exit 1; }

# The file list.
expected="$(cat <<'LIST'
usr/bin/CorvaneYieldReport
usr/share/applications/com.corvane.YieldReportAnalysis.desktop
usr/share/corvane-yield-report/ReportGenTemplate.mdb
usr/share/doc/corvane-yield-report/changelog.gz
usr/share/doc/corvane-yield-report/copyright
usr/share/doc/corvane-yield-report/examples/line1_2024-03-04.yrp
usr/share/doc/corvane-yield-report/examples/line1_2024-03-05.yrp
usr/share/doc/corvane-yield-report/examples/line2_2024-03-05.yrp
usr/share/doc/corvane-yield-report/examples/line2_2024-03-06_damaged.yrp
usr/share/icons/hicolor/128x128/apps/com.corvane.YieldReportAnalysis.png
usr/share/icons/hicolor/256x256/apps/com.corvane.YieldReportAnalysis.png
usr/share/icons/hicolor/48x48/apps/com.corvane.YieldReportAnalysis.png
usr/share/icons/hicolor/64x64/apps/com.corvane.YieldReportAnalysis.png
usr/share/icons/hicolor/scalable/apps/com.corvane.YieldReportAnalysis.svg
usr/share/man/man1/CorvaneYieldReport.1.gz
usr/share/metainfo/com.corvane.YieldReportAnalysis.metainfo.xml
usr/share/mime/packages/corvane-yield-report.xml
LIST
)"
actual="$(cd "$work/root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
[ "$actual" = "$expected" ] || fail "file list differs:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "no dependency on Qt 6 Widgets"
dpkg-deb -f "$deb" Depends | grep -q "libsqlite3-0" || fail "no dependency on SQLite"

desktop-file-validate "$work/root/usr/share/applications/com.corvane.YieldReportAnalysis.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/com.corvane.YieldReportAnalysis.metainfo.xml"
# The dock matches the window to its launcher by the window's class.
grep -qx "StartupWMClass=com.corvane.YieldReportAnalysis" \
  "$work/root/usr/share/applications/com.corvane.YieldReportAnalysis.desktop" || fail "no StartupWMClass"

# Debian's own checker: no error and no warning (notes and hints may stay).
lintian_out="$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v "^running with root privileges" || true)"
if echo "$lintian_out" | grep -Eq '^[EW]: '; then
  fail "lintian reports errors or warnings:"$'\n'"$lintian_out"
fi
# The manual page says what --help says.
man_page="$(zcat "$work/root/usr/share/man/man1/CorvaneYieldReport.1.gz")"
[[ "$man_page" == *'\-\-version'* ]] || fail "manual page without --version"

# The unpacked program as "nobody", whose home is a fresh folder.
home="$work/home"
mkdir -p "$home"
chown nobody:nogroup "$home" 2>/dev/null || true
program="$work/root/usr/bin/CorvaneYieldReport"
sample="$work/root/usr/share/doc/corvane-yield-report/examples/line1_2024-03-04.yrp"
lines="$(grep -c . "$sample")"
# Started in the background, its exec makes $! the program's own id.
as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$home" PATH=/usr/bin:/bin \
      QT_QPA_PLATFORM=offscreen LANG=en_US.UTF-8 "$@"
  else
    exec env HOME="$home" XDG_DATA_HOME="$home/.local/share" QT_QPA_PLATFORM=offscreen "$@"
  fi
}
database() { find "$home" -name ReportGenTemplate.mdb 2>/dev/null | head -n 1; }
count() { sqlite3 "$(database)" "select count(*) from tblYieldReport" 2>/dev/null || echo none; }
# Waits up to 60 s for the table to hold $1 rows.
wait_for() {
  for _ in $(seq 1 300); do
    [ -n "$(database)" ] && [ "$(count)" = "$1" ] && return 0
    sleep 0.2
  done
  fail "the table did not reach $1 rows (now: $(count), database: '$(database)')"
}

as_user "$program" "$sample" >"$work/first.log" 2>&1 &
first=$!
started+=("$first")
wait_for "$lines"
kill "$first"; wait "$first" 2>/dev/null || true
db="$(database)"
case "$db" in "$home"/.local/share/*) ;; *) fail "database not in the user's data folder: $db" ;; esac
[ ! -e "$work/root/usr/bin/ReportGenTemplate.mdb" ] || fail "wrote beside the installed program"

as_user "$program" >"$work/second.log" 2>&1 &
second=$!
started+=("$second")
wait_for 0
kill "$second"; wait "$second" 2>/dev/null || true
[ "$(database)" = "$db" ] || fail "the second start used another database"

# A damaged copy holds nothing of the user's: the next start makes it again.
printf 'no database here\n' >"$db"
as_user "$program" "$sample" >"$work/third.log" 2>&1 &
third=$!
started+=("$third")
wait_for "$lines"
kill "$third"; wait "$third" 2>/dev/null || true
[ "$(database)" = "$db" ] || fail "the third start used another database"

# Root may write the program's folder, which holds no database: root, too,
# gets a copy in its own data folder.
if [ "$(id -u)" -eq 0 ]; then
  home="$work/roothome"
  mkdir -p "$home"
  env -i HOME="$home" PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen LANG=en_US.UTF-8 "$program" "$sample" \
    >"$work/root.log" 2>&1 &
  fourth=$!
  started+=("$fourth")
  wait_for "$lines"
  kill "$fourth"; wait "$fourth" 2>/dev/null || true
  case "$(database)" in "$home"/.local/share/*) ;; *) fail "root's database not in its data folder: $(database)" ;; esac
  [ ! -e "$work/root/usr/bin/ReportGenTemplate.mdb" ] || fail "root's start wrote beside the installed program"
fi
echo "package test: $(basename "$deb") passed ($lines rows imported into $db, emptied by the second start, made again from garbage by the third; root's start used its own copy)"
