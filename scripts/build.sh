#!/bin/sh
# Builds the service stand-ins (native) and the Windows program.
# Usage: scripts/build.sh <build-root> [extra -D options for the Windows build]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
shift
cmake --preset native -S "$root" -B "$build/native" >/dev/null
cmake --build "$build/native"
cmake --preset windows -S "$root" -B "$build/windows" \
  -DMOQIAO_STANDIN_DIR="$build/native" "$@" >/dev/null
cmake --build "$build/windows"
