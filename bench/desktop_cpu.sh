#!/usr/bin/env bash
# CPU time of the desktop program animating at the fast speed: bin/pofurin (our
# GTK backend) and pofurin.exe under Wine, side by side on one private Xvfb
# display over the same stretch of wall-clock time (POFURIN_BENCH_SECONDS,
# default 10). Both are driven through their menus with xdotool, as a user
# would: 竹, then the fast speed.
#
# What is counted, as utime + stime from /proc/PID/stat:
#   ours: the pofurin process (all its threads);
#   Wine: the pofurin.exe process (all its threads) plus the prefix's
#         wineserver over the same stretch: pofurin.exe is the only program
#         running in the fresh prefix, so that is the server time it caused.
# Printed for reference, not counted: the prefix's other processes
# (explorer.exe, services.exe, ...) and Xvfb, which serves both programs.
#
# Frames drawn are read off the screen: the pulse disc's radius (one pixel
# more per frame, modulo 101) is sampled on both windows a few times a second.
# That gives frames per second and CPU per frame, so that a program drawing
# fewer frames does not look cheaper than it is.
#
# Usage: bench/desktop_cpu.sh [LINUX_BIN_DIR [WINDOWS_BIN_DIR]]
#   defaults: build/linux/bin and build/windows/bin of this checkout.
# Exit code 0 when both were measured (whatever the outcome), 1 otherwise.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tests/e2e/lib.sh"
e2e_init desktop-cpu "${POFURIN_BENCH_TIME_LIMIT:-240}"

linux_bin=$(cd "${1:-$root/build/linux/bin}" 2>/dev/null && pwd) || e2e_fail "no such folder: ${1:-$root/build/linux/bin}"
windows_bin=$(cd "${2:-$root/build/windows/bin}" 2>/dev/null && pwd) ||
    e2e_fail "no such folder: ${2:-$root/build/windows/bin}"
[ -x "$linux_bin/pofurin" ] || e2e_fail "$linux_bin/pofurin is missing (build the linux preset)"
[ -f "$windows_bin/pofurin.exe" ] || e2e_fail "$windows_bin/pofurin.exe is missing (build the windows preset)"
e2e_require timeout xdotool import od awk grep
duration=${POFURIN_BENCH_SECONDS:-10}

TITLE="ポフリン発生ソフト"
CLIENT_W=194
CLIENT_H=156
MENU_ITEMS=6
TAKE_ITEM=2
FAST_ITEM=4
# The pulse disc is centred at (100, 85) of the client area.
PULSE_ROW=85

# pick PID WINDOW ITEM: clicks メニュー in the window's menu bar (the window is
# the menu bar over the client area, with no frame), then the ITEMth of the
# popup's evenly spaced items.
pick() {
    local pid=$1 window=$2 item=$3 popup
    geometry "$window"
    x xdotool mousemove "$((GX + 15))" "$((GY + (GH - CLIENT_H) / 2))" click 1
    popup=$(until_ok 10 find_other "$pid" "$window") || e2e_fail "no menu popped up in window $window"
    geometry "$popup"
    x xdotool mousemove "$((GX + GW / 2))" "$((GY + GH * (2 * item - 1) / (2 * MENU_ITEMS)))" click 1
    until_ok 10 not_shown "$pid" "$popup" || e2e_fail "the menu of window $window stayed open"
    x xdotool mousemove 1000 700
}

# pulse_row WINDOW: where the client area's row 85 is on the screen, as "X Y".
pulse_row() {
    geometry "$1"
    echo "$GX $((GY + GH - CLIENT_H + PULSE_ROW))"
}

# radii: one screenshot of the box holding both windows' row 85; prints the
# pulse disc's radius in ours, then in Wine's, -1 where the row shows no clean
# disc. The disc covers x = 100 - r .. 100 + r - 1 of that row; 竹's
# rectangles never reach it, so the rest of the row is black (radius 0 reads
# as 100: the same modulo 101, one frame early, an error that cancels out).
radii() {
    x import -silent -window root -crop "${box_w}x${box_h}+${box_x}+${box_y}" +repage -depth 8 rgb:- 2>/dev/null |
        od -An -tu1 -v | awk -v w="$CLIENT_W" -v a="$ours_offset" -v b="$wine_offset" -v size=$((box_w * box_h * 3)) '
        { for (i = 1; i <= NF; i++) px[n++] = $i }
        function colour(p) { return px[3 * p] "," px[3 * p + 1] "," px[3 * p + 2] }
        function radius(row,   c, x, left, right) {
            c = colour(row + 100)
            for (x = 100; x >= 0 && colour(row + x) == c; x--) left++
            for (x = 100; x < w && colour(row + x) == c; x++) right++
            if (left - 1 == right) return right
            if (right == w - 100 && left - 1 >= right) return left - 1
            return -1
        }
        END {
            if (n < size) print -1, -1
            else print radius(a), radius(b)
        }'
}

