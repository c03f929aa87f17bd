#!/usr/bin/env bash
# The DLL must export exactly CreateObject, ReleaseObject, GetVersionNum and
# GetVersionStr, and import from Windows system DLLs only (the C++ runtime,
# libgcc and winpthread are linked in statically). It ships without debug
# sections, linked to the separate debug file beside it.
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
sections=$(x86_64-w64-mingw32-objdump -h "$dll" | awk '$2 ~ /^\.debug/ {print $2}' | tr '\n' ' ')
if [ -n "$sections" ]; then
  echo "debug sections in the shipped DLL: $sections"
  exit 1
fi
link=$(x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink=/dev/stdout "$dll" 2>/dev/null | tr -d '\0' | head -c 200 || true)
if [ "$link" = "${link#"$(basename "$dll").debug"}" ] || [ ! -f "$dll.debug" ]; then
  echo "no debug link to $(basename "$dll").debug beside the DLL (link: '$link')"
  exit 1
fi
echo "exports: $exports"
echo "imports: $(echo $imports)"
