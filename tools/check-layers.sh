#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own, or when the window-free
# layers include SDL or OpenGL. The layers, bottom up (README.md, "Layers"):
#   0 wire/                                  framing, message texts, limits: client, server, tools
#   1 core/                                  the client's window-free data
#   2 graphics/                              images, textures, the bitmap font
#   3 world/ characters/ chat/ net/          the SDL and OpenGL services of each subsystem
#   4 frame/                                 start-up, main loop, input, the frame
#   5 platform/                              the process entry
# Beside them: server/ stands on wire/ alone; tools/ and bot/ on wire/ and core/. A folder may include its
# own headers and those of lower layers; folders of one layer do not include each other, so no
# loop can form. tests/, bench/ and fuzz/ may include anything.
set -u
cd "$(dirname "$0")/.."

rank() {
  case "$1" in
    wire) echo 0 ;; core) echo 1 ;; graphics) echo 2 ;;
    world | characters | chat | net) echo 3 ;;
    frame) echo 4 ;; platform) echo 5 ;;
    server) echo 1 ;; tools | bot) echo 2 ;;
    *) echo "" ;;
  esac
}
# Folders beside the client's stack may stand only on these.
allowed_below() {
  case "$1" in
    server) echo "wire" ;;
    tools | bot) echo "wire core" ;;
    *) echo "" ;;
  esac
}

status=0
while IFS= read -r file; do
  folder=${file%%/*}
  [ "$folder" = tests ] && continue
  mine=$(rank "$folder")
  [ -n "$mine" ] || continue
  while IFS= read -r line; do
    target=$(printf '%s' "$line" | sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^/"]*\)\/.*/\1/p')
    [ -n "$target" ] || continue
    [ "$target" = "$folder" ] && continue
    theirs=$(rank "$target")
    only=$(allowed_below "$folder")
    if [ -n "$only" ]; then
      case " $only " in *" $target "*) continue ;; esac
      echo "$file: includes $target/, but $folder/ may stand only on: $only" >&2
      status=1
    elif [ -z "$theirs" ] || [ "$theirs" -ge "$mine" ]; then
      echo "$file: includes a header from $target/ (layer ${theirs:-none}), above or beside $folder/ (layer $mine)" >&2
      status=1
    fi
  done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  case "$folder" in
    wire | core | server | bot)
      if grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(SDL|GL/)' "$file" >/dev/null; then
        echo "$file: $folder/ needs no window, but includes SDL or OpenGL" >&2
        status=1
      fi
      ;;
  esac
done < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h')
[ $status -eq 0 ] && echo "Layers: every include points down."
exit $status