# count_frames FILE: "frames seconds long_gaps" from lines "time radius".
count_frames() {
    awk '
        $2 < 0 { next }
        seen { frames += ($2 - r + 101) % 101; if ($1 - t >= 1) long++ }
        !seen { first = $1; seen = 1 }
        { t = $1; r = $2 }
        END { printf "%d %.2f %d\n", frames, t - first, long }' "$1"
}

# ticks PID: utime + stime in clock ticks, or nothing once it has ended.
ticks() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
    stat=${stat##*) }
    set -- $stat
    echo $((${12} + ${13}))
}

hz=$(getconf CLK_TCK)
seconds_of() { awk -v t="$1" -v hz="$hz" 'BEGIN { printf "%.2f", t / hz }'; }

# --- Display, prefix, programs ----------------------------------------------
e2e_start_xvfb
e2e_make_wine_prefix
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
unset WAYLAND_DISPLAY

"$wine" "$windows_bin/pofurin.exe" >"$e2e_work/wine.out" 2>&1 &
wine_pid=$!
e2e_track "$wine_pid"
wine_window=$(until_ok 60 find_titled "$wine_pid" "$TITLE") || e2e_fail "pofurin.exe showed no window titled $TITLE"

"$linux_bin/pofurin" >"$e2e_work/pofurin.out" 2>&1 &
ours_pid=$!
e2e_track "$ours_pid"
ours_window=$(until_ok 30 find_titled "$ours_pid" "$TITLE") || e2e_fail "pofurin showed no window titled $TITLE"
# Side by side, not overlapping: with no window manager both start near (0,0).
x xdotool windowmove --sync "$ours_window" 300 0 2>/dev/null
geometry "$ours_window"
[ "$GX" -eq 300 ] || e2e_fail "could not move our window beside Wine's (it is at $GX,$GY)"

for window in "$wine_window:$wine_pid" "$ours_window:$ours_pid"; do
    pick "${window#*:}" "${window%:*}" $TAKE_ITEM
    pick "${window#*:}" "${window%:*}" $FAST_ITEM
done
read -r ours_x ours_y < <(pulse_row "$ours_window")
read -r wine_x wine_y < <(pulse_row "$wine_window")
box_x=$((ours_x < wine_x ? ours_x : wine_x))
box_y=$((ours_y < wine_y ? ours_y : wine_y))
box_w=$(((ours_x > wine_x ? ours_x : wine_x) + CLIENT_W - box_x))
box_h=$(((ours_y > wine_y ? ours_y : wine_y) + 1 - box_y))
ours_offset=$(((ours_y - box_y) * box_w + ours_x - box_x))
wine_offset=$(((wine_y - box_y) * box_w + wine_x - box_x))
sleep 1

# The prefix's processes: pofurin.exe, its wineserver and the rest.
wineserver_pids=()
other_pids=()
other_names=()
for environ in $(grep -lzxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
    pid=${environ#/proc/}
    pid=${pid%/environ}
    [ "$pid" = "$wine_pid" ] || [ "$pid" = "$ours_pid" ] && continue
    name=$(cat "/proc/$pid/comm" 2>/dev/null) || continue
    case $name in
        wineserver*) wineserver_pids+=("$pid") ;;
        *) other_pids+=("$pid") other_names+=("$name") ;;
    esac
