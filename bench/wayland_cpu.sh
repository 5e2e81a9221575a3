#!/usr/bin/env bash
# CPU time of bin/pofurin animating 竹 at the fast speed on Wayland (headless
# weston 10, pixman renderer) beside the same program on X11 (Xvfb, no window
# manager: the shared-memory X window), both running at once over the same
# stretches of wall-clock time (POFURIN_BENCH_ROUNDS rounds, default 3, of
# POFURIN_BENCH_SECONDS, default 10). Both are driven through their menus over
# the accessibility bus. WIN32_GTK_NO_SHM=1 in the environment makes GTK draw
# both client areas instead.
#
# CPU is counted from /proc/PID/task/*/schedstat (all threads, nanoseconds)
# for each pofurin, and shown beside it for its server: weston (its own
# process; it also serves the samples' screenshots, about two a second) and
# Xvfb; after the rounds, weston alone over one more stretch without
# screenshots. Ticks are read off the screen as desktop_cpu.sh does: the pulse
# disc's radius on row 85 grows by one each tick (modulo 101), sampled about
# twice a second; only pairs of samples less than 1 s apart count.
#
# Targets for Wayland: at least 99 ticks/s and at most 1.3 x the X11 CPU per tick.
#
# Usage: bench/wayland_cpu.sh [LINUX_BIN_DIR]   (default build/linux/bin)
# Exit code 0 when both were measured (whatever the outcome), 1 otherwise.
set -uo pipefail

if [ -z "${POFURIN_BENCH_SESSION:-}" ]; then
    command -v dbus-run-session >/dev/null || { echo "FAIL wayland-cpu: dbus-run-session not found" >&2; exit 1; }
    POFURIN_BENCH_SESSION=1 exec dbus-run-session -- bash "$0" "$@" 2>&1
fi
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/e2e/lib.sh"
e2e_init wayland-cpu "${POFURIN_BENCH_TIME_LIMIT:-240}"
bin=$(cd "${1:-$root/build/linux/bin}" 2>/dev/null && pwd) || e2e_fail "no such folder: ${1:-$root/build/linux/bin}"
[ -x "$bin/pofurin" ] || e2e_fail "$bin/pofurin is missing (build the linux preset)"
e2e_require weston weston-screenshooter weston-debug import convert od awk xwininfo /usr/bin/python3
duration=${POFURIN_BENCH_SECONDS:-10}
rounds=${POFURIN_BENCH_ROUNDS:-3}
[[ $rounds =~ ^[1-9][0-9]*$ ]] || e2e_fail "POFURIN_BENCH_ROUNDS must be a positive number: $rounds"
W=194 H=156 ROW=85

