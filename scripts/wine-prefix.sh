# Sourced by the scripts: a throw-away Wine prefix with its own wineserver.
# wine_runs_32bit         - true when this machine can run 32-bit programs
# wine_use_64bit_only     - puts a `wine` on PATH that runs 64-bit programs only
# wine_prefix_create DIR  - makes the prefix and keeps a wineserver running
# wine_prefix_destroy     - ends the wineserver and removes the prefix
# wine_prefix_fresh NAME  - a win64 prefix in a new folder $work (/tmp/NAME.XXXXXX),
#                           both removed when the shell exits

# Some virtual machines' kernels execute no 32-bit code at all: Wine's 32-bit
# loader (which every 32-bit Windows program needs) then fails to start.
wine_runs_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Debian's `wine` always picks the 32-bit loader when it is installed, even where
# it cannot run; this one calls the 64-bit loader, which runs 64-bit programs.
wine_use_64bit_only() {
    local shim=$1
    mkdir -p "$shim"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shim/wine"
    chmod +x "$shim/wine"
    export PATH="$shim:$PATH"
    export WINELOADER=/usr/lib/wine/wine64
    export WINEARCH=win64
}

wine_prefix_create() {
    export WINEPREFIX="$1"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    # The first Wine process starts wineserver and Wine's services; give them
    # no pipes of ours (ctest would otherwise wait for them to close).
    wine cmd /c exit </dev/null >/dev/null 2>&1
    wineserver -p </dev/null >/dev/null 2>&1 &
    # Without a window manager Wine waits on managed windows when they are destroyed.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
}

wine_prefix_destroy() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        wineserver -k </dev/null >/dev/null 2>&1 || true
        wineserver -w </dev/null >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
}

wine_prefix_fresh() {
    work=$(mktemp -d "/tmp/$1.XXXXXX")
    trap 'wine_prefix_destroy; rm -rf "$work"' EXIT
    export WINEARCH=win64
    wine_prefix_create "$work/prefix"
}

# xvfb_start - starts Xvfb on a free display and exports DISPLAY
xvfb_start() {
    # Xvfb picks the display itself and says which (-displayfd): runs started
    # at the same moment, in this script or beside it, never take the same one.
    local said
    said=$(mktemp /tmp/dusklatch-xvfb.XXXXXX)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$said" </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    local n=""
    for _ in $(seq 100); do
        n=$(tr -dc 0-9 <"$said")
        [ -n "$n" ] && [ -e "/tmp/.X11-unix/X$n" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$said"
    if [ -n "$n" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
        export DISPLAY=":$n"
        return 0
    fi
    kill "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
    echo "Xvfb could not be started" >&2
    return 1
}

xvfb_stop() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
