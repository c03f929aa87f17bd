#!/usr/bin/env bash
# Builds ScreenRelay.dll a second time from a copy of the tracked sources in
# another folder and compares it with the one in the main build tree: the same
# commit must give the same bytes wherever it is built, so that a listed
# SHA-256 can be checked by rebuilding.
set -euo pipefail
cd "$(dirname "$0")/.."

first=build/mingw-wine/bin/ScreenRelay.dll
if [ ! -f "$first" ]; then
  echo "build the project first: $first is missing" >&2
  exit 2
fi

# The copy is configured as the main tree was and sits inside it: a compiler
# launcher such as ccache may rewrite source paths below its base folder, which
# changes the debug information and with it the debug link's checksum.
launcher=$(sed -n 's/^CMAKE_CXX_COMPILER_LAUNCHER:[A-Z]*=//p' build/mingw-wine/CMakeCache.txt)

copy=$(mktemp -d "$(pwd)/build/reproducible.XXXXXX")
git ls-files -z | xargs -0 cp --parents -t "$copy"
(
  cd "$copy"
  CMAKE_CXX_COMPILER_LAUNCHER=$launcher CMAKE_C_COMPILER_LAUNCHER=$launcher cmake --preset mingw-wine >/dev/null
  cmake --build --preset mingw-wine --target ScreenRelay >/dev/null
)
second="$copy/build/mingw-wine/bin/ScreenRelay.dll"
if cmp -s "$first" "$second"; then
  echo "reproducible: $(sha256sum "$first" | cut -d' ' -f1) ScreenRelay.dll, built in $(pwd) and in $copy"
  rm -rf "$copy"
else
  echo "ScreenRelay.dll differs between $(pwd) and $copy:" >&2
  cmp -l "$first" "$second" | head -20 >&2 || true
  echo "(the second build is kept in $copy)" >&2
  exit 1
fi
