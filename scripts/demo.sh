#!/usr/bin/env bash
# The main job: build the setup program and quenlo-pack, pack the demo payload onto the setup
# program and show what the setup file holds.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

cmake --preset host >/dev/null && cmake --build --preset host -j "$jobs" --target quenlo-pack
cmake --preset win32 >/dev/null && cmake --build --preset win32 -j "$jobs" --target QuenloSetup

pack=build/host/tools/quenlo-pack/quenlo-pack
out=build/demo/QuenloSetup-demo.exe
mkdir -p build/demo
"$pack" pack --image build/win32/setup/QuenloSetup.exe --from demo/sample -o "$out"
"$pack" verify "$out"
"$pack" list "$out"
echo "setup file: $out"
