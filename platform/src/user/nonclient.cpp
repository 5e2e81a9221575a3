// Frame sizes of the non-client area, and AdjustWindowRectEx.
#include "user/nonclient.h"

namespace plat {

namespace {

// The frame around the client area on each side, caption and menu aside.
int frame_width(DWORD style, DWORD ex_style) {
    int width = 0;
    if ((ex_style & (WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME)) == WS_EX_STATICEDGE)
        width = 1;
    else if ((ex_style & WS_EX_DLGMODALFRAME) || (style & (WS_THICKFRAME | WS_DLGFRAME)))
        width = kNonClient.edge;
    if (style & WS_THICKFRAME) width += kNonClient.border + kNonClient.padded_border;
    if ((style & (WS_BORDER | WS_DLGFRAME)) || (ex_style & WS_EX_DLGMODALFRAME)) width += kNonClient.border;
    return width;
}

int caption_height(DWORD style, DWORD ex_style) {
    if ((style & WS_CAPTION) != WS_CAPTION) return 0;
    return ((ex_style & WS_EX_TOOLWINDOW) ? kNonClient.small_caption : kNonClient.caption) + 1;
}

}  // namespace

void nc_adjust_rect(RECT* rect, DWORD style, bool menu, DWORD ex_style) {
    int frame = frame_width(style, ex_style);
    rect->left -= frame;
    rect->top -= frame + caption_height(style, ex_style);
    rect->right += frame;
    rect->bottom += frame;
    if (menu) rect->top -= kNonClient.menu + 1;
    if (ex_style & WS_EX_CLIENTEDGE) {
        rect->left -= kNonClient.edge;
        rect->top -= kNonClient.edge;
        rect->right += kNonClient.edge;
        rect->bottom += kNonClient.edge;
    }
}

RECT nc_client_rect(const RECT& window, DWORD style, bool menu, DWORD ex_style) {
    RECT frame = {0, 0, 0, 0};
    nc_adjust_rect(&frame, style, menu, ex_style);
    RECT client = {window.left - frame.left, window.top - frame.top, window.right - frame.right,
                   window.bottom - frame.bottom};
    if (style & WS_VSCROLL) client.right -= kNonClient.scroll;
    if (style & WS_HSCROLL) client.bottom -= kNonClient.scroll;
    if (client.right < client.left) client.right = client.left;
    if (client.bottom < client.top) client.bottom = client.top;
    return client;
}

}  // namespace plat

extern "C" BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD ex_style) {
    if (!rect) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    plat::nc_adjust_rect(rect, style, menu != FALSE, ex_style);
    return TRUE;
}
