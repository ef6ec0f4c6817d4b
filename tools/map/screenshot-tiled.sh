#!/usr/bin/env bash
# Takes the picture of a shipped map open in Tiled for docs/maps.md, without a screen of its own:
# a private X server, Tiled with the game's extension in a private configuration, ImageMagick's
# import. Usage: tools/map/screenshot-tiled.sh [MAP] [OUT.png]   (default: main.map, docs/tiled.png)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
map=${1:-main.map}
out=$(realpath -m "${2:-$here/docs/tiled.png}")
work=$(mktemp -d /tmp/tavrel-tiled-shot-XXXXXX)
xvfb=""
tiled_pid=""
cleanup() {
  [ -n "$tiled_pid" ] && kill "$tiled_pid" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/config/tiled/extensions" "$work/home"
chmod 700 "$work/home"
cp "$here/tools/tiled/tavrel-map.js" "$work/config/tiled/extensions/"
cp "$here/resources/"*.map "$work/"
# Qt reads only TGA files that end in the TrueVision 2.0 footer.
cp "$here/resources/tiles.tga" "$work/tiles.tga"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
env HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/home" DISPLAY="$display" \
  tiled --new-instance "$work/$map" >/dev/null 2>&1 &
tiled_pid=$!
for _ in $(seq 60); do
  win=$(DISPLAY=$display xdotool search --name "$map" 2>/dev/null | head -n 1) && [ -n "$win" ] && break
  sleep 0.5
done
[ -n "${win:-}" ] || { echo "Tiled's window did not appear" >&2; exit 1; }
DISPLAY=$display xdotool windowsize "$win" 1280 800 windowmove "$win" 0 0
sleep 3
DISPLAY=$display import -window root -resize 880x550 +dither -colors 48 -define png:compression-level=9 "$out"
echo "$out"
