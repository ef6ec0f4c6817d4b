# shellcheck shell=bash
# Sourced by the scripts that start tavrel-server with --port 0 on 127.0.0.1.
# server_port LOG: prints the port the server's log says it listens on; fails after ten seconds
# without one.
server_port() {
    local port=""
    for _ in $(seq 100); do
        port=$(sed -n 's/.*listening on 127\.0\.0\.1 port \([0-9]*\).*/\1/p' "$1")
        [ -n "$port" ] && echo "$port" && return 0
        sleep 0.1
    done
    return 1
}
