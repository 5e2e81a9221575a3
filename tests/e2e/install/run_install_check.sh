#!/usr/bin/env bash
# Installs the Linux build into a temporary prefix and checks what a desktop
# and a distribution get: the layout, the desktop entry and AppStream data as
# their validators see them, the icons' sizes, the manual page, the version the
# resources carry, and the .deb and the Windows zip that CPack makes (read with
# dpkg-deb and cmake, never installed).
#
# Usage: run_install_check.sh SOURCE_DIR
#   SOURCE_DIR holds CMakePresets.json; the linux and windows presets are built.
# Prints PASS or FAIL per check; exit code 0 only if every check passed.
set -uo pipefail

source "$(dirname "$0")/../lib.sh"
e2e_init install-check "${POFURIN_E2E_TIME_LIMIT:-120}"

[ $# -eq 1 ] || e2e_fail "usage: $0 SOURCE_DIR"
src=$(cd "$1" 2>/dev/null && pwd) || e2e_fail "no such folder: $1"
e2e_require desktop-file-validate appstreamcli man dpkg-deb dpkg-shlibdeps cpack identify convert \
    x86_64-w64-mingw32-windres timeout
export LC_ALL=C.UTF-8

ID=io.github.pofurin.Pofurin
NAME="ポフリン発生ソフト"


prefix=$e2e_work/prefix
timeout "$(e2e_remaining)" cmake --install "$src/build/linux" --prefix "$prefix" >"$e2e_work/install.log" 2>&1 ||
    e2e_fail "cmake --install failed: $(tail -n 3 "$e2e_work/install.log")"

expected_files="bin/pofurin
bin/pofurin-render
share/applications/$ID.desktop
share/icons/hicolor/16x16/apps/$ID.png
share/icons/hicolor/32x32/apps/$ID.png
share/man/man1/pofurin-render.1
share/metainfo/$ID.metainfo.xml"
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
    for line in "Name=$NAME" "Exec=pofurin" "Icon=$ID" "Terminal=false" "Type=Application"; do
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
# cyan inside the small one).
icon() {
    local size=$1 centre=$2 file=$prefix/share/icons/hicolor/$1x$1/apps/$ID.png got
    got=$(identify -format '%w %h %[channels]' "$file" 2>&1)
    [ "$got" = "$size $size srgba" ] || { why="$got"; return 1; }
    got=$(convert "$file" -format '%[pixel:p{0,0}] %[pixel:p{'$((size / 2)),$((size / 2))'}]' info: 2>&1)
    [ "$got" = "srgba(0,0,0,0) $centre" ] || { why="corner, centre: $got"; return 1; }
}
check icon-16 icon 16 "srgba(0,255,255,1)"
check icon-32 icon 32 "srgba(0,0,128,1)"

# The page renders without a warning and names every option --help lists.
manual() {
    local page=$prefix/share/man/man1/pofurin-render.1 text option
    text=$(MANWIDTH=80 man --warnings -l "$page" 2>"$e2e_work/man.err") || { why="man failed"; return 1; }
    [ ! -s "$e2e_work/man.err" ] || { why=$(head -n 3 "$e2e_work/man.err"); return 1; }
    grep -q "^SCRIPT" <<<"$text" && grep -q "^EXIT STATUS" <<<"$text" || { why="sections missing"; return 1; }
    for option in $("$prefix/bin/pofurin-render" --help | grep -o -- '--[a-z]*' | sort -u); do
        grep -qe "$option" <<<"$text" || { why="$option undocumented"; return 1; }
    done
}
check manual-page manual

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
