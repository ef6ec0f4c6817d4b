#!/usr/bin/env bash
# The package as a player and a host get it, unpacked into a folder (no root rights needed, no
# real installation disturbed): the installed server, and the installed launcher for two users.
# Each first start writes a client.cfg of the user's own named from the login and says where;
# a later start keeps the edited file and plays (window, login, join logged); nothing outside
# the users' game folders is written.
#   install-test.sh DEB DISPLAY_FILE
set -euo pipefail
source "$(dirname "$0")/../../tools/server-port.sh"
deb=$1 display=$(cat "$2")
work=$(mktemp -d /tmp/tavrel-install-test.XXXXXX)
root=$work/root
server_pid="" client_pid=""
cleanup() {
    local rc=$?
    for pid in $client_pid $server_pid; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ $rc -eq 0 ]; then rm -rf "$work"; else echo "kept for a look: $work" >&2; fi
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

dpkg-deb -x "$deb" "$root"
# The file list: five fields before each path, and "Hero 1.tga" has a space in it.
dpkg-deb -c "$deb" | sed -E 's/^([^ ]+ +){5}//; s|^\./|/|; s|/$||' | grep -v '^$' | sort >"$work/packaged"
# The programs and the game data are run and linked below; these only the desktop, man and systemd read.
for f in /usr/share/applications/tavrel.desktop /usr/share/icons/hicolor/48x48/apps/tavrel.png \
    /usr/share/metainfo/org.quennick.tavrel.metainfo.xml /usr/share/man/man6/tavrel.6.gz \
    /usr/share/man/man6/tavrel-server.6.gz /usr/lib/systemd/system/tavrel-server.service /etc/default/tavrel-server; do
    grep -qxF "$f" "$work/packaged" || fail "the package lacks $f"
done
! grep -q '/usr/share/games/tavrel/client.cfg' "$work/packaged" || fail "a shared client.cfg is packaged"

# The installed server, on a port of the system's choosing.
"$root/usr/games/tavrel-server" --bind 127.0.0.1 --port 0 >"$work/server.log" 2>&1 &
server_pid=$!
port=$(server_port "$work/server.log") || fail "the installed server did not listen: $(cat "$work/server.log")"

# (launch HOME USER [DISPLAY]): the installed launcher as a user with nothing of the caller's
# environment; SDL's X11 driver only, so that without a display the client stops at its window.
# Called in a subshell that it replaces, so the subshell's pid is the client's.
launch() {
    exec env -i HOME="$1" USER="$2" PATH=/usr/bin:/bin DISPLAY="${3:-}" SDL_VIDEODRIVER=x11 \
        "$root/usr/games/tavrel"
}
cfg_of() { echo "$1/.local/share/tavrel/Tavrel.app/Contents/Resources/client.cfg"; }

# First starts of two users, no display: the client.cfg is written before the window fails (exit 1).
declare -A expected=([ann-marie_99x]=annmarie9 [Default]=Hero)
homes=()
for login in ann-marie_99x Default; do
    home=$work/home-${login}
    homes+=("$home")
    rc=0
    (launch "$home" "$login") >"$work/first-$login.out" 2>&1 || rc=$?
    [ $rc -eq 1 ] || fail "first start of $login ended $rc, not 1 (no window): $(cat "$work/first-$login.out")"
    cfg=$(cfg_of "$home")
    [ -f "$cfg" ] && [ ! -L "$cfg" ] || fail "$login has no client.cfg of their own"
    grep -qx "name=${expected[$login]}" "$cfg" || fail "$login got $(grep name= "$cfg"), not ${expected[$login]}"
    grep -qF "you play as \"${expected[$login]}\"" "$work/first-$login.out" || fail "the first start did not say the name"
    grep -qF "edit $cfg" "$work/first-$login.out" || fail "the first start did not say where client.cfg is"
    res=$(dirname "$cfg")
    for data in main.map tiles.tga "Hero 1.tga" font.tga chat.tga; do
        [ "$(readlink "$res/$data")" = "$root/usr/share/games/tavrel/$data" ] || fail "$login's $data is not linked"
    done
done

# The first user edits the file as the launcher said; a stale link left by an older version goes.
home=${homes[0]}
cfg=$(cfg_of "$home")
sed -i "s/^port=.*/port=$port/" "$cfg"
ln -s "$root/usr/share/games/tavrel/gone.map" "$(dirname "$cfg")/gone.map"
(launch "$home" ann-marie_99x "$display") >"$work/play.out" 2>&1 &
client_pid=$!
window=""
for _ in $(seq 300); do
    window=$(DISPLAY=$display xdotool search --name "Quennick's Tavrel" 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && grep -q "Logged in as annmarie9" "$work/play.out" && break
    kill -0 $client_pid 2>/dev/null || break
    sleep 0.1
done
[ -n "$window" ] || fail "no window titled Quennick's Tavrel: $(cat "$work/play.out")"
grep -q "Logged in as annmarie9" "$work/play.out" || fail "no login line: $(cat "$work/play.out")"
for _ in $(seq 50); do grep -q 'join "annmarie9"' "$work/server.log" && break; sleep 0.1; done
# Our server's port is in the edited client.cfg only: a join here means the edit was kept.
grep -q 'join "annmarie9" 127.0.0.1:' "$work/server.log" || fail "the server did not log the join"
[ ! -L "$(dirname "$cfg")/gone.map" ] || fail "a link to a file the package no longer has was kept"

# (stop PID WHAT): SIGTERM ends it cleanly, with 0.
stop() {
    local rc=0
    kill -TERM "$1"
    wait "$1" || rc=$?
    [ $rc -eq 0 ] || fail "$2 ended $rc on SIGTERM, not 0"
}
stop $client_pid "the client"
client_pid=""
stop $server_pid "the server"
server_pid=""

# Nothing was written into the installed tree, and the users' homes hold only their game folders.
(cd "$root" && find . -mindepth 1 | sed 's|^\.||' | sort) >"$work/present"
diff "$work/packaged" "$work/present" >"$work/extra" || fail "the installed tree changed: $(cat "$work/extra")"
for h in "${homes[@]}"; do
    others=$(cd "$h" && find . -mindepth 1 -not -path './.local' -not -path './.local/share' \
        -not -path './.local/share/tavrel' -not -path './.local/share/tavrel/*')
    [ -z "$others" ] || fail "the game wrote outside its folder in $h: $others"
done
echo "installed, played as annmarie9 on port $port"
