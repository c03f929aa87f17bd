#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need. Idempotent: it asks
# dpkg first and runs apt only for what is missing.
set -euo pipefail

packages=(cmake ninja-build g++-mingw-w64-x86-64-posix wine64 rapidjson-dev googletest clang-format-14)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
