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
link=$(x86_64-w64-mingw32-objcopy --dump-section .gnu_debuglink=/dev/stdout "$dll" 2>/dev/null | tr -d '\0' | head -c 200 || true)
if [ "$link" = "${link#"$(basename "$dll").debug"}" ] || [ ! -f "$dll.debug" ]; then
  echo "no debug link to $(basename "$dll").debug beside the DLL (link: '$link')"
  exit 1
fi
