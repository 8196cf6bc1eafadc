#!/bin/sh
# Starts one wineserver and Wine's system processes for a whole run, with
# their output going nowhere: a Wine system process started by a test would
# inherit CTest's output pipe and keep the test "running" until its time-out.
# A background cmd.exe reading a pipe that never delivers keeps them alive;
# "scripts/wine-session.sh stop" ends it all.
set -eu
: "${WINEPREFIX:?set WINEPREFIX}"
export WINEDEBUG=-all
keeper="$WINEPREFIX/.session-keeper.pid"
if [ "${1:-}" = stop ]; then
  wineserver -k 2>/dev/null || true
  [ -f "$keeper" ] && kill "$(cat "$keeper")" 2>/dev/null || true
  rm -f "$keeper"
  exit 0
fi
wineserver -p 2>/dev/null || true
# The sleeper writes its own process id (the shell execs into sleep), so that
# "stop" ends this session's keeper and never another run's.
sh -c 'echo $$ > "$1"; exec sleep 2147483647' sh "$keeper" | wine cmd >/dev/null 2>&1 &
wine cmd /c exit >/dev/null 2>&1 </dev/null
