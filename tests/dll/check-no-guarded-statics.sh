#!/usr/bin/env bash
# Our code in the DLL has no guarded local statics. The compiler guards such a
# static with the statically linked threads library, which keeps state for the
# host thread that first passes it and never frees that state once the DLL is
# unloaded: with the module loaded per request, an event and a thread handle
# per request. Objects made on first use go through LazyObject instead. The
# symbols are read from the DLL's separate debug information.
set -euo pipefail
dll=$1
guarded=$(x86_64-w64-mingw32-nm -C "$dll.debug" | sed -n 's/.* guard variable for //p' |
  grep -v -E '^(std|__gnu_cxx)::' || true)
if [ -n "$guarded" ]; then
  echo "guarded local statics in $(basename "$dll"):"
  echo "$guarded"
  exit 1
fi
echo "no guarded local statics in $(basename "$dll")"
