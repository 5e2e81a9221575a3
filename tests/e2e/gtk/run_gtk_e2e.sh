#!/usr/bin/env bash
# Drives the desktop program bin/pofurin like a user, with xdotool on a private
# Xvfb display, and checks what it shows against the frames pofurin-render
# draws headless. No window manager runs: the program's windows sit at (0,0)
# undecorated, and GTK's menus pop up as override-redirect windows.
#
# Usage: run_gtk_e2e.sh BIN_DIR
#   BIN_DIR holds pofurin and pofurin-render (the Linux build's bin/).
# Prints PASS or FAIL per check; exit code 0 only if every check passed.
# Everything it starts it also ends, within POFURIN_E2E_TIME_LIMIT seconds
# (default 150).
set -uo pipefail

source "$(dirname "$0")/../lib.sh"
e2e_init gtk-e2e "${POFURIN_E2E_TIME_LIMIT:-150}"

[ $# -eq 1 ] || e2e_fail "usage: $0 BIN_DIR"
bin_dir=$(cd "$1" 2>/dev/null && pwd) || e2e_fail "no such folder: $1"
for file in pofurin pofurin-render; do
    [ -x "$bin_dir/$file" ] || e2e_fail "$bin_dir/$file is missing (build the linux preset)"
done
e2e_require timeout xdotool import convert xmessage xprop md5sum

TITLE="ポフリン発生ソフト"
ABOUT_TITLE="ﾊﾞｰｼﾞｮﾝ情報"
CLIENT_W=194
CLIENT_H=156
MENU_ITEMS=6  # メニュー: 梅, 竹, 松, fast, normal, exit
TAKE_ITEM=2
EXIT_ITEM=6
# Reference frames of 竹: enough for the first 10 s of the normal 100 ms tick.
REFERENCE_FRAMES=100

failures=0
pass() { echo "PASS $1"; }
failed() {
    echo "FAIL $1${2:+: $2}"
    failures=$((failures + 1))
}
# check NAME COMMAND...: PASS if COMMAND succeeds, else FAIL with $why, which
# COMMAND or the caller sets.
why=""
check() {
    local name=$1
    shift
    if "$@"; then pass "$name"; else failed "$name" "$why"; fi
    why=""
}

# shot FILE: the client area as it is on the screen, overlapping windows
# included, as raw 8-bit RGB.
shot() {
    x import -silent -window root -crop "${CLIENT_W}x${CLIENT_H}+${client_x}+${client_y}" +repage -depth 8 "rgb:$1" 2>/dev/null
}

md5_of() { md5sum <"$1" | cut -c1-32; }

# Pixels of FILE (a client-area shot) with colour #RRGGBB.
count_colour() {
    convert -size "${CLIENT_W}x${CLIENT_H}" -depth 8 "rgb:$1" -format %c histogram:info:- 2>/dev/null |
        awk -v c="#$2" 'toupper($3) == toupper(c) { sub(":", "", $1); n += $1 } END { print n + 0 }'
}

# The 竹 frame number (1-based) a shot shows, or nothing.
frame_of() {
    echo "${reference[$(md5_of "$1")]:-}"
}

# A shot of the client area (the shows_* tests below) that failed to be taken.
no_shot() {
    why="no screenshot"
    return 1
}

# The client area shows the black, untouched canvas.
shows_black() {
    shot "$e2e_work/shot.rgb" || no_shot || return 1
    why="$(count_colour "$e2e_work/shot.rgb" 000000) of $((CLIENT_W * CLIENT_H)) pixels black"
    [ "$(md5_of "$e2e_work/shot.rgb")" = "$black_md5" ]
}

# The client area is mostly the cover's colour.
shows_cover() {
    shot "$e2e_work/shot.rgb" || no_shot || return 1
    local n
    n=$(count_colour "$e2e_work/shot.rgb" "$COVER_COLOUR")
    why="$n of $((CLIENT_W * CLIENT_H)) pixels of the cover's colour"
    [ "$n" -ge $((CLIENT_W * CLIENT_H * 9 / 10)) ]
}

# The client area shows a 竹 frame, at or after frame $1; sets $seen_frame.
shows_frame() {
    shot "$e2e_work/shot.rgb" || no_shot || return 1
    seen_frame=$(frame_of "$e2e_work/shot.rgb")
    why="shows ${seen_frame:+frame }${seen_frame:-none of the 竹 frames}, after frame $1"
    [ -n "$seen_frame" ] && [ "$seen_frame" -ge "$1" ]
}

# The window is no longer shown.
gone() {
    why="it is still there"
    ! windows_of "$app_pid" | grep -qx "$1"
}

# WINDOW is modal and belongs to the main window, as GTK tells the window manager.
modal_over_main() {
    local props
    props=$(x xprop -id "$1" WM_TRANSIENT_FOR _NET_WM_STATE 2>&1)
    why=$(echo "$props" | tr '\n' ' ')
    echo "$props" | grep -q '_NET_WM_STATE_MODAL' &&
        echo "$props" | grep -q "WM_TRANSIENT_FOR(WINDOW): window id # $(printf '0x%x' "$main_window")\$"
}

# The program's process has ended (and is reaped: sets $exit_status).
ended() {
    why="still running"
    kill -0 "$app_pid" 2>/dev/null && return 1
    wait "$app_pid"
    exit_status=$?
}

# Maps a plain window of one colour over the program's window.
COVER_COLOUR=FF00FF
cover_pid=""
cover() {
    xmessage -geometry 300x300+0+0 -xrm "*background: #$COVER_COLOUR" -xrm "*foreground: #$COVER_COLOUR" \
        -xrm "*borderWidth: 0" " " >/dev/null 2>&1 &
    cover_pid=$!
    e2e_track "$cover_pid"
}
uncover() {
    e2e_stop "$cover_pid"
}

# open_menu_item N: opens メニュー from the menu bar and clicks its Nth item;
# the popup's items are evenly spaced over its height.
open_menu_item() {
    local popup
    x xdotool mousemove "$((win_x + 20))" "$((win_y + menu_h / 2))" click 1
    popup=$(until_ok 5 find_other "$app_pid" "$main_window")
    if [ -z "$popup" ]; then
        why="no popup appeared"
        return 1
    fi
    geometry "$popup"
    x xdotool mousemove "$((GX + GW / 2))" "$((GY + GH * (2 * $1 - 1) / (2 * MENU_ITEMS)))" click 1
    # The popup must be gone before shots of the client area.
    until_ok 5 gone "$popup" || return 1
    x xdotool mousemove 1000 700
}

# --- Without a display -------------------------------------------------------
# GTK would try Wayland first if one were named; only X is in question here.
no_display() {  # ENV-ARGS...: sets why
    local status lines
    timeout -k 2 20 env -u WAYLAND_DISPLAY -u GDK_BACKEND "$@" "$bin_dir/pofurin" \
        >"$e2e_work/nodisplay.out" 2>"$e2e_work/nodisplay.err"
    status=$?
    lines=$(wc -l <"$e2e_work/nodisplay.err")
    why="exit code $status, $lines line(s): $(head -c 300 "$e2e_work/nodisplay.err" | tr '\n' '|')"
    [ $status -eq 1 ] && [ "$lines" -eq 1 ] && [ ! -s "$e2e_work/nodisplay.out" ] &&
        grep -qi display "$e2e_work/nodisplay.err"
}
check "DISPLAY unset: one line on stderr, exit code 1" no_display -u DISPLAY
check "DISPLAY empty: one line on stderr, exit code 1" no_display DISPLAY=
check "DISPLAY bogus: one line on stderr, exit code 1" no_display DISPLAY=bogus-display
echo "INFO the line: $(cat "$e2e_work/nodisplay.err")"

# --- Reference frames, drawn while the display comes up ---------------------
"$bin_dir/pofurin-render" --run "take $REFERENCE_FRAMES" --out "$e2e_work/frames" >"$e2e_work/render.log" 2>&1 &
render_pid=$!
e2e_track "$render_pid"

e2e_start_xvfb
# No accessibility bus on a bare Xvfb.
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
unset WAYLAND_DISPLAY

head -c $((CLIENT_W * CLIENT_H * 3)) /dev/zero >"$e2e_work/black.rgb"
black_md5=$(md5_of "$e2e_work/black.rgb")

"$bin_dir/pofurin" >"$e2e_work/pofurin.out" 2>"$e2e_work/pofurin.err" &
app_pid=$!
e2e_track "$app_pid"

main_window=$(until_ok 20 find_titled "$app_pid" "$TITLE")
if [ -z "$main_window" ]; then
    failed "a window titled $TITLE appears" "visible windows: $(windows_of "$app_pid" | tr '\n' ' ')"
    e2e_fail "cannot go on without the window; stderr: $(head -c 300 "$e2e_work/pofurin.err")"
fi
pass "a window titled $TITLE appears"

# The client area is the bottom of the window, under the menu bar.
geometry "$main_window"
win_x=$GX win_y=$GY
menu_h=$((GH - CLIENT_H))
client_x=$GX client_y=$((GY + menu_h))
why="the window is ${GW}x${GH} at ($GX,$GY)"
check "a menu bar above a ${CLIENT_W}x${CLIENT_H} client area" test "$GW" -eq $CLIENT_W -a $menu_h -ge 16 -a $menu_h -le 60

# --- Before any command ------------------------------------------------------
check "before any command the client area is all black" until_ok 5 shows_black

# No frame is drawn yet, so what shows after uncovering comes from the
# window's kept pixels.
cover
check "a window mapped over it covers the client area" until_ok 5 shows_cover
uncover
check "uncovered, it shows the black canvas again" until_ok 5 shows_black

# --- 竹 -----------------------------------------------------------------------
until_ok "$(e2e_remaining)" bash -c "! kill -0 $render_pid 2>/dev/null"
wait "$render_pid"
render_status=$?
declare -A reference=()
mkdir -p "$e2e_work/crops"
if [ $render_status -eq 0 ] &&
    x convert "$e2e_work/frames/frame-*.png[${CLIENT_W}x${CLIENT_H}+0+0]" +repage -depth 8 \
        "$e2e_work/crops/crop-%03d.rgb"; then
    n=0
    for crop in "$e2e_work"/crops/crop-*.rgb; do
        n=$((n + 1))
        reference[$(md5_of "$crop")]=$n
    done
fi
[ ${#reference[@]} -eq $REFERENCE_FRAMES ] ||
    e2e_fail "pofurin-render gave ${#reference[@]} distinct frames (status $render_status): $(tail -n 2 "$e2e_work/render.log")"

check "メニュー pops up, and a click on its 竹 item closes it" open_menu_item $TAKE_ITEM

# Shots until five different frames were seen (a 100 ms tick, so a few
# seconds at most): every one must be a 竹 frame, and they must come in order.
frames_seen=()
strangers=0
for _ in $(seq 60); do
    [ $SECONDS -lt $e2e_deadline ] || break
    shot "$e2e_work/shot.rgb" || continue
    f=$(frame_of "$e2e_work/shot.rgb")
    if [ -z "$f" ]; then
        strangers=$((strangers + 1))
        cp "$e2e_work/shot.rgb" "$e2e_work/stranger.rgb"
    elif [ ${#frames_seen[@]} -eq 0 ] || [ "${frames_seen[${#frames_seen[@]} - 1]}" != "$f" ]; then
        frames_seen+=("$f")
    fi
    [ ${#frames_seen[@]} -ge 5 ] && break
    sleep 0.05
done
echo "INFO frames seen after 竹: ${frames_seen[*]:-none}"
why="frames seen: ${frames_seen[*]:-none}"
check "after 竹 the client area changes from tick to tick" test ${#frames_seen[@]} -ge 5
why="$strangers shot(s) matched none of the 竹 frames 1..$REFERENCE_FRAMES"
check "every shot after 竹 is a 竹 frame" test $strangers -eq 0
in_order=1
for ((i = 1; i < ${#frames_seen[@]}; i++)); do
    [ "${frames_seen[i]}" -gt "${frames_seen[i - 1]}" ] || in_order=0
done
why="frames seen: ${frames_seen[*]:-none}"
check "the 竹 frames come in order" test $in_order -eq 1

# Covered and uncovered while it animates: what shows again is a whole 竹
# frame, neither the cover nor a mix.
last_seen=0
[ ${#frames_seen[@]} -gt 0 ] && last_seen=${frames_seen[${#frames_seen[@]} - 1]}
cover
check "a window mapped over the animation covers it" until_ok 5 shows_cover
uncover
check "uncovered, it shows a 竹 frame again" until_ok 5 shows_frame "$last_seen"

# --- About box ---------------------------------------------------------------
# about_by KEYS OPEN-KEY CLOSE-KEY. No window manager gives the focus, so the
# test does, as a user's click would.
about_by() {
    local about
    x xdotool windowfocus --sync "$main_window" 2>/dev/null
    x xdotool key "$2" 2>/dev/null
    about=$(until_ok 5 find_titled "$app_pid" "$ABOUT_TITLE")
    why="visible windows: $(windows_of "$app_pid" | tr '\n' ' ')"
    check "$1 opens a window titled $ABOUT_TITLE" test -n "$about"
    [ -n "$about" ] || return
    check "it is modal, over the main window" modal_over_main "$about"
    x xdotool windowfocus --sync "$about" 2>/dev/null
    x xdotool key "$3" 2>/dev/null
    check "$3 closes it" until_ok 5 gone "$about"
}
about_by 'Alt+"?"' alt+question Escape
about_by 'Alt+"/"' alt+slash Return
why="it ended"
check "the program still runs with the About box closed" kill -0 "$app_pid"

# --- Exit --------------------------------------------------------------------
check "メニュー pops up, and a click on its exit item closes it" open_menu_item $EXIT_ITEM
exit_status=""
check "the process ends" until_ok 10 ended
why="exit code ${exit_status:-none}"
check "with exit code 0" test "$exit_status" = 0
why=$(head -c 300 "$e2e_work/pofurin.err" | tr '\n' '|')
check "nothing was written to stderr" test ! -s "$e2e_work/pofurin.err"

[ $failures -eq 0 ] || e2e_fail "$failures check(s) failed"
echo "PASS gtk-e2e"
