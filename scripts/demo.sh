#!/usr/bin/env bash
# The main job: build the setup program and its tools, generate the demo payload (the 367 files
# of the player, its codecs and skins), pack it onto the setup program with quenlo-pack, show what
# the setup file holds, and run the setup under Wine in a fresh prefix of its own:
#   - with a display (DISPLAY set), the wizard opens there for a person to click through;
#   - without one, the UI driver walks the wizard through all six pages (keeping the proposed
#     folder and the start-page task), saves a screenshot of each in build/demo/screenshots/, and
#     quenlo-demo-check reports what the installation left: files, codec classes, file types,
#     application record, shortcuts, start page. The job fails when anything is missing.
# The product is 32-bit; where this machine cannot run 32-bit Wine, the same sources built for
# x86-64 (the win64 tree) run instead.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/make-demo-payload.sh --tree win32 >/dev/null
mkdir -p build/demo
cp build/win32/demo/QuenloSetup-demo.exe build/demo/QuenloSetup-demo.exe
build/host/tools/quenlo-pack/quenlo-pack list build/demo/QuenloSetup-demo.exe | tail -n 1
echo "setup file: build/demo/QuenloSetup-demo.exe"

tree=win32
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  tree=win64
  echo "this machine runs only 64-bit Wine: running the x86-64 build of the same setup"
  scripts/make-demo-payload.sh --tree win64 >/dev/null
fi
cmake --build --preset "$tree" --target quenlo-uidrive quenlo-demo-check >/dev/null
setup=$PWD/build/$tree/demo/QuenloSetup-demo.exe
prefix=$PWD/build/demo/wine-$tree
rm -rf "$prefix" "$prefix.lock"  # a machine without an earlier installation

if [ -n "${DISPLAY:-}" ]; then
  echo "starting the setup on $DISPLAY"
  scripts/wine-run.sh --use-display --prefix "$prefix" "$setup"
  exit 0
fi

winpath() { printf 'Z:%s' "${1//\//\\}"; }
shots=$PWD/build/demo/screenshots
rm -rf "$shots" && mkdir -p "$shots"
script=build/demo/walk.txt
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
echo "walking the wizard with the UI driver (no display)"
status=0
scripts/wine-run.sh --prefix "$prefix" "build/$tree/tools/uidriver/quenlo-uidrive.exe" "$script" \
  >build/demo/walk.log 2>&1 || status=$?
grep -E '"ok":false|"command":"get"|"exitCode"' build/demo/walk.log || true
for bmp in "$shots"/*.bmp; do convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"; done
echo "screenshots: $(cd "$shots" && ls | tr '\n' ' ')(in build/demo/screenshots)"
if [ "$status" != 0 ]; then
  echo "the walk through the wizard failed (build/demo/walk.log has every step)" >&2
  exit 1
fi

# The folder as the folder page showed it (the driver's JSON escapes its backslashes).
folder=$(sed -n 's/.*"command":"get","name":"Folder_E".*"text":"\([^"]*\)".*/\1/p' build/demo/walk.log |
  sed 's/\\\\/\\/g')
scripts/wine-run.sh --prefix "$prefix" "build/$tree/demo/quenlo-demo-check.exe" \
  "$(winpath "$PWD/build/$tree/demo-payload")" "$folder"
