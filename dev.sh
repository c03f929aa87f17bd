#!/usr/bin/env bash
# The two things a developer does: `./dev.sh run` builds the module and the
# development components (not the tests), sets up the development installation
# and walks through every request under the development host (or runs the host
# with the arguments given); `./dev.sh test` builds everything and runs every
# test. Both install missing packages first and only redo unfinished work.
set -euo pipefail
cd "$(dirname "$0")"

preset=mingw-wine
build_dir=build/$preset

# Builds the given targets, or everything.
prepare() {
  scripts/install-deps.sh
  if [ ! -f "$build_dir/build.ninja" ]; then
    cmake --preset "$preset" >/dev/null
  fi
  cmake --build --preset "$preset" ${1:+--target "$@"}
}

case "${1:-}" in
  run)
    shift
    # relayhost depends on the module and every development component.
    prepare relayhost
    host=("$build_dir/wine-run.sh" "$build_dir/bin/relayhost.exe")
    "${host[@]}" setup
    if [ $# -eq 0 ]; then
      set -- demo
    fi
    exec "${host[@]}" "$@"
    ;;
  test)
    prepare
    exec ctest --preset "$preset"
    ;;
  *)
    echo "usage: $0 run [relayhost arguments] | test" >&2
    exit 2
    ;;
esac
