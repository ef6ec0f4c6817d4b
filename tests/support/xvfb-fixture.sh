#!/usr/bin/env bash
# Starts or stops the one Xvfb that every windowed test of a ctest run shares.
#   xvfb-fixture.sh start STATEDIR   starts it, writes its display (":N") to STATEDIR/display
#   xvfb-fixture.sh stop STATEDIR    stops it
# Starting an X server takes seconds; once per run instead of once per test case keeps the suite fast.
set -eu
action=$1 state=$2
mkdir -p "$state"
case "$action" in
  start)
    if [ -f "$state/pid" ] && kill -0 "$(cat "$state/pid")" 2>/dev/null; then kill "$(cat "$state/pid")" || true; fi
    rm -f "$state/display" "$state/pid"
    exec 3>"$state/display.raw"
    setsid Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp -noreset </dev/null >/dev/null 2>&1 &
    echo $! >"$state/pid"
    exec 3>&-
    for _ in $(seq 100); do
      [ -s "$state/display.raw" ] && break
      sleep 0.1
    done
    [ -s "$state/display.raw" ] || { echo "Xvfb did not start" >&2; exit 1; }
    echo ":$(head -n1 "$state/display.raw")" >"$state/display"
    echo "Xvfb on $(cat "$state/display")"
    ;;
  stop)
    [ -f "$state/pid" ] && kill "$(cat "$state/pid")" 2>/dev/null || true
    rm -f "$state/display" "$state/display.raw" "$state/pid"
    ;;
  *) echo "usage: $0 start|stop STATEDIR" >&2; exit 2 ;;
esac
