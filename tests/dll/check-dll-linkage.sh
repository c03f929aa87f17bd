#!/usr/bin/env bash
# The DLL must export exactly CreateObject, ReleaseObject, GetVersionNum and
# GetVersionStr, and import from Windows system DLLs only (the C++ runtime,
# libgcc and winpthread are linked in statically). It ships stripped
# (check-stripped.sh).
set -euo pipefail
dll=$1
dump=$(x86_64-w64-mingw32-objdump -p "$dll")

exports=$(echo "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && /^[[:space:]]*\[/ {print $NF; next} on {on=0}' | sort | tr '\n' ' ')
expected="CreateObject GetVersionNum GetVersionStr ReleaseObject "
if [ "$exports" != "$expected" ]; then
  echo "exports: '$exports', expected '$expected'"
  exit 1
fi

imports=$(echo "$dump" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
allowed='^(kernel32|user32|advapi32|shell32|ole32|oleaut32|shlwapi|version|wininet|ws2_32|rpcrt4|bcrypt|wintrust|crypt32|msvcrt|api-ms-win-[a-z0-9-]+)\.dll$'
bad=$(echo "$imports" | grep -v -E "$allowed" || true)
if [ -n "$bad" ]; then
  echo "imports outside the system DLLs: $bad"
  exit 1
fi
"$(dirname "$0")/check-stripped.sh" "$dll"
echo "exports: $exports"
echo "imports: $(echo $imports)"
