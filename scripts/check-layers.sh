#!/usr/bin/env bash
# Holds the product's folders to their layers: every `#include "folder/..."` points down this list
# or stays in its own folder, and the Win32 backend's headers are included only by the backend
# and by the two programs' entries (setup/main.cpp, uninstall/uninstaller_main.cpp).
#
#   0 base        path routines, the GBK character rule, byte streams
#   1 platform    the interfaces the logic uses (win32/ and posix/ implement them)
#   1 archive     the payload format
#   2 install     the session, the extraction, the steps and the sequence
#   3 uninstall   the undo logic and UnInstall.exe
#   3 wizard      the wizard's logic
#   4 setup       the program's entry and start-up
#
# Folders of the same rank do not include each other. Usage: check-layers.sh [ROOT]; prints every
# include that breaks the rule and exits 1 when there is one.
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

declare -A rank=([base]=0 [platform]=1 [archive]=1 [install]=2 [uninstall]=3 [wizard]=3 [setup]=4)

broken=0
while IFS= read -r -d '' file; do
  from=${file%%/*}
  while IFS=: read -r line target; do
    to=${target%%/*}
    [[ $target == */* && -n ${rank[$to]+set} ]] || continue
    reason=""
    if [[ $to != "$from" ]] && ((rank[$to] >= rank[$from])); then
      reason="$from (layer ${rank[$from]}) may not include $to (layer ${rank[$to]})"
    elif [[ $target == platform/win32/* && $file != platform/win32/* &&
            $file != setup/main.cpp && $file != uninstall/uninstaller_main.cpp ]]; then
      reason="only the Win32 backend and the programs' entries include platform/win32/"
    fi
    if [[ -n $reason ]]; then
      echo "$file:$line: #include \"$target\": $reason"
      broken=1
    fi
  done < <(awk '/^[ \t]*#[ \t]*include[ \t]*"/ {
                 target = $0; sub(/^[^"]*"/, "", target); sub(/".*/, "", target)
                 print FNR ":" target }' "$file")
done < <(find "${!rank[@]}" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 2>/dev/null)

if ((broken)); then
  echo "check-layers: includes that run up or sideways (the layers are listed in $0)" >&2
  exit 1
fi
echo "check-layers: every include points down the layers"
