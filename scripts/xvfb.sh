#!/bin/sh
# Starts an Xvfb on the first free display from :90 on and prints
# "DISPLAY PID". The caller stops it.
set -eu
n=90
while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pid=$!
i=0
while [ ! -e "/tmp/.X11-unix/X${n}" ]; do
  i=$((i + 1))
  if [ "$i" -gt 100 ] || ! kill -0 "$pid" 2>/dev/null; then
    echo "xvfb.sh: Xvfb did not start on :$n" >&2
    exit 1
  fi
  sleep 0.1
done
echo ":$n $pid"
