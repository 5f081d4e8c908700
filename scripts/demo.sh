#!/usr/bin/env bash
# The main job: build the setup program and its tools, generate the demo payload (the 367 files
# of the player, its codecs and skins), pack it onto the setup program with quenlo-pack and show
# what the setup file holds.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/make-demo-payload.sh --tree win32
mkdir -p build/demo
cp build/win32/demo/QuenloSetup-demo.exe build/demo/QuenloSetup-demo.exe
build/host/tools/quenlo-pack/quenlo-pack list build/demo/QuenloSetup-demo.exe
echo "setup file: build/demo/QuenloSetup-demo.exe"
