#!/bin/sh
# Builds the program with its default (loopback) services, starts those
# services and the program under Wine. Without a display it starts Xvfb and
# says how to look at the screen.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MOQIAO_BUILD_DIR:-$root/build/run}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"

pids=""
cleanup() {
  [ -n "$pids" ] && kill $pids 2>/dev/null || true
  WINEPREFIX="$build/wineprefix" "$root/scripts/wine-session.sh" stop
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
  set -- $("$root/scripts/xvfb.sh")
  export DISPLAY=$1
  pids="$pids $2"
  echo "No display: started Xvfb on $DISPLAY. Screenshot: DISPLAY=$DISPLAY xwd -root -silent | /usr/bin/convert xwd:- shot.png"
fi
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
"$root/scripts/wine-prefix.sh"
"$root/scripts/wine-session.sh"

# The services the program's default build talks to.
for service in "$build"/native/standin/*-standin; do
  [ -x "$service" ] || continue
  "$service" >"$build/$(basename "$service").log" 2>&1 &
  pids="$pids $!"
done

# A foreign program to try the crosshair on.
demo="$build/windows/tests/e2e/foreign_demo.exe"
if [ -f "$demo" ]; then
  wine "$demo" >/dev/null 2>&1 &
  pids="$pids $!"
fi

echo "Starting moqiao.exe (close its window to end)."
wine "$build/windows/app/moqiao.exe"
