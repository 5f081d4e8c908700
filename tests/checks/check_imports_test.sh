#!/usr/bin/env bash
# The import check refuses a program that imports a library from outside the system's fixed set
# (whatever the letter case), and passes one that imports only from it. A stand-in for objdump
# prints the import table each case gives.
set -uo pipefail
check=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cat >"$dir/objdump" <<'OBJDUMP'
#!/usr/bin/env bash
cat "$2"
OBJDUMP
chmod +x "$dir/objdump"
printf '\tDLL Name: KERNEL32.dll\n\tDLL Name: comctl32.dll\n\tDLL Name: ole32.dll\n' >"$dir/good.exe"
printf '\tDLL Name: KERNEL32.dll\n\tDLL Name: WINMM.DLL\n' >"$dir/planted.exe"

"$check" "$dir/objdump" "$dir/good.exe" >/dev/null 2>&1 || fail "a program of system libraries was refused"
out=$("$check" "$dir/objdump" "$dir/good.exe" "$dir/planted.exe" 2>&1) && fail "WINMM passed"
grep -q 'planted.exe imports WINMM.DLL' <<<"$out" || fail "not named: $out"
echo "ok"
