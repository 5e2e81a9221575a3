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
    if (ex_style & WS_EX_CLIENTEDGE) frame += kNonClient.edge;
    int top = frame + caption_height(style, ex_style) + (menu ? kNonClient.menu + 1 : 0);
    rect->left = wrapping_add(rect->left, -frame);
    rect->top = wrapping_add(rect->top, -top);
    rect->right = wrapping_add(rect->right, frame);
    rect->bottom = wrapping_add(rect->bottom, frame);
}

RECT nc_client_rect(const RECT& window, DWORD style, bool menu, DWORD ex_style) {
    RECT frame = {0, 0, 0, 0};
    nc_adjust_rect(&frame, style, menu, ex_style);
    RECT client = {wrapping_add(window.left, -frame.left), wrapping_add(window.top, -frame.top),
                   wrapping_add(window.right, -frame.right), wrapping_add(window.bottom, -frame.bottom)};
    if (style & WS_VSCROLL) client.right = wrapping_add(client.right, -kNonClient.scroll);
    if (style & WS_HSCROLL) client.bottom = wrapping_add(client.bottom, -kNonClient.scroll);
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
