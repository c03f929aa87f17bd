#!/usr/bin/env bash
# A shipped DLL has no debug sections and is linked to the separate debug
# file beside it.
set -euo pipefail
dll=$1
sections=$(x86_64-w64-mingw32-objdump -h "$dll" | awk '$2 ~ /^\.debug/ {print $2}' | tr '\n' ' ')
if [ -n "$sections" ]; then
  echo "debug sections in the shipped DLL: $sections"
  exit 1
fi
# Read with objdump: objcopy given only an input file rewrites that file.
link=$(x86_64-w64-mingw32-objdump -s -j .gnu_debuglink "$dll" 2>/dev/null |
  awk '/^ [0-9a-f]+ / {for (i = 2; i <= 5; i++) if ($i ~ /^[0-9a-f]+$/) printf "%s", $i}' |
  perl -ne 'print pack("H*", $_)' | tr -d '\0' | head -c 200 || true)
if [ "$link" = "${link#"$(basename "$dll").debug"}" ] || [ ! -f "$dll.debug" ]; then
  echo "no debug link to $(basename "$dll").debug beside the DLL (link: '$link')"
  exit 1
fi
