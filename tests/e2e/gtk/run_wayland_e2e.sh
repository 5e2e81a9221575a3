#!/usr/bin/env bash
# The desktop program bin/pofurin on headless weston (pixman), at output
# scale 1 and 2, and once more at 2 with WIN32_GTK_NO_SHM=1: weston has no
# input devices, so it is driven through the accessibility bus. Checks the
# window, which path shows its client area (our subsurface, or GTK's drawing
# with no subsurface), that 竹 animates with every shot exactly a
# pofurin-render frame in N x N blocks, and exit code 0 after the exit item.
#
# Usage: run_wayland_e2e.sh BIN_DIR (holding pofurin and pofurin-render)
# Prints PASS or FAIL per check; exit code 0 only if every check passed.
set -uo pipefail

# The accessibility bus hangs off a session bus of our own.
if [ -z "${POFURIN_E2E_SESSION:-}" ]; then
    command -v dbus-run-session >/dev/null || { echo "FAIL wayland-e2e: dbus-run-session not found" >&2; exit 1; }
    POFURIN_E2E_SESSION=1 exec dbus-run-session -- bash "$0" "$@" 2>&1
fi
source "$(dirname "$0")/../lib.sh"
e2e_init wayland-e2e "${POFURIN_E2E_TIME_LIMIT:-200}"
bin_dir=$(cd "${1:-}" 2>/dev/null && pwd) || e2e_fail "usage: $0 BIN_DIR"
e2e_require weston weston-screenshooter weston-debug convert md5sum /usr/bin/python3
TITLE="ポフリン発生ソフト"
CLIENT_W=194 CLIENT_H=156

