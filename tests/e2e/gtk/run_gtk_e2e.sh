#!/usr/bin/env bash
# Drives the desktop program bin/pofurin like a user, with xdotool on a private
# Xvfb display, and checks what it shows against the frames pofurin-render
# draws headless. Without a window manager the program's windows sit at (0,0)
# undecorated; GTK's menus always pop up as override-redirect windows.
#
# Usage: run_gtk_e2e.sh BIN_DIR [--openbox] [--scale N]
#   BIN_DIR holds pofurin and pofurin-render (the Linux build's bin/).
#   --openbox: under the openbox window manager, with checks of the frame it
#     puts around the windows and of what it lets a user do with them.
#   --scale N: at GDK_SCALE=N, where every canvas pixel must show as an N x N
#     block of its colour.
#   With WIN32_GTK_NO_SHM=1 in the environment the client area must be drawn
#   by GTK; otherwise it must be the shared-memory X child window.
# Prints PASS or FAIL per check; exit code 0 only if every check passed.
# Everything it starts it also ends, within POFURIN_E2E_TIME_LIMIT seconds
# (default 150).
set -uo pipefail

source "$(dirname "$0")/../lib.sh"
e2e_init gtk-e2e "${POFURIN_E2E_TIME_LIMIT:-150}"

usage="usage: $0 BIN_DIR [--openbox] [--scale N]"
[ $# -ge 1 ] || e2e_fail "$usage"
bin_dir=$(cd "$1" 2>/dev/null && pwd) || e2e_fail "no such folder: $1"
shift
wm=""
scale=1
while [ $# -gt 0 ]; do
    case $1 in
        --openbox) wm=openbox ;;
        --scale)
            [[ ${2:-} =~ ^[1-4]$ ]] || e2e_fail "--scale takes 1 to 4: $usage"
            scale=$2
            shift
            ;;
        *) e2e_fail "$usage" ;;
    esac
    shift
done
no_shm=0
[ -n "${WIN32_GTK_NO_SHM:-}" ] && [ "${WIN32_GTK_NO_SHM}" != 0 ] && no_shm=1
e2e_name="gtk-e2e${wm:+ $wm}"
[ "$scale" -gt 1 ] && e2e_name="$e2e_name scale $scale"
[ $no_shm -eq 1 ] && e2e_name="$e2e_name drawn by GTK"
for file in pofurin pofurin-render; do
    [ -x "$bin_dir/$file" ] || e2e_fail "$bin_dir/$file is missing (build the linux preset)"
done
e2e_require timeout xdotool import convert xmessage xprop xwininfo md5sum

TITLE="ポフリン発生ソフト"
ABOUT_TITLE="ﾊﾞｰｼﾞｮﾝ情報"
CLIENT_W=194
CLIENT_H=156
# The client area on the screen, in device pixels.
SHOT_W=$((CLIENT_W * scale))
SHOT_H=$((CLIENT_H * scale))
MENU_ITEMS=6  # メニュー: 梅, 竹, 松, fast, normal, exit
TAKE_ITEM=2
EXIT_ITEM=6
# Reference frames of 竹: enough for the first 10 s of the normal 100 ms tick.
REFERENCE_FRAMES=100


# shot FILE: the client area as it is on the screen, overlapping windows
# included, as raw 8-bit RGB of its CLIENT_W x CLIENT_H canvas pixels. When
# scaled, one pixel of each block stands for it, and $blocky says whether
# every block was of one colour.
blocky=1
shot() {
    if [ "$scale" -eq 1 ]; then
        x import -silent -window root -crop "${SHOT_W}x${SHOT_H}+${client_x}+${client_y}" +repage -depth 8 "rgb:$1" 2>/dev/null
        return
    fi
    x import -silent -window root -crop "${SHOT_W}x${SHOT_H}+${client_x}+${client_y}" +repage -depth 8 \
        "rgb:$1.screen" 2>/dev/null || return 1
    x convert -size "${SHOT_W}x${SHOT_H}" -depth 8 "rgb:$1.screen" -sample "${CLIENT_W}x${CLIENT_H}!" \
        -depth 8 "rgb:$1" 2>/dev/null || return 1
    x convert -size "${CLIENT_W}x${CLIENT_H}" -depth 8 "rgb:$1" -sample "${SHOT_W}x${SHOT_H}!" \
        -depth 8 "rgb:$1.blocks" 2>/dev/null || return 1
    blocky=0
    cmp -s "$1.screen" "$1.blocks" && blocky=1
    return 0
}

