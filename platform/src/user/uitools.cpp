// FillRect: a rectangle filled with a brush or a system colour.
#include <algorithm>

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
    // Cut to a range no surface reaches, so that the extents fit PatBlt's ints.
    static constexpr LONG kFar = 1 << 29;
    auto cut = [](LONG v) { return std::clamp<LONG>(v, -kFar, kFar); };
    const LONG left = cut(rect->left), top = cut(rect->top);
    PatBlt(dc, left, top, cut(rect->right) - left, cut(rect->bottom) - top, PATCOPY);
    SelectObject(dc, previous);
    if (temporary) DeleteObject(temporary);
    return 1;
}
