# A throwaway, headless Wine for running the Windows build's tests.

# start_wine LOGDIR: makes a fresh prefix and starts its server; false if Wine will not start.
start_wine() {
    export WINEPREFIX
    WINEPREFIX=$(mktemp -d /tmp/orvella-wine.XXXXXX)
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    # The server inherits the first Wine process's output: keep it off any pipe.
    wineserver -p </dev/null >/dev/null 2>&1
    echo "=== wine: creating a prefix (the first start takes a while)"
    timeout 300 wineboot -i </dev/null >"$1/wineboot.log" 2>&1 || { cat "$1/wineboot.log"; return 1; }
}

stop_wine() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    wineserver -k >/dev/null 2>&1
    rm -rf "$WINEPREFIX"
}
