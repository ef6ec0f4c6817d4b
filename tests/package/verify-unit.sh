#!/usr/bin/env bash
# The packaged systemd unit: systemd-analyze accepts it and its hardening keeps the exposure
# score low. The unit names /usr/games/tavrel-server, which exists only once the package is
# installed, so it is checked as unpacked with that one path pointed into the unpacked tree.
#   verify-unit.sh DEB
set -euo pipefail
deb=$1
work=$(mktemp -d /tmp/tavrel-unit-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
unit=$work/root/usr/lib/systemd/system/tavrel-server.service
grep -qx 'EnvironmentFile=-/etc/default/tavrel-server' "$unit" || { echo "the unit does not read /etc/default/tavrel-server" >&2; exit 1; }
mkdir -p "$work/unit"
sed "s|/usr/games/tavrel-server|$work/root/usr/games/tavrel-server|" "$unit" >"$work/unit/tavrel-server.service"
# Documentation=man:tavrel-server(6) is looked up too: in the package's own man pages.
MANPATH=$work/root/usr/share/man systemd-analyze verify "$work/unit/tavrel-server.service"
# 0 is a sealed service, 10 an unprotected one; the server needs nothing but its sockets.
systemd-analyze security --offline=true --threshold=20 "$work/unit/tavrel-server.service" | tail -n 1
