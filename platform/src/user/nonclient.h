// The non-client frame (borders, caption, menu bar) in one table: every
// frame size, GetSystemMetrics and AdjustWindowRectEx come from here. The
// values are the ones Wine gives a 96 dpi display: a WS_OVERLAPPED window
// with a menu has a 3 px frame, a 19 px caption and a 19 px menu bar, so a
// 200 x 200 window keeps a 194 x 156 client area at (3, 41).
#pragma once

#include <windows.h>

#include "geometry.h"

namespace plat {


struct NonClientMetrics {
    int border;         // thin border, and what a sizing frame adds to a fixed one
    int edge;           // 3-D edge; a dialog frame is edge + border
    int caption;        // caption bar, without its 1 px separator line
    int small_caption;  // tool window caption, without its separator
    int menu;           // one menu bar line, without its separator
    int padded_border;  // extra sizing frame width
    int scroll;         // scroll bar width and height
    int icon;           // large and small icon sides
    int small_icon;
};

inline constexpr NonClientMetrics kNonClient = {1, 2, 18, 15, 18, 0, 16, 32, 16};

// Grows a client rectangle to the window rectangle for these styles (no
// scroll bars, as AdjustWindowRectEx does).
void nc_adjust_rect(RECT* rect, DWORD style, bool menu, DWORD ex_style);

// The client rectangle inside a window rectangle (WM_NCCALCSIZE's default),
// scroll bars included; never inside out.
RECT nc_client_rect(const RECT& window, DWORD style, bool menu, DWORD ex_style);

}  // namespace plat
