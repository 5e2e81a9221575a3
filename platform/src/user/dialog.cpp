// Dialog boxes and their controls.
#include "user/user_private.h"

namespace plat {

struct DialogInfo {};

void dialog_window_dying(Window* w) {
    delete w->dialog;
    w->dialog = nullptr;
}

}  // namespace plat

using namespace plat;

extern "C" {

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    if (!win_get(dialog)) return nullptr;
    for (HWND child : win_children(dialog))
        if (win_find(child)->id == id) return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

}  // extern "C"
