#!/usr/bin/env bash
# Builds the demo setup file: the demo payload tree generated from the programs of one Windows
# build tree, packed onto that tree's QuenloSetup.exe with quenlo-pack, then verified.
#
#   scripts/make-demo-payload.sh [--small] [--signed] [--tree win32|win64]
#
# --small         same 367 names, a few MB instead of about 65 MB (for quick tests)
# --signed        also a signed setup file, packed with --sign-with and a throwaway certificate
#                 made on the fly (openssl), its programs signed too
# --tree TREE     the Windows build tree whose programs go in (default win32, the product)
#
# Writes build/TREE/demo-payload[-small]/ (the App and Exe folders) and
# build/TREE/demo/QuenloSetup-demo[-small].exe, and prints the stored and inflated totals. With
# --signed also build/TREE/demo/QuenloSetup-demo[-small]-signed.exe, the tree it holds (its
# programs signed) in build/TREE/demo-payload[-small]-signed/, and the certificate that signed
# it in build/TREE/demo/signing/cert.pem.
set -euo pipefail
cd "$(dirname "$0")/.."

tree=win32
small=""
suffix=""
signed=0
while [ $# -gt 0 ]; do
  case "$1" in
    --small) small=--small; suffix=-small; shift ;;
    --signed) signed=1; shift ;;
    --tree) tree=${2:-}; shift 2 || { echo "--tree needs win32 or win64" >&2; exit 2; } ;;
    --tree=*) tree=${1#--tree=}; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "unknown argument: $1 (see --help)" >&2; exit 2 ;;
  esac
done
case "$tree" in
  win32|win64) ;;
  *) echo "--tree takes win32 or win64, not '$tree'" >&2; exit 2 ;;
esac
jobs=$(nproc)

cmake --preset host >/dev/null
cmake --build --preset host -j "$jobs" --target quenlo-demo-payload quenlo-pack
cmake --preset "$tree" >/dev/null
cmake --build --preset "$tree" -j "$jobs" --target QuenloSetup quenlo_demo_templates

generator=build/host/demo/quenlo-demo-payload
pack=build/host/tools/quenlo-pack/quenlo-pack
payload=build/$tree/demo-payload$suffix
setup=build/$tree/demo/QuenloSetup-demo$suffix.exe

rm -rf "$payload"
"$generator" --templates "build/$tree/demo/templates" --out "$payload" $small
mkdir -p "$(dirname "$setup")"
"$pack" pack --image "build/$tree/setup/QuenloSetup.exe" --from "$payload" -o "$setup"
"$pack" verify "$setup"
"$pack" list "$setup" | tail -n 3
echo "demo setup file: $setup"

if [ "$signed" = 1 ]; then
  signing=build/$tree/demo/signing
  signed_setup=build/$tree/demo/QuenloSetup-demo$suffix-signed.exe
  signed_payload=build/$tree/demo-payload$suffix-signed
  rm -rf "$signing" "$signed_payload" && mkdir -p "$signing"
  openssl req -x509 -newkey rsa:2048 -nodes -days 7 -subj "/CN=Quenlo Setup demo (throwaway)" \
    -keyout "$signing/key.pem" -out "$signing/cert.pem" 2>/dev/null
  "$pack" pack --image "build/$tree/setup/QuenloSetup.exe" --from "$payload" -o "$signed_setup" \
    --sign-with "$signing/cert.pem" "$signing/key.pem"
  "$pack" verify "$signed_setup"
  "$pack" extract "$signed_setup" --to "$signed_payload" >/dev/null
  osslsigncode verify -CAfile "$signing/cert.pem" -in "$signed_setup" | grep 'Signature verification'
  echo "signed demo setup file: $signed_setup"
fi
