#!/bin/sh
# Starts an Xvfb on the first free display from :90 on and prints
# "DISPLAY PID". The caller stops it. When another run takes the same display
# at the same moment, the Xvfb that lost exits and the next display is tried.
set -eu
n=90
while [ "$n" -lt 190 ]; do
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  pid=$!
  i=0
  while kill -0 "$pid" 2>/dev/null && [ "$i" -le 100 ]; do
    # The socket alone may be the other Xvfb's: the lock names the owner.
    if [ -e "/tmp/.X11-unix/X${n}" ] && [ "$(tr -d ' ' < "/tmp/.X${n}-lock" 2>/dev/null)" = "$pid" ]; then
      echo ":$n $pid"
      exit 0
    fi
    i=$((i + 1))
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  n=$((n + 1))
done
echo "xvfb.sh: no Xvfb could be started" >&2
exit 1
