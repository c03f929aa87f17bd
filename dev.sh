#!/usr/bin/env bash
# The two things a developer does: `./dev.sh run` builds the module and runs it
# under the development host; `./dev.sh test` builds everything and runs every
# test. Both install missing packages first and only redo unfinished work.
set -euo pipefail
cd "$(dirname "$0")"

preset=mingw-wine
build_dir=build/$preset

prepare() {
  scripts/install-deps.sh
  if [ ! -f "$build_dir/build.ninja" ]; then
    cmake --preset "$preset" >/dev/null
  fi
  cmake --build --preset "$preset"
}

case "${1:-}" in
  run)
    shift
    prepare
    exec "$build_dir/wine-run.sh" "$build_dir/bin/relayhost.exe" "$@"
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
