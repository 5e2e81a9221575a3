#!/usr/bin/env bash
# pofurin-render as a command-line tool: the modes of the files it writes
# follow the umask, a progress line appears on a terminal and nowhere else,
# PNG frames are plain 8-bit RGB and hold the canvas, and bad arguments end
# with one line and status 2.
#
# Usage: run_render_cli.sh BIN_DIR
# Prints PASS or FAIL per check; exit code 0 only if every check passed.
set -uo pipefail

source "$(dirname "$0")/../lib.sh"
e2e_init render-cli "${POFURIN_E2E_TIME_LIMIT:-60}"

[ $# -eq 1 ] || e2e_fail "usage: $0 BIN_DIR"
render=$1/pofurin-render
[ -x "$render" ] || e2e_fail "$render is missing (build the linux preset)"
e2e_require script identify compare timeout

run() { timeout "$(e2e_remaining)" "$render" "$@"; }

# modes UMASK DIR_MODE FILE_MODE
modes() {
    local dir=$e2e_work/modes-$1 got
    mkdir "$dir" && (umask "$1" && run --run "ume 3" --out "$dir/frames" --last "$dir/last.png" --gif "$dir/run.gif") ||
        { why="render failed"; return 1; }
    got=$(cd "$dir" && stat -c '%a %n' frames frames/frame-000001.png last.png run.gif | tr '\n' ' ')
    [ "$got" = "$2 frames $3 frames/frame-000001.png $3 last.png $3 run.gif " ] || { why="$got"; return 1; }
}
check modes-umask-022 modes 022 755 644
check modes-umask-077 modes 077 700 600

# The frames are 8-bit RGB, and the last one is the canvas --last saves.
frames() {
    local dir=$e2e_work/modes-022 got
    got=$(identify -format '%w %h %z %[channels]' "$dir/frames/frame-000003.png" 2>&1)
    [ "$got" = "1200 800 8 srgb" ] || { why="$got"; return 1; }
    got=$(compare -metric AE "$dir/frames/frame-000003.png" "$dir/last.png" null: 2>&1)
    [ "$got" = 0 ] || { why="$got pixels differ from --last"; return 1; }
}
check png-frames frames

progress() {
    local log=$e2e_work/tty.log
    # script(1) gives the tool a terminal; its stdout and stderr both land in the log.
    timeout "$(e2e_remaining)" script -qec "'$render' --run 'take 40'" /dev/null </dev/null >"$log" 2>&1 ||
        { why="script failed: $(tail -c 200 "$log")"; return 1; }
    grep -qa $'\rpofurin-render: frame 1 of 40, [0-9]*:[0-9][0-9] left' "$log" || { why=$(od -c "$log" | head -n 3); return 1; }
    # The run ends with the line cleared.
    [ "$(tail -c 4 "$log" | od -An -c | tr -d ' ')" = '\r033[K' ] || { why="line not cleared"; return 1; }
    run --run "take 40" 2>"$e2e_work/pipe.err" >/dev/null || { why="render failed"; return 1; }
    [ ! -s "$e2e_work/pipe.err" ] || { why="stderr without a terminal: $(head -c 100 "$e2e_work/pipe.err")"; return 1; }
}
check progress-line progress

# bad ARGS...: status 2 and a single line on stderr, nothing on stdout.
bad() {
    local status
    run "$@" >"$e2e_work/bad.out" 2>"$e2e_work/bad.err"
    status=$?
    [ $status -eq 2 ] && [ ! -s "$e2e_work/bad.out" ] && [ "$(wc -l <"$e2e_work/bad.err")" -eq 1 ] ||
        { why="$*: status $status, $(cat "$e2e_work/bad.err")"; return 1; }
}
bad_arguments() {
    bad --run "ume x" && bad --run "5" --realtime && bad --out && bad --run "1" --last /nonexistent/last.png &&
        bad --run "1" --gif /nonexistent/run.gif && bad --frobnicate
}
check bad-arguments bad_arguments

[ $failures -eq 0 ] || e2e_fail "$failures check(s) failed"
echo "PASS render-cli"
