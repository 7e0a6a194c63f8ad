# Wine for the Windows build's tests, sourced by the scripts that run
# tarnwick.exe (the tests, the screenshots, the packages' tests):
#
#   source scripts/wine-session.sh
#   wine_session_start DIR   # a private prefix and HOME under DIR, a kept server
#   wine_run PROGRAM ARGS... # runs a Windows program in it
#   wine_session_stop        # ends the server (call it from a trap: it is safe twice)
#
# One private WINEPREFIX per run: nothing of the caller's Wine or home is
# touched, no add-on (Mono, Gecko) is downloaded and no menu entry written.
# Wine's server keeps its socket and lock in a folder under TMPDIR, which
# outlives the server: here it is a folder of the session's own. Every Wine
# program has a time limit (TARNWICK_WINE_TIMEOUT seconds, default 120).
# The server is kept running between programs, so a window appears in under
# a second rather than after the server's own start-up.

# The 64-bit loader itself: the `wine` wrapper first complains that the 32-bit
# half is missing, which a 64-bit program never needs.
if [[ -x /usr/lib/wine/wine64 ]]; then
    tarnwick_wine=/usr/lib/wine/wine64
    tarnwick_wineserver=/usr/lib/wine/wineserver
else
    tarnwick_wine=$(command -v wine64 || command -v wine)
    tarnwick_wineserver=$(command -v wineserver)
fi

wine_session_start() {
    local dir=$1
    mkdir -p "$dir/home" "$dir/prefix" "$dir/tmp"
    export HOME="$dir/home" WINEPREFIX="$dir/prefix" TMPDIR="$dir/tmp"
    unset WINEARCH WINEDLLPATH
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # Leaves Wine's ANSI code page, so only the wide calls reach every folder.
    export LC_ALL=C.UTF-8
    export WINELOADER=$tarnwick_wine WINESERVER=$tarnwick_wineserver
    # The server first, told to stay after its last program ends.
    "$tarnwick_wineserver" -p
    tarnwick_wine_session=1
    timeout "${TARNWICK_WINE_TIMEOUT:-120}" "$tarnwick_wine" wineboot -i >/dev/null 2>&1
}

wine_run() {
    timeout "${TARNWICK_WINE_TIMEOUT:-120}" "$tarnwick_wine" "$@"
}

# wine_set_dpi N: the density Windows programs see from now on (Wine's LogPixels).
wine_set_dpi() {
    timeout "${TARNWICK_WINE_TIMEOUT:-120}" "$tarnwick_wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

wine_session_stop() {
    if [[ -n ${tarnwick_wine_session:-} ]]; then
        timeout 20 "$tarnwick_wineserver" -k 2>/dev/null || true
        tarnwick_wine_session=
    fi
}
