#!/bin/sh
# Builds the program with its default (loopback) services, starts those
# services and the program under Wine. Without a display it starts Xvfb and
# says how to look at the screen.
# The chat-model stand-in (127.0.0.1:8092) starts with the others; choose it
# in "工具" → "设置" with the base URL http://127.0.0.1:8092/v1.
#   MOQIAO_SERVICE_QPS  requests per second the program allows itself towards
#                       the translation service (default 1, the real service's
#                       standard tier; the local stand-in has no limit, so a
#                       higher value makes harvests finish sooner here)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MOQIAO_BUILD_DIR:-$root/build/run}

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build" -DMOQIAO_SERVICE_QPS="${MOQIAO_SERVICE_QPS:-1}"

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

# A local mail server that receives the feedback page's mail with the
# build's mail account (AUTH LOGIN/PLAIN, no TLS) and writes each mail to
# $build/mail/mail-<n>.eml; only when the build sends to this machine.
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/windows/CMakeCache.txt"; }
smtp_host=$(cache_value MOQIAO_SMTP_HOST)
smtp_port=$(cache_value MOQIAO_SMTP_PORT)
if [ "$smtp_host" = 127.0.0.1 ] || [ "$smtp_host" = localhost ]; then
  mkdir -p "$build/mail"
  /usr/bin/python3 "$root/tests/update/smtp_peer.py" --port "$smtp_port" \
    --user "$(cache_value MOQIAO_SMTP_USER)" --password "$(cache_value MOQIAO_SMTP_PASSWORD)" \
    --outdir "$build/mail" >"$build/mail-server.log" 2>&1 &
  pids="$pids $!"
  echo "Feedback mail goes to a local SMTP server on port $smtp_port and lands in $build/mail/."
fi

# A foreign program to try the crosshair on: "Demo Settings" with plain
# controls and a row of access key, placeholder, file name and path, and
# "Demo Explorer" with lists, tabs, a tree and a status bar.
demo="$build/windows/tests/e2e/foreign_demo.exe"
if [ -f "$demo" ]; then
  wine "$demo" --interface-texts >/dev/null 2>&1 &
  pids="$pids $!"
fi

echo "Starting moqiao.exe (close its window to end)."
wine "$build/windows/app/moqiao.exe"