# radius: reads the pulse disc's radius from raw RGB of row 85 on stdin, -1
# when the row shows no clean disc (as in desktop_cpu.sh).
radius() {
    od -An -tu1 -v | awk -v w=$W '
        { for (i = 1; i <= NF; i++) px[n++] = $i }
        function colour(p) { return px[3 * p] "," px[3 * p + 1] "," px[3 * p + 2] }
        END {
            if (n < 3 * w) { print -1; exit }
            c = colour(100)
            for (x = 100; x >= 0 && colour(x) == c; x--) left++
            for (x = 100; x < w && colour(x) == c; x++) right++
            if (left - 1 == right) print right
            else if (right == w - 100 && left - 1 >= right) print left - 1
            else print -1
        }'
}
x11_radius() {
    x import -silent -window root -crop "${W}x1+$x11_x+$((x11_y + ROW))" +repage -depth 8 rgb:- 2>/dev/null | radius
}
wl_radius() {
    rm -f "$e2e_work"/shots/*.png
    (cd "$e2e_work/shots" && x weston-screenshooter >/dev/null 2>&1)
    local png=("$e2e_work"/shots/*.png)
    [ -f "${png[0]}" ] || { echo -1; return; }
    x convert "${png[0]}" -crop "${W}x1+$wl_x+$((wl_y + ROW))" +repage -depth 8 rgb:- 2>/dev/null | radius
}

count_frames() {  # FILE of "time radius": "frames seconds"
    awk '$2 < 0 { next }
        seen && $1 - t < 1 { frames += ($2 - r + 101) % 101; span += $1 - t }
        { t = $1; r = $2; seen = 1 }
        END { printf "%d %.3f\n", frames, span }' "$1"
}
cpu_ns() {  # PID: CPU nanoseconds of all its threads
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ n += $1 } END { printf "%d\n", n }'
}

# --- X11: Xvfb, no window manager --------------------------------------------
e2e_start_xvfb
GDK_BACKEND=x11 WAYLAND_DISPLAY= "$bin/pofurin" >"$e2e_work/x11.out" 2>&1 &
x11_pid=$!
e2e_track "$x11_pid"
x11_window=$(until_ok 30 find_titled "$x11_pid" "ポフリン発生ソフト") || e2e_fail "no window on X11"
geometry "$x11_window"
x11_x=$GX x11_y=$((GY + GH - H))

# --- Wayland: headless weston ---------------------------------------------------
export XDG_RUNTIME_DIR=$e2e_work/runtime
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$e2e_work/shots"
printf '[shell]\nanimation=none\nstartup-animation=none\n' >"$e2e_work/weston.ini"
weston --backend=headless-backend.so --use-pixman --debug --idle-time=0 --config="$e2e_work/weston.ini" \
    --width=640 --height=480 --socket=pofurin-bench >"$e2e_work/weston.log" 2>&1 &
weston_pid=$!
e2e_track "$weston_pid"
export WAYLAND_DISPLAY=pofurin-bench
until_ok 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || e2e_fail "weston did not start"
GDK_BACKEND=wayland DISPLAY= "$bin/pofurin" >"$e2e_work/wl.out" 2>&1 &
wl_pid=$!
e2e_track "$wl_pid"
# The client area: the bottom of the window's opaque region in weston's scene graph.
wl_place() {
    read -r wl_x wl_y path < <(x weston-debug scene-graph 2>/dev/null | awk -v pid="$wl_pid" -v h=$H '
        /^\tView / { top = $0 ~ "PID " pid "," && /xdg_toplevel/; sub_ = $0 ~ "PID " pid "," && /wl_subsurface/ }
        sub_ { subs = 1 }
        top && /opaque: \(/ { gsub(/[^0-9]+/, " "); split($0, p, " "); x = p[1]; y = p[4] - h }
        END { if (x != "") print x, y, subs ? "subsurface" : "GTK-drawn" }')
    [ -n "${wl_x:-}" ]
}
until_ok 30 wl_place || e2e_fail "no window on weston"
sleep 1
wl_place
e2e_info "X11: Xvfb $DISPLAY pid $e2e_xvfb_pid; Wayland: weston pid $weston_pid, client area $path"

for pid in "$x11_pid" "$wl_pid"; do
    until_ok 20 atspi_menu "$pid" "竹" && atspi_menu "$pid" "速度を速める" || e2e_fail "could not pick fast 竹 in pofurin $pid"
done
sleep 1

printf "\nfast 竹, ours on X11 (Xvfb) and on Wayland (headless weston, pixman), %d round(s) of %d s\n" "$rounds" "$duration"
printf "  %-5s %-26s %-26s %-10s %-22s %s\n" "" "X11: pofurin" "Wayland: pofurin" "Wayland/" "weston" "Xvfb"
printf "  %-5s %8s %17s %8s %17s %-10s %9s %12s %9s\n" round ticks/s "CPU ms/tick" ticks/s "CPU ms/tick" X11 "CPU s" "ms/wl tick" "CPU s"
verdicts=() wl_rates=()
for round in $(seq "$rounds"); do
    : >"$e2e_work/x11.samples"
    : >"$e2e_work/wl.samples"
    start=(); for pid in "$x11_pid" "$wl_pid" "$weston_pid" "$e2e_xvfb_pid"; do start+=("$(cpu_ns "$pid")"); done
    begin=$EPOCHREALTIME
    end=$(awk -v b="$begin" -v d="$duration" 'BEGIN { printf "%.6f", b + d }')
    while awk -v now="$EPOCHREALTIME" -v end="$end" 'BEGIN { exit !(now < end) }'; do
        echo "$EPOCHREALTIME $(x11_radius)" >>"$e2e_work/x11.samples"
        echo "$EPOCHREALTIME $(wl_radius)" >>"$e2e_work/wl.samples"
        sleep 0.3
    done
    used=(); i=0; for pid in "$x11_pid" "$wl_pid" "$weston_pid" "$e2e_xvfb_pid"; do used+=($(($(cpu_ns "$pid") - start[i]))); i=$((i + 1)); done
    elapsed=$(awk -v b="$begin" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.3f", e - b }')
    for pid in "$x11_pid" "$wl_pid"; do kill -0 "$pid" 2>/dev/null || e2e_fail "pofurin $pid ended during the measurement"; done
    read -r xf xs < <(count_frames "$e2e_work/x11.samples")
    read -r wf ws < <(count_frames "$e2e_work/wl.samples")
    awk -v xs="$xs" -v ws="$ws" -v d="$duration" 'BEGIN { exit !(xs >= 0.5 * d && ws >= 0.5 * d) }' ||
        e2e_fail "too few good samples: X11 $xs s, Wayland $ws s (of $duration)"
    line=$(awk -v r="$round" -v d="$elapsed" -v xf="$xf" -v xs="$xs" -v wf="$wf" -v ws="$ws" \
        -v xo="${used[0]}" -v wo="${used[1]}" -v wn="${used[2]}" -v xv="${used[3]}" 'BEGIN {
        xt = xf / xs; wt = wf / ws; xms = xo / 1e6 / (xt * d); wms = wo / 1e6 / (wt * d)
        printf "  %-5d %8.2f %17.3f %8.2f %17.3f %9.2fx %9.2f %12.3f %9.2f\n", r, xt, xms, wt, wms, wms / xms, wn / 1e9, wn / 1e6 / (wt * d), xv / 1e9
        v = (wt >= 99) ? "ticks/s met" : sprintf("ticks/s missed by %.2f", 99 - wt)
        v = v ((wms <= 1.3 * xms) ? ", 1.3x X11 met" : sprintf(", 1.3x X11 (%.3f ms) missed by %.3f ms", 1.3 * xms, wms - 1.3 * xms))
        print v
    }')
    echo "$line" | head -n 1
    wl_rates+=("$(echo "$line" | head -n 1 | awk '{ print $4 }')")
    verdicts+=("round $round: $(echo "$line" | tail -n 1); samples $(wc -l <"$e2e_work/wl.samples") a side")
done
# weston's share without the samples' screenshots: a stretch left alone.
weston_start=$(cpu_ns "$weston_pid")
sleep "$duration"
awk -v n="$(($(cpu_ns "$weston_pid") - weston_start))" -v d="$duration" -v rates="${wl_rates[*]}" 'BEGIN {
    k = split(rates, r, " "); for (i = 1; i <= k; i++) t += r[i] / k
    printf "  weston alone over %d s, no screenshots: %.2f CPU s, %.3f ms per Wayland tick (at %.2f ticks/s)\n", d, n / 1e9, n / 1e6 / (t * d), t
}'
echo "  targets for Wayland: >= 99 ticks/s, CPU per tick <= 1.3 x X11's (same run)"
for v in "${verdicts[@]}"; do echo "  $v"; done
