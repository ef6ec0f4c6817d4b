# The nickname a new player starts with, from the login name. Sourced by ./tavrel in the source
# tree and by the installed launcher, so both give the same name (POSIX sh, no bash needed).
#
# tavrel_default_name [LOGIN]: the letters and digits of LOGIN (default: the login name), at most 9,
# since the server refuses longer nicknames and "|" or spaces; "Hero" when nothing usable is left or
# the result is "Default", the name the client refuses as unedited.
tavrel_default_name() {
    _tavrel_login=${1-${USER:-${LOGNAME:-$(id -un 2>/dev/null || true)}}}
    _tavrel_name=$(printf '%s' "$_tavrel_login" | LC_ALL=C tr -cd 'A-Za-z0-9' | cut -c1-9)
    if [ -z "$_tavrel_name" ] || [ "$_tavrel_name" = Default ]; then _tavrel_name=Hero; fi
    printf '%s' "$_tavrel_name"
}
