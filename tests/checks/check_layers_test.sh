#!/usr/bin/env bash
# The layering check finds an include that runs up (base into install) or sideways (wizard into
# uninstall), in a tree made for it, and passes the same tree once it is mended.
set -uo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree"/{base,install,wizard,uninstall}
fail() { echo "FAIL: $*"; exit 1; }

echo '#include "base/path.h"' >"$tree/install/session.h"
"$check" "$tree" >/dev/null || fail "a downward include was refused"

echo '#include "install/session.h"' >"$tree/base/path.h"
out=$("$check" "$tree" 2>&1) && fail "an upward include passed"
grep -q '^base/path.h:1: #include "install/session.h"' <<<"$out" || fail "not named: $out"
: >"$tree/base/path.h"

printf '\n#include "uninstall/undo.h"\n' >"$tree/wizard/texts.h"
out=$("$check" "$tree" 2>&1) && fail "a sideways include passed"
grep -q '^wizard/texts.h:2: ' <<<"$out" || fail "not named: $out"
echo "ok"
