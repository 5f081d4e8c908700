#!/usr/bin/env bash
# The main job: build the setup program and its tools, generate the demo payload (the 367 files
# of the player, its codecs and skins), pack it onto the setup program with quenlo-pack and sign
# it (and its programs) with a throwaway certificate made on the fly, show what the setup file
# holds, and run the signed setup under Wine in a fresh prefix of its own:
#   - with a display (DISPLAY set), the wizard opens there for a person to click through;
#   - without one, the UI driver walks the wizard through all six pages (keeping the proposed
#     folder and the start-page task), saves a screenshot of each in build/demo/screenshots/, and
#     quenlo-demo-check reports what the installation left: files, codec classes, file types,
#     application record, shortcuts, start page. The job fails when anything is missing.
# QUENLO_DEMO_LOCALES lists the system languages to walk and check the install under, each in a
# fresh prefix of its own (default "zh_CN"; e.g. "zh_CN zh_TW en_US" for code pages 936, 950 and
# 1252); the screenshots of a language other than zh_CN go to build/demo/screenshots/LANGUAGE/.
# QUENLO_DEMO_DPI lists the pixel densities to walk at as well (default none but 96; e.g. "144"
# for a display scaled to 150 %, "120 144 192"), each in a fresh prefix of its own; their
# screenshots go to build/demo/screenshots/[LANGUAGE/]dpiN/.
# The product is 32-bit; where this machine cannot run 32-bit Wine, the same sources built for
# x86-64 (the win64 tree) run instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/make-demo-payload.sh --signed --tree win32 >/dev/null
mkdir -p build/demo
cp build/win32/demo/QuenloSetup-demo-signed.exe build/demo/QuenloSetup-demo.exe
build/host/tools/quenlo-pack/quenlo-pack list build/demo/QuenloSetup-demo.exe | tail -n 2
osslsigncode verify -CAfile build/win32/demo/signing/cert.pem -in build/demo/QuenloSetup-demo.exe |
  grep 'Signature verification'
echo "setup file: build/demo/QuenloSetup-demo.exe (signed with a throwaway certificate)"

tree=win32
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  tree=win64
  echo "this machine runs only 64-bit Wine: running the x86-64 build of the same setup"
  scripts/make-demo-payload.sh --signed --tree win64 >/dev/null
fi
cmake --build --preset "$tree" --target quenlo-uidrive quenlo-demo-check >/dev/null
setup=$PWD/build/$tree/demo/QuenloSetup-demo-signed.exe
if [ -n "${DISPLAY:-}" ]; then
  prefix=$PWD/build/demo/wine-$tree
  rm -rf "$prefix" "$prefix.lock"  # a machine without an earlier installation
  echo "starting the setup on $DISPLAY"
  scripts/wine-run.sh --use-display --prefix "$prefix" "$setup"
  exit 0
fi

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Walks the wizard under one system language at one pixel density in a fresh prefix and checks
# what it left.
walk_and_check() {
  local locale_name=$1 dpi=$2 shots prefix script log status=0 tag=$1
  shots=$PWD/build/demo/screenshots
  prefix=$PWD/build/demo/wine-$tree
  if [ "$locale_name" != zh_CN ]; then
    shots=$shots/$locale_name
    prefix=$prefix-$locale_name
  fi
  if [ "$dpi" != 96 ]; then
    shots=$shots/dpi$dpi
    prefix=$prefix-dpi$dpi
    tag=$tag-dpi$dpi
  fi
  rm -rf "$prefix" "$prefix.lock"  # a machine without an earlier installation
  rm -rf "$shots"/*.png "$shots"/*.bmp && mkdir -p "$shots"
  script=build/demo/walk-$tag.txt
  log=build/demo/walk-$tag.log
  cat >"$script" <<WALK
timeout 20000
start $(winpath "$setup")
wait-window SetupMain_Form
screenshot $(winpath "$shots/page1.bmp") SetupMain_Form
click Next_Btn
wait-state Next_Btn text "我接受(&I)"
screenshot $(winpath "$shots/page2.bmp") SetupMain_Form
click Next_Btn
wait-state Browse_Btn visible on
screenshot $(winpath "$shots/page3.bmp") SetupMain_Form
get Folder_E
click Next_Btn
answer Yes
wait-state HomePage_CB visible on
screenshot $(winpath "$shots/page4.bmp") SetupMain_Form
click Next_Btn
screenshot $(winpath "$shots/page5.bmp") SetupMain_Form
wait-state Cancel_Btn text "完成(&F)" 300000
screenshot $(winpath "$shots/page6.bmp") SetupMain_Form
get Status_L
click Cancel_Btn
wait-exit
WALK
  echo "walking the wizard with the UI driver under $locale_name.UTF-8 at $dpi DPI (no display)"
  QUENLO_WINE_LOCALE=$locale_name.UTF-8 QUENLO_WINE_DPI=$dpi scripts/wine-run.sh --prefix "$prefix" \
    "build/$tree/tools/uidriver/quenlo-uidrive.exe" "$script" >"$log" 2>&1 || status=$?
  grep -E '"ok":false|"command":"get"|"exitCode"' "$log" || true
  for bmp in "$shots"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"; done
  echo "screenshots: $(cd "$shots" && ls *.png | tr '\n' ' ')(in ${shots#"$PWD"/})"
  if [ "$status" != 0 ]; then
    echo "the walk through the wizard failed ($log has every step)" >&2
    return 1
  fi
  # The folder as the folder page showed it (the driver's JSON escapes its backslashes).
  local folder
  folder=$(sed -n 's/.*"command":"get","name":"Folder_E".*"text":"\([^"]*\)".*/\1/p' "$log" |
    sed 's/\\\\/\\/g')
  QUENLO_WINE_LOCALE=$locale_name.UTF-8 QUENLO_WINE_DPI=$dpi scripts/wine-run.sh --prefix "$prefix" \
    "build/$tree/demo/quenlo-demo-check.exe" "$(winpath "$PWD/build/$tree/demo-payload-signed")" "$folder"
}

for locale_name in ${QUENLO_DEMO_LOCALES:-zh_CN}; do
  for dpi in 96 ${QUENLO_DEMO_DPI:-}; do
    case "$dpi" in
      *[!0-9]* | '') echo "QUENLO_DEMO_DPI: \"$dpi\" is no number of pixels per inch" >&2; exit 2 ;;
    esac
    walk_and_check "$locale_name" "$dpi"
  done
done