md5_of() { md5sum <"$1" | cut -c1-32; }

# Pixels of FILE (a client-area shot) with colour #RRGGBB.
count_colour() {
    convert -size "${CLIENT_W}x${CLIENT_H}" -depth 8 "rgb:$1" -format %c histogram:info:- 2>/dev/null |
        awk -v c="#$2" 'toupper($3) == toupper(c) { sub(":", "", $1); n += $1 } END { print n + 0 }'
}

# The 竹 frame number (1-based) a shot shows, or nothing (also for a scaled
# shot whose blocks are not all of one colour).
frame_of() {
    [ "$blocky" -eq 1 ] && echo "${reference[$(md5_of "$1")]:-}"
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
    [ "$blocky" -eq 1 ] || why="$why (not in ${scale}x$scale blocks of one colour)"
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
    local x=$((win_x > 20 ? win_x - 20 : 0)) y=$((win_y > 40 ? win_y - 40 : 0))
    xmessage -geometry "$((SHOT_W + 100))x$((SHOT_H + menu_h + 100))+$x+$y" -xrm "*background: #$COVER_COLOUR" \
        -xrm "*foreground: #$COVER_COLOUR" -xrm "*borderWidth: 0" " " >/dev/null 2>&1 &
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
    x xdotool mousemove 0 0
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
# The same whatever the display would have been: checked in the plain run only.
if [ -z "$wm" ] && [ "$scale" -eq 1 ] && [ $no_shm -eq 0 ]; then
    check "DISPLAY unset: one line on stderr, exit code 1" no_display -u DISPLAY
    check "DISPLAY empty: one line on stderr, exit code 1" no_display DISPLAY=
    check "DISPLAY bogus: one line on stderr, exit code 1" no_display DISPLAY=bogus-display
    echo "INFO the line: $(cat "$e2e_work/nodisplay.err")"
fi

# --- Reference frames, drawn while the display comes up ---------------------
"$bin_dir/pofurin-render" --run "take $REFERENCE_FRAMES" --out "$e2e_work/frames" >"$e2e_work/render.log" 2>&1 &
render_pid=$!
e2e_track "$render_pid"

# Room for the menu popping up beside a scaled window.
e2e_start_xvfb "$((1024 * (scale > 1 ? 2 : 1)))x$((768 * (scale > 1 ? 2 : 1)))"
[ -n "$wm" ] && e2e_start_openbox
# No accessibility bus on a bare Xvfb.
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
unset WAYLAND_DISPLAY
if [ "$scale" -gt 1 ]; then export GDK_SCALE=$scale; else unset GDK_SCALE; fi
unset GDK_DPI_SCALE

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
win_x=$GX win_y=$GY win_w=$GW win_h=$GH
menu_h=$((GH - SHOT_H))
client_x=$GX client_y=$((GY + menu_h))
why="the window is ${GW}x${GH} at ($GX,$GY)"
check "a menu bar above a ${SHOT_W}x${SHOT_H} client area" \
    test "$GW" -eq $SHOT_W -a $menu_h -ge $((16 * scale)) -a $menu_h -le $((60 * scale))

# How the client area reaches the screen: as an X child window of exactly
# its size and place, or drawn by GTK into the window itself.
child_windows() {
    x xwininfo -children -id "$main_window" 2>/dev/null | grep -cE "^ +0x[0-9a-f]+ .* ${SHOT_W}x${SHOT_H}\+0\+${menu_h} "
}
children=$(child_windows)
if [ $no_shm -eq 1 ]; then
    why="$children child window(s) of the client area's size"
    check "WIN32_GTK_NO_SHM: GTK draws the client area, no X child window" test "$children" -eq 0
else
    why="$children child window(s) of the client area's size: $(x xwininfo -children -id "$main_window" | tr '\n' '|')"
    check "the client area is an X child window of its own" test "$children" -eq 1
fi

# --- Under a window manager ---------------------------------------------------
# What openbox made of the window's hints: its title in the title bar, a
# frame that only moves it, no resizing, its size kept.
prop() {  # WINDOW PROPERTY: the value after " = ", or nothing
    x xprop -id "$1" "$2" 2>/dev/null | sed -n 's/^[^=]* = //p'
}
allowed_lacks() {  # WINDOW ACTION...
    local actions a
    actions=$(prop "$1" _NET_WM_ALLOWED_ACTIONS)
    shift
    why="allowed: $actions"
    [ -n "$actions" ] || return 1
    for a in "$@"; do
        echo "$actions" | grep -qw "_NET_WM_ACTION_$a" && return 1
    done
    return 0
}
motif_is() {  # WINDOW FUNCTIONS DECORATIONS: the Motif hints ask for exactly these
    local hints
    hints=$(prop "$1" _MOTIF_WM_HINTS)
    why="_MOTIF_WM_HINTS = ${hints:-none}"
    [ "$(echo "$hints" | cut -d, -f1-3 | tr -d ' ')" = "0x3,$2,$3" ]
}
visible_name_is() {  # WINDOW TITLE
    local name
    name=$(prop "$1" _NET_WM_VISIBLE_NAME)
    why="the window manager shows ${name:-nothing}"
    [ "$name" = "\"$2\"" ]
}
frame_extents() {  # WINDOW: sets FL FR FT FB
    IFS=', ' read -r FL FR FT FB < <(prop "$1" _NET_FRAME_EXTENTS)
    FL=${FL:-0} FR=${FR:-0} FT=${FT:-0} FB=${FB:-0}
}
# Motif functions: 0x4 move, 0x20 close; decorations: 0x2 border, 0x8 title,
# 0x10 window menu.
if [ -n "$wm" ]; then
    check "the title bar shows $TITLE" visible_name_is "$main_window" "$TITLE"
    frame_extents "$main_window"
    why="frame extents left $FL, right $FR, top $FT, bottom $FB"
    check "the window manager framed it with a title bar" test "$FT" -ge 10
    echo "INFO outer size $((win_w + FL + FR))x$((win_h + FT + FB)): the window ${win_w}x${win_h} in a frame of $FL, $FR, $FT, $FB"
    check "the window's hints ask only to move it: no close, minimise, maximise or resize" motif_is "$main_window" 0x4 0xa
    check "openbox offers no resizing or maximising" allowed_lacks "$main_window" RESIZE MAXIMIZE_HORZ MAXIMIZE_VERT
    echo "INFO openbox allows: $(prop "$main_window" _NET_WM_ALLOWED_ACTIONS)"
    # A resize request, as a tool or a keyboard shortcut would send it.
    x xdotool windowsize "$main_window" 400 400 2>/dev/null
    sleep 0.5
    geometry "$main_window"
    why="it is ${GW}x${GH}, was ${win_w}x${win_h}"
    check "asked to become 400x400, it keeps its size" test "$GW" -eq "$win_w" -a "$GH" -eq "$win_h"
    x xdotool mousemove 0 0
fi

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
# Bottom to top, the stacking of the managed windows: WINDOW above the main one.
stacked_above_main() {
    local list
    list=$(x xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | sed -n 's/^.*# //p' | tr -d ' ')
    why="stacking, bottom to top: $list"
    echo ",$list," | grep -qE ",$(printf '0x%x' "$main_window"),([^,]*,)*$(printf '0x%x' "$1"),"
}
# focus WINDOW: without a window manager the test gives the focus, as a
# user's click would; with one, it asks the manager to.
focus() {
    if [ -n "$wm" ]; then
        x xdotool windowactivate --sync "$1" 2>/dev/null
    else
        x xdotool windowfocus --sync "$1" 2>/dev/null
    fi
}
# about_by KEYS OPEN-KEY CLOSE-KEY.
about_by() {
    local about
    focus "$main_window"
    x xdotool key "$2" 2>/dev/null
    about=$(until_ok 5 find_titled "$app_pid" "$ABOUT_TITLE")
    why="visible windows: $(windows_of "$app_pid" | tr '\n' ' ')"
    check "$1 opens a window titled $ABOUT_TITLE" test -n "$about"
    [ -n "$about" ] || return
    check "it is modal, over the main window" modal_over_main "$about"
    if [ -n "$wm" ]; then
        check "its title bar shows $ABOUT_TITLE" until_ok 5 visible_name_is "$about" "$ABOUT_TITLE"
        check "openbox stacks it above the main window" until_ok 5 stacked_above_main "$about"
        check "its hints ask to move and close it, nothing else" motif_is "$about" 0x24 0x1a
    fi
    focus "$about"
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
echo "PASS $e2e_name"
