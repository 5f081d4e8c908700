#!/usr/bin/env bash
# The silent install of a setup file beside an NSIS setup of the same payload tree doing the same
# file work, both under 32-bit Wine in one prefix, timed in turns.
#
#   bench/silent_install_bench.sh SETUP.exe PAYLOAD_TREE [ROUNDS]
#
# e.g. bench/silent_install_bench.sh build/win32/demo/QuenloSetup-demo-small.exe \
#          build/win32/demo-payload-small 5
#
# The NSIS script, written here for the tree, puts App\ into the installation folder and Exe\
# into the system folder, registers every codec library (RegDLL, as regsvr32 does) and deletes
# the system-folder copies again: the setup's extraction and codec steps. The setup does more
# besides (the check of its payload, 54 file types, the application record, the links, the
# uninstall record). Each round installs with both into fresh folders, in alternating order; the
# wall time of each run, from the start of the Wine process to its end, is taken, and the medians
# and their ratio printed. Needs makensis (Debian's nsis) and Wine: a 32-bit setup runs beside a
# 32-bit NSIS setup in a 32-bit prefix (the product), an x86-64 one beside an amd64 NSIS setup in
# a 64-bit prefix (for machines that run only 64-bit Wine).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
setup=$(realpath "$1")
tree=$(realpath "$2")
rounds=${3:-5}
command -v makensis >/dev/null || { echo "makensis is missing (apt-get install nsis)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quenlo-silent-bench.XXXXXX")
# The PE machine field of the setup: 014c i386, 8664 x86-64.
pe_offset=$(od -An -tu4 -j60 -N4 "$setup" | tr -d ' ')
case "$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$setup" | tr -d ' ')" in
  014c) arch=win32 wine=/usr/lib/wine/wine nsis_target=x86-unicode ;;
  8664) arch=win64 wine=/usr/lib/wine/wine64 nsis_target=amd64-unicode ;;
  *) echo "$setup is not a Windows i386 or x86-64 program" >&2; exit 2 ;;
esac
"$wine" --version >/dev/null 2>&1 || { echo "this machine cannot run $wine" >&2; exit 2; }
export WINEPREFIX=$here/build/$arch/wine-bench-silent WINEARCH=$arch WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# The NSIS script: one SetOutPath per folder, one File per file, as NSIS setups are written.
script=$work/bench.nsi
win() { printf '%s' "$1" | tr / '\\'; }
{
  echo 'Unicode true'
  echo "Target $nsis_target"
  echo 'Name "Quenlo bench"'
  echo "OutFile \"$work/nsis-setup.exe\""
  echo 'InstallDir "C:\nsis-bench"'
  echo 'RequestExecutionLevel admin'
  echo 'SetCompressor /SOLID zlib'
  echo 'Section'
  (cd "$tree/App" && find . -type d | sort) | while read -r dir; do
    rel=${dir#./}
    [ "$rel" = "." ] && rel=""
    echo "  SetOutPath \"\$INSTDIR$( [ -n "$rel" ] && printf '\\%s' "$(win "$rel")")\""
    (cd "$tree/App/$dir" && find . -maxdepth 1 -type f | sort) | while read -r file; do
      echo "  File \"$tree/App/${rel:+$rel/}${file#./}\""
    done
  done
  echo '  SetOutPath "$SYSDIR"'
  for file in "$tree"/Exe/*; do echo "  File \"$file\""; done
  (cd "$tree/App" && find . -type f -path '*Codec*' \( -iname '*.dll' -o -iname '*.ax' \) | sort) |
    while read -r codec; do echo "  RegDLL \"\$INSTDIR\\$(win "${codec#./}")\""; done
  for file in "$tree"/Exe/*; do echo "  Delete \"\$SYSDIR\\$(basename "$file")\""; done
  echo 'SectionEnd'
} >"$script"
makensis -V1 -INPUTCHARSET UTF8 "$script" >/dev/null

# One prefix, one wineserver kept running for all the runs.
if [ ! -f "$WINEPREFIX/system.reg" ]; then "$wine" wineboot -i >/dev/null 2>&1; fi
wineserver -p >/dev/null 2>&1 || true
drive_c=$WINEPREFIX/drive_c
clean() {
  rm -rf "$drive_c/nsis-bench" "$drive_c/quenlo-bench"
  "$wine" reg delete 'HKLM\Software\QuenloBoFang' /f >/dev/null 2>&1 || true
  "$wine" reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\QuenloBoFang' /f \
    >/dev/null 2>&1 || true
}
# Seconds of wall time of one run; its exit code must be 0.
timed() {
  local start end
  start=$(date +%s.%N)
  "$wine" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

ours=() theirs=()
clean
timed "$setup" /S /NOSTARTPAGE '/D=C:\quenlo-bench' >/dev/null  # warm the file cache
timed "$work/nsis-setup.exe" /S '/D=C:\nsis-bench' >/dev/null
# Both did the file work: the same files in their folders (the setup adds its uninstall record).
echo "installed files: setup $(find "$drive_c/quenlo-bench" -type f | wc -l)," \
  "NSIS $(find "$drive_c/nsis-bench" -type f | wc -l)"
for round in $(seq 1 "$rounds"); do
  clean
  if [ $((round % 2)) = 1 ]; then
    ours+=("$(timed "$setup" /S /NOSTARTPAGE '/D=C:\quenlo-bench')")
    theirs+=("$(timed "$work/nsis-setup.exe" /S '/D=C:\nsis-bench')")
  else
    theirs+=("$(timed "$work/nsis-setup.exe" /S '/D=C:\nsis-bench')")
    ours+=("$(timed "$setup" /S /NOSTARTPAGE '/D=C:\quenlo-bench')")
  fi
  echo "round $round: setup ${ours[-1]} s, NSIS ${theirs[-1]} s"
done
clean
ours_median=$(printf '%s\n' "${ours[@]}" | median)
theirs_median=$(printf '%s\n' "${theirs[@]}" | median)
files=$(find "$tree/App" "$tree/Exe" -type f | wc -l)
echo "silent install of $files files, median of $rounds alternating rounds:"
printf '  %-28s %8.3f s\n' "$(basename "$setup") /S" "$ours_median" "NSIS setup /S" "$theirs_median"
printf '  ratio setup / NSIS            %8.2f\n' "$(echo "$ours_median / $theirs_median" | bc -l)"