done
[ ${#wineserver_pids[@]} -eq 1 ] || e2e_fail "found ${#wineserver_pids[@]} wineservers of $WINEPREFIX"

all_pids=("$ours_pid" "$wine_pid" "${wineserver_pids[0]}" "$e2e_xvfb_pid" "${other_pids[@]}")
declare -A start_ticks=()
snapshot() {
    local pid
    for pid in "${all_pids[@]}"; do start_ticks[$pid]=$(ticks "$pid"); done
}
used() {  # PID: ticks since the snapshot
    local now
    now=$(ticks "$1")
    echo $((${now:-${start_ticks[$1]:-0}} - ${start_ticks[$1]:-0}))
}

# --- The measured stretch ------------------------------------------------------
e2e_info "measuring for $duration s"
: >"$e2e_work/ours.samples"
: >"$e2e_work/wine.samples"
begin=$EPOCHREALTIME
snapshot
end=$(awk -v b="$begin" -v d="$duration" 'BEGIN { printf "%.6f", b + d }')
while awk -v now="$EPOCHREALTIME" -v end="$end" 'BEGIN { exit !(now < end) }'; do
    read -r ours_r wine_r < <(radii)
    echo "$EPOCHREALTIME $ours_r" >>"$e2e_work/ours.samples"
    echo "$EPOCHREALTIME $wine_r" >>"$e2e_work/wine.samples"
    sleep 0.5
done
ours_ticks=$(used "$ours_pid")
wine_ticks=$(used "$wine_pid")
server_ticks=$(used "${wineserver_pids[0]}")
xvfb_ticks=$(used "$e2e_xvfb_pid")
other_ticks=0
for pid in "${other_pids[@]}"; do other_ticks=$((other_ticks + $(used "$pid"))); done
elapsed=$(awk -v b="$begin" -v e="$EPOCHREALTIME" 'BEGIN { printf "%.2f", e - b }')

kill -0 "$ours_pid" 2>/dev/null || e2e_fail "pofurin ended during the measurement"
kill -0 "$wine_pid" 2>/dev/null || e2e_fail "pofurin.exe ended during the measurement"
[ -z "$(pgrep -P "$ours_pid")" ] || e2e_info "note: pofurin has child processes, not counted: $(pgrep -P "$ours_pid" | tr '\n' ' ')"

read -r ours_frames ours_span ours_gaps < <(count_frames "$e2e_work/ours.samples")
read -r wine_frames wine_span wine_gaps < <(count_frames "$e2e_work/wine.samples")

# --- Report --------------------------------------------------------------------
wine_total=$((wine_ticks + server_ticks))
row() {  # LABEL TICKS FRAMES SPAN
    awk -v l="$1" -v t="$2" -v f="$3" -v s="$4" -v hz="$hz" -v d="$elapsed" 'BEGIN {
        fps = s > 0 ? f / s : 0
        per = fps > 0 ? 1000 * t / hz / (fps * d) : 0
        if (f == "") printf "  %-34s %7.2f\n", l, t / hz
        else printf "  %-34s %7.2f %8.1f %12.2f\n", l, t / hz, fps, per
    }'
}
echo
echo "desktop CPU, $elapsed s at the fast speed (竹), side by side on Xvfb $DISPLAY"
printf "  %-34s %7s %8s %12s\n" "" "CPU s" "frames/s" "CPU ms/frame"
row "ours: pofurin" "$ours_ticks" "$ours_frames" "$ours_span"
row "Wine: pofurin.exe" "$wine_ticks" "$wine_frames" "$wine_span"
row "Wine: wineserver" "$server_ticks" "" ""
row "Wine: pofurin.exe + wineserver" "$wine_total" "$wine_frames" "$wine_span"
echo "  not counted:"
row "Wine prefix's other processes" "$other_ticks" "" ""
echo "    (${other_names[*]:-none})"
row "Xvfb, serving both" "$xvfb_ticks" "" ""
echo "  frames from $(wc -l <"$e2e_work/ours.samples") screen samples a side;" \
    "gaps of 1 s or more between good samples (each could hide a whole pulse cycle): ours $ours_gaps, Wine $wine_gaps"
for side in "ours:$ours_frames:$ours_span" "Wine:$wine_frames:$wine_span"; do
    IFS=: read -r name frames span <<<"$side"
    # The normal speed's 100 ms tick allows 10 frames per second at most.
    awk -v f="$frames" -v s="$span" 'BEGIN { exit !(s > 0 && f / s > 15) }' ||
        e2e_fail "$name drew $frames frames in $span s: the fast speed was not picked, or the samples failed"
done

if [ "$ours_ticks" -lt "$wine_total" ]; then
    echo "target met: ours used $(seconds_of "$ours_ticks") CPU s, less than Wine's $(seconds_of "$wine_total")"
else
    echo "target missed: ours used $(seconds_of "$ours_ticks") CPU s, not less than Wine's $(seconds_of "$wine_total")"
fi
