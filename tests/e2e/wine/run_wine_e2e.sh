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

source "$(dirname "$0")/../lib.sh"
e2e_init wine-e2e "${POFURIN_E2E_TIME_LIMIT:-240}"

[ $# -eq 1 ] || e2e_fail "usage: $0 BIN_DIR"
bin_dir=$(cd "$1" 2>/dev/null && pwd) || e2e_fail "no such folder: $1"
for file in pofurin.exe pofurin-check.exe pofurin-probe.dll; do
    [ -f "$bin_dir/$file" ] || e2e_fail "$bin_dir/$file is missing (build the windows preset)"
done
e2e_require timeout
e2e_find_wine

e2e_start_xvfb
e2e_make_wine_prefix

# Captures of failed image checks land next to the build.
captures=$(dirname "$bin_dir")/wine-e2e-captures
rm -rf "$captures" && mkdir -p "$captures"
export POFURIN_E2E_DUMP_DIR="Z:${captures//\//\\}"

timeout -k 10 "$(e2e_remaining)" "$wine" "$bin_dir/pofurin-check.exe"
status=$?
[ $status -eq 124 ] && e2e_fail "timed out"
rmdir "$captures" 2>/dev/null
[ $status -eq 0 ] || e2e_fail "pofurin-check.exe reported failures (exit code $status)"
echo "PASS wine-e2e"
