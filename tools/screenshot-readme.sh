#!/usr/bin/env bash
# Takes the picture at the top of README.md: the real client in the village with two more players
# beside it and their chat lines, under private X servers. Renew it when the art changes:
#   ./tavrel build && tools/screenshot-readme.sh [BUILD_DIR] [OUT.png]
# (defaults: build/ and docs/images/village.png). Needs xvfb, xdotool and imagemagick
# (./tavrel setup installs them).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$here/tools/server-port.sh"
build=$(cd "${1:-$here/build}" && pwd)
out=${2:-$here/docs/images/village.png}
run=$build/run
[ -x "$run/tavrel" ] && [ -x "$run/tavrel-server" ] || { echo "no client or server in $run: run ./tavrel build" >&2; exit 1; }

work=$(mktemp -d /tmp/tavrel-shot.XXXXXX)
pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap "exit 1" INT TERM HUP PIPE

# xserver NAME: a private X server; its display (":N") goes into $work/NAME.display.
xserver() {
    exec 3>"$work/$1.raw"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset </dev/null >"$work/$1.xvfb.log" 2>&1 &
    pids+=($!)
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/$1.raw" ] && break; sleep 0.1; done
    echo ":$(head -n1 "$work/$1.raw")" >"$work/$1.display"
    # Another X server of the machine may still hold the number a moment; wait until it answers.
    for _ in $(seq 50); do xdpyinfo -display "$(cat "$work/$1.display")" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "X server $1 did not answer" >&2
    cat "$work/$1.xvfb.log" >&2
    exit 1
}

"$run/tavrel-server" --bind 127.0.0.1 --port 0 >"$work/server.log" 2>&1 &
pids+=($!)
port=$(server_port "$work/server.log") || { cat "$work/server.log" >&2; exit 1; }

# player NAME CHARACTER: a client in a folder of its own on an X server of its own, so no window
# hides another; waits for its login and gives its window the keyboard.
player() {
    local name=$1 folder=$work/$1
    mkdir -p "$folder/Tavrel.app/Contents"
    cp -r "$run/Tavrel.app/Contents/Resources" "$folder/Tavrel.app/Contents/"
    printf 'name=%s\ncharacter=%s\nserver=127.0.0.1\nport=%s\n' "$name" "$2" "$port" \
        >"$folder/Tavrel.app/Contents/Resources/client.cfg"
    xserver "$name"
    (cd "$folder" && exec env DISPLAY="$(cat "$work/$name.display")" "$run/tavrel" >"$work/$name.log" 2>&1) &
    pids+=($!)
    for _ in $(seq 200); do grep -qs "Logged in as" "$work/$name.log" && break; sleep 0.1; done
    grep -q "Logged in as" "$work/$name.log" || { cat "$work/$name.log" >&2; exit 1; }
    local window=""
    for _ in $(seq 100); do
        window=$(DISPLAY=$(cat "$work/$name.display") xdotool search --name "Quennick's Tavrel" 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "no window for $name" >&2; exit 1; }
    echo "$window" >"$work/$name.window"
    DISPLAY=$(cat "$work/$name.display") xdotool windowfocus --sync "$window"
}
# act NAME XDOTOOL-ARGS...: keys for one player's window.
act() {
    local name=$1
    shift
    DISPLAY=$(cat "$work/$name.display") xdotool "$@"
    sleep 0.15
}
walk() { act "$1" keydown "$2"; sleep "$3"; act "$1" keyup "$2"; }
say() { act "$1" type --delay 30 t; act "$1" type --delay 30 "$2"; act "$1" key Return; sleep 0.4; }

player Quennick 0
player Mira 1
player Tobin 6
# All three start on the path below a front door; they walk up towards the house, Mira a step to
# the left and Tobin to the right so that they stand apart.
walk Mira a 0.6
walk Mira w 0.4
walk Tobin d 0.6
walk Tobin w 0.3
walk Quennick w 0.3
# A tap down turns each of them to face the viewer.
for who in Mira Tobin Quennick; do walk $who s 0.02; done
say Mira "Anyone for the forest?"
say Tobin "After a pint at the inn"
say Quennick "Meet you at the well!"
sleep 1

mkdir -p "$(dirname "$out")"
DISPLAY=$(cat "$work/Quennick.display") import -window "$(cat "$work/Quennick.window")" "$out"
echo "wrote $out ($(identify -format '%wx%h' "$out"))"
