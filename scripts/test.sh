#!/bin/sh
# Builds everything and runs every test through Wine under one Xvfb.
#   MOQIAO_BUILD_DIR   build root (default: build/ in the checkout)
#   MOQIAO_TEST_PORT_BASE  first of the loopback ports the tests use (default 18000)
#   further arguments are passed to ctest (for example -R translate)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MOQIAO_BUILD_DIR:-$root/build/test}
ports=${MOQIAO_TEST_PORT_BASE:-18000}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" -DMOQIAO_BUILD_TESTS=ON \
  -DMOQIAO_TEST_PORT_BASE="$ports" \
  -DMOQIAO_TRANSLATE_HOST="127.0.0.1:$((ports + 90))" \
  -DMOQIAO_UPDATE_HOST="127.0.0.1:$((ports + 91))" \
  -DMOQIAO_SMTP_HOST=127.0.0.1 -DMOQIAO_SMTP_PORT="$((ports + 25))"

# The stand-ins' own tests run natively (a second or so), before Wine starts.
ctest --test-dir "$build/native" --output-on-failure

# The parsers' fuzzers (native clang build): each replays its seeds and kept
# failing inputs, then fuzzes a few seconds. The extra ctest arguments select
# among them too; scripts/fuzz-long.sh runs them longer.
cmake --preset fuzz -S "$root" -B "$build/fuzz" >/dev/null
cmake --build "$build/fuzz"
ctest --test-dir "$build/fuzz" --output-on-failure -j "${MOQIAO_TEST_JOBS:-2}" "$@"

set -- $("$root/scripts/xvfb.sh") "$@"
export DISPLAY=$1
xvfb_pid=$2
shift 2
export WINEPREFIX="$build/wineprefix"
cleanup() {
  "$root/scripts/wine-session.sh" stop
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
"$root/scripts/wine-prefix.sh"
"$root/scripts/wine-session.sh"

ctest --test-dir "$build/windows" --output-on-failure -j "${MOQIAO_TEST_JOBS:-2}" "$@"
