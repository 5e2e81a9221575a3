// A window's menu bar: GetMenu.
#include "user/user_private.h"

using namespace plat;

extern "C" HMENU WINAPI GetMenu(HWND window) {
    Window* w = win_get(window);
    // Children keep their control identifier where a menu would be.
    return w && !w->is_child() ? w->menu : nullptr;
}
