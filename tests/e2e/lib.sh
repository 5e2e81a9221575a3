# Shell helpers for the end-to-end tests and the desktop benchmark: a time
# budget, a private Xvfb display, a throw-away Wine prefix, and a cleanup that
# ends exactly the processes started here, by their ids. Source it, then call
# e2e_init first.
#
# A missing tool or a display that will not start is a failure, never a skip.

e2e_name=e2e
e2e_work=""
e2e_deadline=$SECONDS
e2e_xvfb_pid=""
e2e_pids=()
wine=""
wineserver=""

e2e_fail() {
    echo "FAIL $e2e_name: $*" >&2
    exit 1
}

e2e_info() {
    echo "INFO $*"
}

# e2e_init NAME SECONDS: starts the time budget, makes the work folder
# ($e2e_work) and installs the cleanup.
e2e_init() {
    e2e_name=$1
    e2e_deadline=$((SECONDS + $2))
    e2e_work=$(mktemp -d "/tmp/pofurin-$1.XXXXXX") || e2e_fail "cannot make a temporary folder"
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
}

# Seconds left of the budget, at least 1 so that it can go to timeout(1).
e2e_remaining() {
    local left=$((e2e_deadline - SECONDS))
    [ $left -gt 1 ] && echo $left || echo 1
}

e2e_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || e2e_fail "$tool not found (scripts/setup installs it)"
    done
}

# e2e_track PID: ends PID on exit if it still runs.
e2e_track() {
    e2e_pids+=("$1")
}

