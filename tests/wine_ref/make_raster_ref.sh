#!/bin/sh
# Regenerates tests/data/raster_ref/ (raster_ref.txt, raster_run.txt) by
# drawing the cases and the run of raster_ref.cpp with Wine's GDI, each in a
# process of its own. Needs mingw-w64 and wine64; not run by the tests.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out_dir="$here/../data/raster_ref"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

x86_64-w64-mingw32-g++ -std=c++17 -O2 -Wall -Wextra -static -o "$work/raster_ref.exe" "$here/raster_ref.cpp" -lgdi32 -luser32

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
cd "$work"
# Wine leaves the rows some narrow ellipses never reach as fresh heap memory
# held them; with the per-thread cache off and fresh memory filled, those rows
# come out empty whatever ran before (as for the golden canvases).
export GLIBC_TUNABLES=glibc.malloc.tcache_count=0:glibc.malloc.perturb=85
"$wine64" wineboot --init
"$wineserver" -w 2>/dev/null || true
"$wine64" raster_ref.exe cases raster_ref.txt
"$wineserver" -w 2>/dev/null || true
"$wine64" raster_ref.exe run raster_run.txt
"$wineserver" -w 2>/dev/null || true
mkdir -p "$out_dir"
# Wine's console output may end lines with CR LF; the files are plain LF.
for f in raster_ref.txt raster_run.txt; do
    tr -d '\r' < "$f" > "$out_dir/$f"
    echo "wrote $out_dir/$f ($(wc -c < "$out_dir/$f") bytes)"
done