# place: the client area from weston's scene graph, in device pixels
# (AX AY; logical place times the scale), and SUBSURFACES, how many
# subsurfaces of the program's have its size and place.
place() {
    x weston-debug scene-graph >"$e2e_work/scene" 2>/dev/null
    read -r AX AY SUBSURFACES < <(awk -v pid="$app_pid" -v w=$CLIENT_W -v h=$CLIENT_H -v s="$scale" '
        /^\tView / { view = $0 ~ "PID " pid "," ? ($0 ~ /xdg_toplevel/ ? "top" : $0 ~ /wl_subsurface/ ? "sub" : "") : "" }
        view == "top" && /opaque: \(/ { gsub(/[^0-9]+/, " "); split($0, p, " "); x = p[1]; y = p[4] - h }
        view == "sub" && /position: \(/ { gsub(/[^0-9]+/, " "); split($0, p, " "); sub_at[p[1] "," p[2] "," p[3] - p[1] "," p[4] - p[2]]++ }
        END { if (x != "") print x * s, y * s, sub_at[x "," y "," w "," h] + 0 }' "$e2e_work/scene")
    [ -n "${AX:-}" ]
}

subsurfaces() {  # N: place finds N of our subsurfaces over the client area
    place
    why="${SUBSURFACES:-no} subsurface(s) over it: $(grep -A1 "PID $app_pid" "$e2e_work/scene" | tr '\n\t' '  ')"
    [ "${SUBSURFACES:-0}" -eq "$1" ]
}

# frame_shot: one screenshot's client area as a 竹 frame number in $seen,
# empty when it is none of them or not in whole scale x scale blocks.
frame_shot() {
    seen=""
    rm -f "$e2e_work"/shots/*.png
    (cd "$e2e_work/shots" && x weston-screenshooter >/dev/null 2>&1)
    local png=("$e2e_work"/shots/*.png)
    [ -f "${png[0]}" ] || return 1
    x convert "${png[0]}" -crop "$((CLIENT_W * scale))x$((CLIENT_H * scale))+$AX+$AY" +repage -depth 8 "rgb:$e2e_work/screen" &&
        x convert -size "$((CLIENT_W * scale))x$((CLIENT_H * scale))" -depth 8 "rgb:$e2e_work/screen" \
            -sample "${CLIENT_W}x${CLIENT_H}!" -depth 8 "rgb:$e2e_work/shot" &&
        x convert -size "${CLIENT_W}x${CLIENT_H}" -depth 8 "rgb:$e2e_work/shot" \
            -sample "$((CLIENT_W * scale))x$((CLIENT_H * scale))!" -depth 8 "rgb:$e2e_work/blocks" || return 1
    cmp -s "$e2e_work/screen" "$e2e_work/blocks" && seen=${reference[$(md5sum <"$e2e_work/shot" | cut -c1-32)]:-}
    return 0
}

ended() {
    why="still running"
    kill -0 "$app_pid" 2>/dev/null && return 1
    wait "$app_pid"
    exit_status=$?
}

# --- Reference frames of 竹: the first 10 s of the normal 100 ms tick --------
x "$bin_dir/pofurin-render" --run "take 100" --out "$e2e_work/frames" >"$e2e_work/render.log" 2>&1 &&
    x convert "$e2e_work/frames/frame-*.png[${CLIENT_W}x${CLIENT_H}+0+0]" +repage -depth 8 "$e2e_work/crop-%03d.rgb" ||
    e2e_fail "pofurin-render: $(tail -n 2 "$e2e_work/render.log")"
declare -A reference=()
for crop in "$e2e_work"/crop-*.rgb; do
    n=${crop##*crop-} n=$((10#${n%.rgb} + 1))
    reference[$(md5sum <"$crop" | cut -c1-32)]=$n
done
[ ${#reference[@]} -eq 100 ] || e2e_fail "pofurin-render gave ${#reference[@]} distinct frames of 100"

head -c $((CLIENT_W * CLIENT_H * 3)) /dev/zero >"$e2e_work/black"
# No fading or zooming windows in and out: shots show the program's pixels.
printf '[shell]\nanimation=none\nstartup-animation=none\nclose-animation=none\n' >"$e2e_work/weston.ini"
export XDG_RUNTIME_DIR=$e2e_work/runtime GDK_BACKEND=wayland
mkdir -m 700 -p "$XDG_RUNTIME_DIR" "$e2e_work/shots"
unset DISPLAY GDK_SCALE GDK_DPI_SCALE NO_AT_BRIDGE
for run in "1 ours" "2 ours" "2 GTK's"; do
    read -r scale path <<<"$run"
    [ "$path" = ours ] && unset WIN32_GTK_NO_SHM || export WIN32_GTK_NO_SHM=1
    echo "--- output scale $scale, client area drawn by $path"
    export WAYLAND_DISPLAY=pofurin-e2e-$scale-${path%\'s}
    weston --backend=headless-backend.so --use-pixman --debug --idle-time=0 --config="$e2e_work/weston.ini" --scale="$scale" --width=800 --height=600 \
        --socket="$WAYLAND_DISPLAY" >"$e2e_work/weston.log" 2>&1 &
    weston_pid=$!
    e2e_track "$weston_pid"
    until_ok 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || e2e_fail "weston did not start: $(tail -n 3 "$e2e_work/weston.log")"

    "$bin_dir/pofurin" >"$e2e_work/pofurin.out" 2>&1 &
    app_pid=$!
    e2e_track "$app_pid"
    check "a window titled $TITLE with a ${CLIENT_W}x$CLIENT_H client area" until_ok 20 place
    expected=1
    [ "$path" = ours ] || expected=0
    check "the client area is shown by $path (subsurfaces over it: $expected)" until_ok 5 subsurfaces $expected

    why="no accessible menu item"
    check "its 竹 menu item is clicked through the accessibility bus" until_ok 20 atspi_menu "$app_pid" "竹"
    frames=() strangers=0
    for _ in $(seq 40); do
        frame_shot || continue
        # Before the first tick: the untouched black canvas.
        [ -z "$seen" ] && [ ${#frames[@]} -eq 0 ] && cmp -s "$e2e_work/shot" "$e2e_work/black" && continue
        if [ -z "$seen" ]; then
            strangers=$((strangers + 1))
        elif [ ${#frames[@]} -eq 0 ] || [ "${frames[-1]}" != "$seen" ]; then
            frames+=("$seen")
        fi
        [ ${#frames[@]} -ge 5 ] && break
    done
    in_order=1
    for ((i = 1; i < ${#frames[@]}; i++)); do [ "${frames[i]}" -gt "${frames[i - 1]}" ] || in_order=0; done
    why="frames seen: ${frames[*]:-none}; $strangers shot(s) showed none of them"
    check "竹 animates: 5 frames in order, every shot exactly a pofurin-render frame in ${scale}x$scale blocks" \
        test ${#frames[@]} -ge 5 -a $strangers -eq 0 -a $in_order -eq 1

    why="no accessible exit item"
    check "its exit item is clicked" atspi_menu "$app_pid" "(X)"
    exit_status=""
    check "the process ends" until_ok 10 ended
    why="exit code ${exit_status:-none}: $(head -c 300 "$e2e_work/pofurin.out" | tr '\n' '|')"
    check "with exit code 0" test "$exit_status" = 0
    e2e_stop "$weston_pid"
done
[ $failures -eq 0 ] || e2e_fail "$failures check(s) failed"
echo "PASS wayland-e2e"
