#!/usr/bin/env bash
# Starts or stops the one Xvfb that every windowed test of a ctest run shares: starting an X server
# takes seconds, so once per run instead of once per test case keeps the suite fast.
#   xvfb-fixture.sh start STATEDIR   starts it, writes its display (":N") to STATEDIR/display
#   xvfb-fixture.sh stop STATEDIR    stops it
set -eu
action=$1 state=$2
mkdir -p "$state"
# A server left behind by an interrupted run goes first.
if [ -f "$state/pid" ]; then kill "$(cat "$state/pid")" 2>/dev/null || true; fi
rm -f "$state/display" "$state/number" "$state/pid"
[ "$action" = start ] || exit 0
setsid Xvfb -displayfd 3 -screen 0 1600x900x24 -nolisten tcp -noreset 3>"$state/number" </dev/null >/dev/null 2>&1 &
echo $! >"$state/pid"
for _ in $(seq 100); do
  [ -s "$state/number" ] && break
  sleep 0.1
done
[ -s "$state/number" ] || { echo "Xvfb did not start" >&2; exit 1; }
echo ":$(head -n1 "$state/number")" | tee "$state/display"
