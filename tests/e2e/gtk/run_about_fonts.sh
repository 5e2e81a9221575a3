#!/usr/bin/env bash
# The About box at three desktop fonts, on X11 (Xvfb) and on Wayland
# (headless weston): GTK's default, "Sans 11", and "Sans 11" with
# GDK_DPI_SCALE=1.25. Every control must lie inside the box, none over
# another (about_layout.py reads them from the accessibility tree).
#
# Usage: run_about_fonts.sh BIN_DIR
set -uo pipefail
source "$(dirname "$0")/../lib.sh"
e2e_init about-fonts "${POFURIN_E2E_TIME_LIMIT:-150}"
[ $# -eq 1 ] || e2e_fail "usage: $0 BIN_DIR"
e2e_require dbus-run-session /usr/bin/python3
layout=$(dirname "$0")/about_layout.py
bin_dir=$(cd "$1" && pwd) || e2e_fail "no such folder: $1"

e2e_start_xvfb
e2e_start_weston
# "Sans 11" as GTK reads it on X11 (settings.ini) and on Wayland (GSettings).
mkdir -p "$e2e_work/sans11/gtk-3.0" "$e2e_work/sans11/glib-2.0/settings" "$e2e_work/default"
printf '[Settings]\ngtk-font-name=Sans 11\n' >"$e2e_work/sans11/gtk-3.0/settings.ini"
printf "[org/gnome/desktop/interface]\nfont-name='Sans 11'\n" >"$e2e_work/sans11/glib-2.0/settings/keyfile"

about_at() {  # BACKEND CONFIG DPI_SCALE
    local out=$e2e_work/about-$1-$2-$3.log
    XDG_CONFIG_HOME=$e2e_work/$2 GSETTINGS_BACKEND=keyfile GDK_BACKEND=$1 GDK_DPI_SCALE=$3 \
        timeout -k 5 60 dbus-run-session -- /usr/bin/python3 "$layout" "$bin_dir/pofurin" >"$out" 2>/dev/null
    local status=$?
    grep INFO "$out"
    why=$(grep FAIL "$out" | tr '\n' ' ')
    return $status
}
for backend in x11 wayland; do
    for setting in "default 1" "sans11 1" "sans11 1.25"; do
        set -- $setting
        check "the About box on $backend, font $1, GDK_DPI_SCALE=$2" about_at "$backend" "$1" "$2"
    done
done
[ $failures -eq 0 ] || e2e_fail "$failures check(s) failed"
echo "PASS about-fonts"