# e2e_stop PID: asks PID to end, then forces it; reaps it if it is our child.
e2e_stop() {
    local pid=$1
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    kill "$pid" 2>/dev/null
    for _ in $(seq 30); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

e2e_cleanup() {
    local i
    for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do
        e2e_stop "${e2e_pids[i]}"
    done
    # Ends the Wine prefix's own server and everything it still runs.
    if [ -n "$wineserver" ] && [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        timeout -k 5 20 "$wineserver" -k >/dev/null 2>&1
        timeout -k 5 20 "$wineserver" -w >/dev/null 2>&1
    fi
    [ -n "$e2e_xvfb_pid" ] && e2e_stop "$e2e_xvfb_pid"
    [ -n "$e2e_work" ] && rm -rf "$e2e_work"
}

# e2e_start_xvfb [WIDTHxHEIGHT]: starts Xvfb (1024x768 unless given) on a
# display number it picks itself (written to the given fd, so that no display
# of anybody else is ever touched) and exports DISPLAY.
e2e_start_xvfb() {
    local size=${1:-1024x768}
    e2e_require Xvfb xdpyinfo
    # -noreset: by default the server resets when its last client leaves,
    # and a client that connects during the reset (the program, right after
    # the readiness probe below) is turned away.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$e2e_work/display" >"$e2e_work/xvfb.log" 2>&1 &
    e2e_xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$e2e_work/display" ] && break
        kill -0 "$e2e_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$e2e_work/display" ] || e2e_fail "Xvfb did not start: $(tail -n 3 "$e2e_work/xvfb.log" | tr '\n' ' ')"
    export DISPLAY=":$(head -n 1 "$e2e_work/display")"
    # Our server, and no other, must answer on it.
    local answered=0
    for _ in $(seq 50); do
        kill -0 "$e2e_xvfb_pid" 2>/dev/null || break
        if timeout -k 2 10 xdpyinfo >/dev/null 2>&1; then
            answered=1
            break
        fi
        sleep 0.2
    done
    kill -0 "$e2e_xvfb_pid" 2>/dev/null && [ $answered -eq 1 ] ||
        e2e_fail "Xvfb on $DISPLAY does not answer: $(tail -n 3 "$e2e_work/xvfb.log" | tr '\n' ' ')"
    e2e_info "Xvfb on $DISPLAY (pid $e2e_xvfb_pid)"
}

# Starts openbox on the display, with its settings and caches in the work
# folder, and waits until it manages the screen.
e2e_start_openbox() {
    e2e_require openbox xprop
    mkdir -p "$e2e_work/xdg-config" "$e2e_work/xdg-cache"
    XDG_CONFIG_HOME=$e2e_work/xdg-config XDG_CACHE_HOME=$e2e_work/xdg-cache \
        openbox --sm-disable >"$e2e_work/openbox.log" 2>&1 &
    local pid=$!
    e2e_track "$pid"
    # A window manager announces itself on the root window.
    local check=""
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        check=$(x xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o '0x[0-9a-f]*')
        [ -n "$check" ] && break
        sleep 0.1
    done
    [ -n "$check" ] || e2e_fail "openbox did not start: $(tail -n 3 "$e2e_work/openbox.log" | tr '\n' ' ')"
    e2e_info "openbox manages $DISPLAY (pid $pid)"
}

# Sets $wine and $wineserver.
e2e_find_wine() {
    # Debian puts the 64-bit loader outside PATH.
    wine=$(command -v wine64 || true)
    [ -n "$wine" ] || wine=/usr/lib/wine/wine64
    [ -x "$wine" ] || e2e_fail "wine64 not found (scripts/setup installs it)"
    wineserver=$(dirname "$wine")/wineserver
    [ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
    [ -n "$wineserver" ] || e2e_fail "wineserver not found"
}

# Creates a fresh Wine prefix in the work folder; needs the display.
e2e_make_wine_prefix() {
    e2e_find_wine
    export WINEPREFIX=$e2e_work/prefix
    export WINEDEBUG=-all
    # No Mono or Gecko installer prompts, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    # The program's manifest makes UTF-8 its ANSI code page; Wine honours that
    # under a UTF-8 locale.
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    e2e_info "creating the Wine prefix $WINEPREFIX"
    local status
    timeout -k 5 "$(e2e_remaining)" "$wine" wineboot -i >"$e2e_work/wineboot.log" 2>&1
    status=$?
    [ $status -eq 124 ] && e2e_fail "wineboot timed out"
    [ -d "$WINEPREFIX/drive_c/windows/system32" ] ||
        e2e_fail "wineboot did not create the prefix (status $status): $(tail -n 3 "$e2e_work/wineboot.log" | tr '\n' ' ')"
    return 0
}

# ---- X windows (xdotool) ---------------------------------------------------

# Every X client call is bounded.
x() { timeout -k 2 10 "$@"; }

# until_ok SECONDS COMMAND...: retries COMMAND until it succeeds, at most
# SECONDS (and never past the budget).
until_ok() {
    local end=$((SECONDS + $1))
    shift
    while :; do
        "$@" && return 0
        if [ $SECONDS -ge $end ] || [ $SECONDS -ge $e2e_deadline ]; then return 1; fi
        sleep 0.1
    done
}

# Visible top-level windows of a process, one id a line.
windows_of() {
    x xdotool search --onlyvisible --pid "$1" 2>/dev/null
}

# find_titled PID TITLE: prints the visible window of PID with exactly TITLE.
find_titled() {
    local w
    for w in $(windows_of "$1"); do
        if [ "$(x xdotool getwindowname "$w" 2>/dev/null)" = "$2" ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

# find_other PID WINDOW...: prints a visible window of PID that is none of WINDOW...
find_other() {
    local pid=$1 w known
    shift
    for w in $(windows_of "$pid"); do
        for known in "$@"; do [ "$w" = "$known" ] && continue 2; done
        echo "$w"
        return 0
    done
    return 1
}

# geometry WINDOW: sets GX GY (on the screen, inside any frame a window
# manager put around it) and GW GH.
geometry() {
    local info
    info=$(x xwininfo -id "$1" 2>/dev/null)
    GX=$(echo "$info" | awk '/Absolute upper-left X:/ { print $NF }')
    GY=$(echo "$info" | awk '/Absolute upper-left Y:/ { print $NF }')
    GW=$(echo "$info" | awk '/^ *Width:/ { print $NF }')
    GH=$(echo "$info" | awk '/^ *Height:/ { print $NF }')
    GX=${GX:-0} GY=${GY:-0} GW=${GW:-0} GH=${GH:-0}
}

# atspi_menu PID ITEM-NAME-PART: clicks that menu item of the program with PID
# through the accessibility bus (where no input device can, as on headless weston).
atspi_menu() {
    x /usr/bin/python3 - "$@" <<'EOF'
import sys, gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi
def walk(a):
    yield a
    for i in range(a.get_child_count()):
        yield from walk(a.get_child_at_index(i))
desktop = Atspi.get_desktop(0)
for app in (desktop.get_child_at_index(i) for i in range(desktop.get_child_count())):
    if app and app.get_process_id() == int(sys.argv[1]):
        for a in walk(app):
            if a.get_role_name() == "menu item" and sys.argv[2] in (a.get_name() or ""):
                sys.exit(0 if a.do_action(0) else 1)
sys.exit(1)
EOF
}

# not_shown PID WINDOW: true when WINDOW is no longer a visible window of PID.
not_shown() {
    ! windows_of "$1" | grep -qx "$2"
}

# Checks: pass NAME, failed NAME [WHY], and check NAME COMMAND...: PASS if
# COMMAND succeeds, else FAIL with $why, which COMMAND or the caller sets.
# $failures counts what failed.
failures=0
why=""
pass() { echo "PASS $1"; }
failed() {
    echo "FAIL $1${2:+: $2}"
    failures=$((failures + 1))
}
check() {
    local name=$1
    shift
    if "$@"; then pass "$name"; else failed "$name" "$why"; fi
    why=""
}
