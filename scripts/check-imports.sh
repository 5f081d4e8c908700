#!/usr/bin/env bash
# Fails when a program imports a library that Windows may take from somewhere other than the
# system folder. The programs run with administrator rights from folders others can write (the
# Downloads folder, an installation folder): a library they import by name is looked for beside
# them first, before any of their code runs, unless it is one of the KnownDLLs, which Windows
# always takes from the system folder. The common controls are bound through the manifest
# (side by side), which takes them from the system's assembly store.
#
#   check-imports.sh OBJDUMP PROGRAM.exe...
set -euo pipefail
objdump=$1
shift

# The KnownDLLs of every Windows from 7 on, and the manifest-bound common controls.
allowed=(ADVAPI32 COMDLG32 GDI32 IMM32 KERNEL32 MSVCRT OLE32 OLEAUT32 PSAPI RPCRT4 SETUPAPI
  SHELL32 SHLWAPI USER32 WS2_32 COMCTL32)

status=0
for program in "$@"; do
  imports=$("$objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
  if [[ -z $imports ]]; then
    echo "$program: no import table read" >&2
    status=1
    continue
  fi
  while IFS= read -r library; do
    upper=$(tr '[:lower:]' '[:upper:]' <<<"$library")
    if [[ " ${allowed[*]} " != *" ${upper%.DLL} "* ]]; then
      echo "$program imports $library, which Windows may load from beside the program" >&2
      status=1
    fi
  done <<<"$imports"
done
((status == 0)) && echo "check-imports: only libraries from the system folder ($*)"
exit $status
