#!/usr/bin/env bash
# Runs pofurin-check.exe, which starts pofurin.exe and checks it end to end,
# under Wine on a private Xvfb display with a fresh Wine prefix. Everything it
# starts it also ends, within POFURIN_E2E_TIME_LIMIT seconds (default 240).
#
# Usage: run_wine_e2e.sh BIN_DIR
#   BIN_DIR holds pofurin.exe, pofurin-check.exe and pofurin-probe.dll (the
#   Windows build's bin/). Exit code 0 only if every check passed; a missing
#   tool or a display that will not start is a failure, never a skip.
set -uo pipefail

fail() {
    echo "FAIL wine-e2e: $*" >&2
    exit 1
}

[ $# -eq 1 ] || fail "usage: $0 BIN_DIR"
bin_dir=$(cd "$1" 2>/dev/null && pwd) || fail "no such folder: $1"
for file in pofurin.exe pofurin-check.exe pofurin-probe.dll; do
    [ -f "$bin_dir/$file" ] || fail "$bin_dir/$file is missing (build the windows preset)"
done

# Debian puts the 64-bit loader outside PATH.
wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || fail "wine64 not found (scripts/setup installs it)"
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || fail "wineserver not found"
command -v Xvfb >/dev/null || fail "Xvfb not found (scripts/setup installs it)"
command -v timeout >/dev/null || fail "timeout not found"

time_limit=${POFURIN_E2E_TIME_LIMIT:-240}
deadline=$((SECONDS + time_limit))
remaining() {
    local left=$((deadline - SECONDS))
    [ $left -gt 1 ] && echo $left || echo 1
}

work=$(mktemp -d /tmp/pofurin-wine-e2e.XXXXXX) || fail "cannot make a temporary folder"
xvfb_pid=""
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# No Mono or Gecko installer prompts, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# The program's manifest makes UTF-8 its ANSI code page; Wine honours that
# under a UTF-8 locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

cleanup() {
    if [ -d "$WINEPREFIX" ]; then
        timeout -k 5 20 "$wineserver" -k >/dev/null 2>&1
        timeout -k 5 20 "$wineserver" -w >/dev/null 2>&1
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and writes its number to the given fd.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(tail -n 3 "$work/xvfb.log" | tr '\n' ' ')"
export DISPLAY=":$(head -n 1 "$work/display")"
echo "INFO Xvfb on $DISPLAY (pid $xvfb_pid), Wine prefix $WINEPREFIX"

echo "INFO creating the Wine prefix"
timeout -k 5 "$(remaining)" "$wine" wineboot -i >"$work/wineboot.log" 2>&1
status=$?
[ $status -eq 124 ] && fail "wineboot timed out"
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail "wineboot did not create the prefix (status $status): $(tail -n 3 "$work/wineboot.log" | tr '\n' ' ')"

# Captures of failed image checks land next to the build.
captures=$(dirname "$bin_dir")/wine-e2e-captures
rm -rf "$captures" && mkdir -p "$captures"
export POFURIN_E2E_DUMP_DIR="Z:${captures//\//\\}"

timeout -k 10 "$(remaining)" "$wine" "$bin_dir/pofurin-check.exe"
status=$?
[ $status -eq 124 ] && fail "timed out after $time_limit s"
rmdir "$captures" 2>/dev/null
[ $status -eq 0 ] || fail "pofurin-check.exe reported failures (exit code $status)"
echo "PASS wine-e2e"
