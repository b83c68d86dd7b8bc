#!/usr/bin/env bash
# check-imports.sh EXE...: fails unless every DLL the programs import is one of Windows' own
# that Chronalt may use, so a build that slipped in a runtime DLL (libstdc++, libwinpthread,
# libgcc) is caught before anyone has to ship it beside the program.
set -uo pipefail
allowed='^(kernel32|user32|gdi32|winhttp|ole32|oleaut32|mlang|msvcrt)\.dll$'
status=0
for exe in "$@"; do
  objdump=$(command -v x86_64-w64-mingw32-objdump || command -v objdump)
  dlls=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  bad=$(printf '%s\n' "$dlls" | grep -Ev "$allowed")
  if [ -n "$bad" ]; then
    echo "$exe imports DLLs that are not Windows' own: $(echo $bad)"
    status=1
  else
    echo "$exe imports only Windows' own DLLs: $(echo $dlls)"
  fi
done
exit $status
