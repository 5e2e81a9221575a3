// FillRect: a rectangle filled with a brush or a system colour.
#include <windows.h>

extern "C" int WINAPI FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (!rect) return 0;
    // Values up to COLOR_MENUBAR + 1 name a system colour (index + 1). A
    // brush made for this call keeps the shared system brushes out of it.
    HBRUSH temporary = nullptr;
    ULONG_PTR value = reinterpret_cast<ULONG_PTR>(brush);
    if (value <= COLOR_MENUBAR + 1) {
        if (value == 0) return 0;
        temporary = CreateSolidBrush(GetSysColor(int(value - 1)));
        brush = temporary;
    }
    HGDIOBJ previous = SelectObject(dc, brush);
    if (!previous) {
        if (temporary) DeleteObject(temporary);
        return 0;
    }
    PatBlt(dc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, PATCOPY);
    SelectObject(dc, previous);
    if (temporary) DeleteObject(temporary);
    return 1;
}
