// What the platform's controls (Button, Static) handle alike.
#include "user/user_private.h"

namespace plat {

LRESULT control_default(HWND control, UINT message, WPARAM wparam, LPARAM lparam, void (*paint)(HWND, HDC)) {
    switch (message) {
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcA(control, message, wparam, lparam);
        InvalidateRect(control, nullptr, TRUE);
        return result;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(control, &ps);
        // None when the erase BeginPaint sent destroyed the control.
        if (dc) paint(control, dc);
        EndPaint(control, &ps);
        return 0;
    }
    default: return DefWindowProcA(control, message, wparam, lparam);
    }
}

}  // namespace plat
