#!/usr/bin/env bash
# Installs the Linux build into a temporary prefix and checks what a desktop
# and a distribution get: the layout, the desktop entry and AppStream data as
# their validators see them, the icons' sizes, the manual pages, the catalogue
# appstreamcli compose makes, the version the resources carry, the installed
# program's identity on X11 and on Wayland, and the .deb (lintian) and the
# Windows zip that CPack makes (read, never installed), each the same bytes
# when made twice.
#
# Usage: run_install_check.sh SOURCE_DIR
#   SOURCE_DIR holds CMakePresets.json; the linux and windows presets are built.
# Prints PASS or FAIL per check; exit code 0 only if every check passed.
set -uo pipefail

source "$(dirname "$0")/../lib.sh"
e2e_init install-check "${POFURIN_E2E_TIME_LIMIT:-120}"

[ $# -eq 1 ] || e2e_fail "usage: $0 SOURCE_DIR"
src=$(cd "$1" 2>/dev/null && pwd) || e2e_fail "no such folder: $1"
e2e_require desktop-file-validate appstreamcli man dpkg-deb dpkg-shlibdeps cpack identify convert compare \
    x86_64-w64-mingw32-windres timeout lintian xprop
export LC_ALL=C.UTF-8

ID=io.github.pofurin.Pofurin
NAME="ポフリン発生ソフト"


prefix=$e2e_work/prefix
timeout "$(e2e_remaining)" cmake --install "$src/build/linux" --prefix "$prefix" >"$e2e_work/install.log" 2>&1 ||
    e2e_fail "cmake --install failed: $(tail -n 3 "$e2e_work/install.log")"

SIZES="16 24 32 48 64 128 256"
expected_files=$(printf '%s\n' bin/pofurin bin/pofurin-render share/applications/$ID.desktop \
    share/doc/pofurin/changelog.gz share/doc/pofurin/copyright share/metainfo/$ID.metainfo.xml \
    share/man/man1/pofurin.1.gz share/man/man1/pofurin-render.1.gz \
    $(for s in $SIZES; do echo share/icons/hicolor/${s}x$s/apps/$ID.png; done) | sort)
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
    for line in "Name=$NAME" "Exec=pofurin" "Icon=$ID" "Terminal=false" "Type=Application" "StartupWMClass=$ID" \
        "StartupNotify=true"; do
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

# Each icon: its size, an alpha channel, a transparent corner, the opaque
# colour the program's icon has at its centre (navy inside the large target,
# cyan inside the small one), and the 16 or 32 pixel picture enlarged by
# whole pixels, centred.
icon() {
    local size=$1 centre=$2 from=$3 file=$prefix/share/icons/hicolor/$1x$1/apps/$ID.png got k
    got=$(identify -format '%w %h %[channels]' "$file" 2>&1)
    [ "$got" = "$size $size srgba" ] || { why="$got"; return 1; }
    got=$(convert "$file" -format '%[pixel:p{0,0}] %[pixel:p{'$((size / 2)),$((size / 2))'}]' info: 2>&1)
    [ "$got" = "srgba(0,0,0,0) $centre" ] || { why="corner, centre: $got"; return 1; }
    k=$((size / from))
    got=$(convert "$file" -crop "$((from * k))x$((from * k))+$(((size - from * k) / 2))+$(((size - from * k) / 2))" \
        -sample "${from}x$from" png:- | compare -metric AE - "$prefix/share/icons/hicolor/${from}x$from/apps/$ID.png" null: 2>&1)
    [ "$got" = 0 ] || { why="$got pixels differ from the ${from} pixel icon enlarged $k times"; return 1; }
}
for s in $SIZES; do
    if [ $s = 16 ] || [ $s = 24 ] || [ $s = 48 ]; then
        check icon-$s icon $s "srgba(0,255,255,1)" 16
    else
        check icon-$s icon $s "srgba(0,0,128,1)" 32
    fi
done

# The pages render without a warning; pofurin-render's names every option
# --help lists, pofurin's says it takes none.
manual() {
    local page=$prefix/share/man/man1/$1.1.gz text option
    text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$e2e_work/man.err") || { why="man failed"; return 1; }
    [ ! -s "$e2e_work/man.err" ] || { why=$(head -n 3 "$e2e_work/man.err"); return 1; }
    grep -q "^EXIT STATUS" <<<"$text" || { why="no EXIT STATUS"; return 1; }
    if [ "$1" = pofurin ]; then
        grep -q "takes no options" <<<"$text" || { why="no word on options"; return 1; }
        return 0
    fi
    grep -q "^SCRIPT" <<<"$text" || { why="no SCRIPT"; return 1; }
    for option in $("$prefix/bin/pofurin-render" --help | grep -o -- '--[a-z]*' | sort -u); do
        grep -qe "$option" <<<"$text" || { why="$option undocumented"; return 1; }
    done
}
check manual-page-pofurin manual pofurin
check manual-page-pofurin-render manual pofurin-render

# A software centre's catalogue of the install keeps the component, its icons
# cached from the theme.
compose() {
    local out
    out=$(appstreamcli compose --no-net --prefix=/ --origin=pofurin --result-root="$e2e_work/catalogue" "$prefix" 2>&1) ||
        { why=$(tail -n 3 <<<"$out"); return 1; }
    out=$(zcat "$e2e_work/catalogue/share/swcatalog/xml/pofurin.xml.gz" 2>&1)
    grep -qF "<id>$ID</id>" <<<"$out" && grep -qF '<icon type="cached" width="64" height="64">' <<<"$out" ||
        { why="the catalogue: $(head -c 300 <<<"$out")"; return 1; }
}
check appstream-compose compose

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

# The installed program as the desktop meets it. X11: WM_CLASS is the entry's
# id twice, the launcher's startup id reaches the client leader, and the
# window offers its icons at distinct sizes. Wayland: the app id is the id.
e2e_start_xvfb
e2e_start_weston
x11_identity() {
    local pid window got leader
    DESKTOP_STARTUP_ID=pofurin-e2e_TIME0 GDK_BACKEND=x11 NO_AT_BRIDGE=1 "$prefix/bin/pofurin" 2>/dev/null &
    pid=$!
    e2e_track $pid
    window=$(until_ok 20 find_titled $pid "$NAME") || { why="no window titled $NAME"; return 1; }
    got=$(x xprop -id "$window" WM_CLASS)
    [ "$got" = "WM_CLASS(STRING) = \"$ID\", \"$ID\"" ] || { why=$got; return 1; }
    leader=$(x xprop -id "$window" WM_CLIENT_LEADER | grep -o '0x[0-9a-f]*')
    got=$(x xprop -id "$leader" _NET_STARTUP_ID)
    [ "$got" = '_NET_STARTUP_ID(UTF8_STRING) = "pofurin-e2e_TIME0"' ] || { why=$got; return 1; }
    got=$(x xprop -id "$window" -notype 32c _NET_WM_ICON |
        awk -F' = ' '{ n = split($2, a, ", "); for (i = 1; i < n; i += 2 + a[i] * a[i + 1]) printf "%sx%s ", a[i], a[i + 1] }')
    [ "$got" = "16x16 32x32 48x48 64x64 128x128 " ] || { why="icons $got"; return 1; }
    e2e_stop $pid
}
check x11-identity x11_identity

wayland_app_id() {
    local pid
    GDK_BACKEND=wayland NO_AT_BRIDGE=1 WAYLAND_DEBUG=1 "$prefix/bin/pofurin" 2>"$e2e_work/wayland.log" &
    pid=$!
    e2e_track $pid
    until_ok 20 grep -qF "set_app_id(\"$ID\")" "$e2e_work/wayland.log" ||
        why="app ids: $(grep -o 'set_app_id([^)]*)' "$e2e_work/wayland.log" | tr '\n' ' ')"
    e2e_stop $pid
    [ -z "$why" ]
}
check wayland-app-id wayland_app_id

# package PRESET EXT: runs cpack's preset into $e2e_work/PRESET and sets
# $file to the package it made.
package() {
    local dir=$e2e_work/$1
    (cd "$src" && timeout "$(e2e_remaining)" cpack --preset "$1" -B "$dir") >"$e2e_work/cpack-$1.log" 2>&1 ||
        { why=$(tail -n 3 "$e2e_work/cpack-$1.log"); return 1; }
    file=$(ls "$dir"/*."$2" 2>/dev/null | head -n 1)
    [ -n "$file" ] || { why="no .$2"; return 1; }
}

# package_twice PRESET EXT: package, then again a moment later: the same bytes.
package_twice() {
    package "$1" "$2" || return 1
    cp "$file" "$e2e_work/first.$2"
    sleep 2
    package "$1" "$2" || return 1
    cmp -s "$e2e_work/first.$2" "$file" || { why="made twice, the .$2 differs: $(cmp "$e2e_work/first.$2" "$file")"; return 1; }
}

deb() {
    local file depends lint
    package_twice linux deb || return 1
    lint=$(lintian "$file" 2>/dev/null | grep -E '^[EW]: ')
    [ -z "$lint" ] || { why="lintian: $(echo $lint)"; return 1; }
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
    package_twice windows zip || return 1
    listed=$(cmake -E tar tf "$file" | grep -v '/$' | sed 's|^[^/]*/||' | sort | tr '\n' ' ')
    [ "$listed" = "README.txt pofurin.exe " ] || { why="the zip holds $listed"; return 1; }
}
check windows-zip windows_zip

[ $failures -eq 0 ] || e2e_fail "$failures check(s) failed"
echo "PASS install-check"
