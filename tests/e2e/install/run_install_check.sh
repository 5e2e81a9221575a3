#!/usr/bin/env bash
# Installs the Linux build into a temporary prefix and checks what a desktop
# and a distribution get: the layout, the desktop entry and AppStream data as
# their validators see them, the icons' sizes, the manual page, the version the
# resources carry, and the .deb and the Windows zip that CPack makes (read with
# dpkg-deb and lintian, never installed), the catalogue compose makes, the
# program's id and its About box on X11 and on Wayland.
#
# Usage: run_install_check.sh SOURCE_DIR
#   SOURCE_DIR holds CMakePresets.json; the linux and windows presets are built.
# Prints PASS or FAIL per check; exit code 0 only if every check passed.
set -uo pipefail

source "$(dirname "$0")/../lib.sh"
e2e_init install-check "${POFURIN_E2E_TIME_LIMIT:-200}"

[ $# -eq 1 ] || e2e_fail "usage: $0 SOURCE_DIR"
src=$(cd "$1" 2>/dev/null && pwd) || e2e_fail "no such folder: $1"
e2e_require desktop-file-validate appstreamcli man dpkg-deb dpkg-shlibdeps cpack identify convert \
    x86_64-w64-mingw32-windres timeout compare lintian xprop weston dbus-run-session
export LC_ALL=C.UTF-8

ID=io.github.pofurin.Pofurin
NAME="ポフリン発生ソフト"


prefix=$e2e_work/prefix
timeout "$(e2e_remaining)" cmake --install "$src/build/linux" --prefix "$prefix" >"$e2e_work/install.log" 2>&1 ||
    e2e_fail "cmake --install failed: $(tail -n 3 "$e2e_work/install.log")"

expected_files=$(printf '%s\n' bin/pofurin bin/pofurin-render share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml \
    share/doc/pofurin/{changelog.gz,copyright} share/man/man1/{pofurin,pofurin-render}.1.gz \
    share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$ID.png | sort)
layout() {
    local found
    found=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
    [ "$found" = "$expected_files" ] || { why="installed: $(echo $found)"; return 1; }
    [ -x "$prefix/bin/pofurin" ] && [ -x "$prefix/bin/pofurin-render" ] || { why="binaries not executable"; return 1; }
}
check layout layout

desktop_entry() {
    local file=$prefix/share/applications/$ID.desktop out
    out=$(desktop-file-validate "$file" 2>&1) || { why=$out; return 1; }
    [ -z "$out" ] || { why="warnings: $out"; return 1; }
    for line in "Name=$NAME" "Exec=pofurin" "Icon=$ID" "Terminal=false" "Type=Application" "StartupWMClass=$ID"; do
        grep -qxF "$line" "$file" || { why="no line $line"; return 1; }
    done
}
check desktop-entry desktop_entry

metainfo() {
    local file=$prefix/share/metainfo/$ID.metainfo.xml out
    out=$(appstreamcli validate --no-net "$file" 2>&1) || { why=$out; return 1; }
    grep -qF "<id>$ID</id>" "$file" && grep -qF "<launchable type=\"desktop-id\">$ID.desktop</launchable>" "$file" &&
        grep -qF "<name>$NAME</name>" "$file" && grep -q "<screenshot " "$file" ||
        { why="id, launchable, name or screenshot missing"; return 1; }
}
check metainfo metainfo

# Each icon: its size, an alpha channel, a transparent corner and the opaque
# colour the program's icon has at its centre (navy inside the large target,
# cyan inside the small one), and the 16 or 32 pixel icon enlarged by whole pixels.
icon() {
    local size=$1 centre=$2 from=$3 file=$prefix/share/icons/hicolor/$1x$1/apps/$ID.png got k=$(($1 / $3))
    got=$(identify -format '%w %h %[channels]' "$file" 2>&1)
    [ "$got" = "$size $size srgba" ] || { why="$got"; return 1; }
    got=$(convert "$file" -format '%[pixel:p{0,0}] %[pixel:p{'$((size / 2)),$((size / 2))'}]' info: 2>&1)
    [ "$got" = "srgba(0,0,0,0) $centre" ] || { why="corner, centre: $got"; return 1; }
    got=$(convert "$file" -shave $(((size - from * k) / 2)) -sample "${from}x$from" png:- |
        compare -metric AE - "${file//${size}x$size/${from}x$from}" null: 2>&1)
    [ "$got" = 0 ] || { why="$got pixels differ from the $from pixel icon enlarged $k times"; return 1; }
}
for i in 16/16/0,255,255 24/16/0,255,255 32/32/0,0,128 48/16/0,255,255 64/32/0,0,128 128/32/0,0,128 256/32/0,0,128; do
    IFS=/ read -r size from rgb <<<"$i" && check icon-$size icon $size "srgba($rgb,1)" $from
done

# The page renders without a warning and names every option --help lists; pofurin(1) has none.
manual() {
    local page=$prefix/share/man/man1/pofurin-render.1.gz text option
    text=$(MANWIDTH=80 man --warnings -l "${page/-render}" 2>&1) && grep -q "takes no options" <<<"$text" &&
        ! grep -qi warning <<<"$text" || { why="pofurin(1): $(head -n 3 <<<"$text")"; return 1; }
    text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$e2e_work/man.err") || { why="man failed"; return 1; }
    [ ! -s "$e2e_work/man.err" ] || { why=$(head -n 3 "$e2e_work/man.err"); return 1; }
    grep -q "^SCRIPT" <<<"$text" && grep -q "^EXIT STATUS" <<<"$text" || { why="sections missing"; return 1; }
    for option in $("$prefix/bin/pofurin-render" --help | grep -o -- '--[a-z]*' | sort -u); do
        grep -qe "$option" <<<"$text" || { why="$option undocumented"; return 1; }
    done
}
check manual-page manual

# A software centre's catalogue keeps the component and its icons.
compose() {
    why=$(appstreamcli compose --no-net --prefix=/ --origin=pofurin --result-root="$e2e_work/swcatalog" "$prefix" 2>&1) &&
        zgrep -qF "<icon type=\"cached\" width=\"64\" height=\"64\">$ID.png" "$e2e_work"/swcatalog/share/swcatalog/xml/*
}
check appstream-compose compose

# The id: on X11 WM_CLASS, with the launcher's startup id and the icons at
# distinct sizes; on Wayland the app id.
identity() {
    local pid window
    DESKTOP_STARTUP_ID=e2e_TIME0 GDK_BACKEND=x11 NO_AT_BRIDGE=1 "$prefix/bin/pofurin" 2>/dev/null &
    pid=$! && e2e_track $pid
    window=$(until_ok 20 find_titled $pid "$NAME")
    why=$(x xprop -id "$window" WM_CLASS; x xprop -id "$(x xprop -id "$window" WM_CLIENT_LEADER | grep -o '0x.*')" _NET_STARTUP_ID
        x xprop -id "$window" -notype 32c _NET_WM_ICON |
        awk -F' = ' '{ n = split($2, a, ", "); for (i = 1; i < n; i += 2 + a[i] * a[i + 1]) printf "%sx%s ", a[i], a[i + 1] }'
        WAYLAND_DEBUG=1 GDK_BACKEND=wayland NO_AT_BRIDGE=1 timeout 10 "$prefix/bin/pofurin" 2>&1 | grep -m 1 -o 'set_app_id(.*)')
    [ "$why" = "WM_CLASS(STRING) = \"$ID\", \"$ID\"
_NET_STARTUP_ID(UTF8_STRING) = \"e2e_TIME0\"
16x16 32x32 48x48 64x64 128x128 set_app_id(\"$ID\")" ]
}
export XDG_RUNTIME_DIR=$e2e_work/runtime WAYLAND_DISPLAY=pofurin-e2e
mkdir -p -m 700 "$XDG_RUNTIME_DIR" && e2e_start_xvfb
weston --backend=headless-backend.so --use-pixman --socket=$WAYLAND_DISPLAY >"$e2e_work/weston.log" 2>&1 &
e2e_track $! && until_ok 10 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || e2e_fail "no weston: $(tail -n 2 "$e2e_work/weston.log")"
check identity identity

# The About box at GTK's default font, at "Sans 11" (as X11 and Wayland read it) and at "Sans 11" with
# GDK_DPI_SCALE 1.25: every control inside it, none over another (about_layout.py).
mkdir -p "$e2e_work/sans11/gtk-3.0" "$e2e_work/sans11/glib-2.0/settings"
printf '[Settings]\ngtk-font-name=Sans 11\n' >"$e2e_work/sans11/gtk-3.0/settings.ini"
printf "[org/gnome/desktop/interface]\nfont-name='Sans 11'\n" >"$e2e_work/sans11/glib-2.0/settings/keyfile"
for run in {x11,wayland}\ {default\ 1,sans11\ 1,sans11\ 1.25}; do
    set -- $run
    GDK_BACKEND=$1 XDG_CONFIG_HOME=$e2e_work/$2 GSETTINGS_BACKEND=keyfile GDK_DPI_SCALE=$3 timeout -k 5 60 dbus-run-session -- \
        /usr/bin/python3 "$src/tests/e2e/gtk/about_layout.py" "$prefix/bin/pofurin" >"$e2e_work/out" 2>/dev/null
    check "about-box on $1, font $2, GDK_DPI_SCALE $3" eval 'grep INFO "$e2e_work/out"; why=$(grep FAIL "$e2e_work/out"); grep -qx PASS "$e2e_work/out"'
done

# The version: read from the installed binary's resources, the .exe's, the
# package's and the metadata's must agree.
version=$("$prefix/bin/pofurin-render" --version 2>&1)
resource_version() {
    [[ "$version" =~ ^"pofurin-render ($NAME) "([0-9]+\.[0-9]+\.[0-9]+\.[0-9]+)$ ]] || { why="$version"; return 1; }
    version=${BASH_REMATCH[1]}
    grep -qF "<release version=\"$version\"" "$prefix/share/metainfo/$ID.metainfo.xml" ||
        { why="metainfo release is not $version"; return 1; }
    local rc
    rc=$(x86_64-w64-mingw32-windres -i "$src/build/windows/bin/pofurin.exe" -O rc 2>&1)
    grep -qx " FILEVERSION ${version//./, }" <<<"$rc" && grep -qF "\"ProductVersion\", \"$version\"" <<<"$rc" ||
        { why="pofurin.exe carries no version $version"; return 1; }
}
check version-information resource_version

# package PRESET EXT: runs cpack's preset into $e2e_work/PRESET and sets
# $file to the package it made.
package() {
    local dir=$e2e_work/$1
    (cd "$src" && timeout "$(e2e_remaining)" cpack --preset "$1" -B "$dir") >"$e2e_work/cpack-$1.log" 2>&1 ||
        { why=$(tail -n 3 "$e2e_work/cpack-$1.log"); return 1; }
    file=$(ls "$dir"/*."$2" 2>/dev/null | head -n 1)
    [ -n "$file" ] || { why="no .$2"; return 1; }
}

deb() {
    local file depends
    package linux deb || return 1
    why=$(lintian "$file" 2>/dev/null | grep -E '^[EW]: ') && return 1
    [ "$(dpkg-deb -f "$file" Package)" = pofurin ] && [ "$(dpkg-deb -f "$file" Version)" = "$version" ] ||
        { why="package $(dpkg-deb -f "$file" Package Version | tr '\n' ' ')"; return 1; }
    depends=$(dpkg-deb -f "$file" Depends)
    for want in "fonts-noto-cjk | fonts-japanese-gothic" "libgtk-3-0 (" "libpng16-16 (" "libgif7 (" "libc6 ("; do
        grep -qF "$want" <<<"$depends" || { why="Depends lacks $want: $depends"; return 1; }
    done
    local listed
    listed=$(dpkg-deb -c "$file" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort)
    [ "$listed" = "$expected_files" ] || { why="the .deb holds $(echo $listed)"; return 1; }
}
check deb deb

windows_zip() {
    local file listed
    package windows zip || return 1
    listed=$(cmake -E tar tf "$file" | grep -v '/$' | sed 's|^[^/]*/||' | sort | tr '\n' ' ')
    [ "$listed" = "README.txt pofurin.exe " ] || { why="the zip holds $listed"; return 1; }
}
check windows-zip windows_zip

[ $failures -eq 0 ] || e2e_fail "$failures check(s) failed"
echo "PASS install-check"
