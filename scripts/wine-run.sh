#!/usr/bin/env bash
# Runs a Windows program under Wine the way the tests need it: in a prefix of its own (created
# once, then reused), on an Xvfb display of its own, with code page 936 (or the system language
# QUENLO_WINE_LOCALE names, e.g. zh_TW.UTF-8 for 950, en_US.UTF-8 for 1252). Afterwards it stops
# exactly what it started: the prefix's wineserver and its own Xvfb, by PID.
#
#   scripts/wine-run.sh [--prefix DIR] [--use-display] PROGRAM.exe [ARGS...]
#
# QUENLO_WINE_DPI sets the prefix's pixel density (HKCU\Control Panel\Desktop LogPixels, e.g.
# 144 for a display scaled to 150 %). A prefix keeps its density, so give such a run a prefix of
# its own; without --prefix it gets build/wine-win32-dpiN (or win64), never the shared one.
#
# A 32-bit program runs in a 32-bit prefix, a 64-bit one in a 64-bit prefix. Machines whose
# kernel cannot run 32-bit Linux programs cannot run 32-bit Wine: a 32-bit program then exits
# with status 77, which the tests report as skipped.
#
# --prefix DIR     the Wine prefix (default build/wine-win32 or build/wine-win64)
# --use-display    run on the current DISPLAY (a person's screen) instead of a fresh Xvfb
# The exit status is the program's.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
prefix=""
own_display=1
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --use-display) own_display=0; shift ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: $0 [--prefix DIR] [--use-display] PROGRAM.exe [ARGS...]" >&2; exit 2; }
program=$1

# The PE machine field: 014c i386, 8664 x86-64.
pe_offset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe_offset + 4)) -N2 "$program" | tr -d ' ')
case "$machine" in
  014c)
    if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
      echo "[wine-run] this machine cannot run 32-bit Wine; skipping $(basename "$program")" >&2
      exit 77
    fi
    export WINEARCH=win32 WINELOADER=/usr/lib/wine/wine
    ;;
  8664) export WINEARCH=win64 WINELOADER=/usr/lib/wine/wine64 ;;
  *) echo "[wine-run] $program is not a Windows i386 or x86-64 program" >&2; exit 2 ;;
esac
dpi=${QUENLO_WINE_DPI:-}
case "$dpi" in
  '' | *[!0-9]*) [ -z "$dpi" ] || { echo "[wine-run] QUENLO_WINE_DPI=$dpi is no number" >&2; exit 2; } ;;
esac
[ -n "$prefix" ] || prefix=$here/build/wine-$WINEARCH${dpi:+-dpi$dpi}
prefix=$(realpath -m "$prefix")

export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
# QUENLO_WINEDLLOVERRIDES: more overrides, for the run as a whole (Wine takes them from the
# environment it starts with, not from the one a program hands the programs it starts).
export WINEDLLOVERRIDES="${QUENLO_WINEDLLOVERRIDES:+$QUENLO_WINEDLLOVERRIDES;}mscoree,mshtml=;winemenubuilder.exe=d"
locale_name=${QUENLO_WINE_LOCALE:-zh_CN.UTF-8}
export LANG=$locale_name LC_ALL=$locale_name 2>/dev/null

xvfb_pid=""
cleanup() {
  "$WINELOADER" wineserver -k >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# Created under a lock, so parallel callers wait for the first.
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    echo "[wine-run] creating Wine prefix $prefix ($WINEARCH)" >&2
    "$WINELOADER" wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  if [ ! -f "$prefix/.quenlo-settings-2" ]; then
    # Without a window manager, Wine waits about 2 s for one on every window it hides; an
    # unmanaged X11 driver does not wait (and draws the window frames itself).
    "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    # Windows of every language link its interface fonts to a Chinese one, so that a window
    # caption in Chinese is drawn on a Western system too; a new prefix links none.
    for face in Tahoma 'Microsoft Sans Serif' 'MS Sans Serif' 'Segoe UI'; do
      "$WINELOADER" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d 'wqy-zenhei.ttc,WenQuanYi Zen Hei' /f >/dev/null 2>&1
    done
    wineserver -w
    touch "$prefix/.quenlo-settings-2"
  fi
  if [ -n "$dpi" ] && [ "$(cat "$prefix/.quenlo-dpi" 2>/dev/null)" != "$dpi" ]; then
    "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f \
      >/dev/null 2>&1
    wineserver -w
    echo "$dpi" >"$prefix/.quenlo-dpi"
  fi
  # A new prefix links the user's Desktop, Documents, Downloads and the like to the Unix home
  # folder: the links and files one run makes there would outlive the prefix and be seen by the
  # next. Each prefix gets folders of its own instead, so nothing is written outside it.
  for link in "$prefix"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
      rm -f "$link"
      mkdir -p "$link"
    fi
  done
) 9>"$prefix.lock"

if [ "$own_display" = 1 ]; then
  # 1024 x 768 at 96 DPI, as large at a higher density as a display scaled that much would be.
  scale=${dpi:-96}
  screen="$((1024 * scale / 96))x$((768 * scale / 96))x24"
  for n in $(seq 90 140); do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.05
    done
    if kill -0 "$xvfb_pid" 2>/dev/null && [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=":$n"
      break
    fi
    xvfb_pid=""
  done
  [ -n "$xvfb_pid" ] || { echo "[wine-run] could not start Xvfb" >&2; exit 1; }
fi

set +e
"$WINELOADER" "$@"
status=$?
set -e
exit $status
