// What every display backend asks of a window it shows, through the public
// USER calls.
#pragma once

#include <string.h>
#include <strings.h>

#include <string>

#include <windows.h>

namespace plat {

inline std::string window_text(HWND window) {
    const int n = GetWindowTextLengthA(window);
    std::string text(size_t(n) + 1, '\0');
    GetWindowTextA(window, text.data(), n + 1);
    text.resize(strlen(text.c_str()));
    return text;
}

// Whether the window's class is `name` (class names ignore case).
inline bool has_class(HWND window, const char* name) {
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    return strcasecmp(cls, name) == 0;
}

}  // namespace plat
