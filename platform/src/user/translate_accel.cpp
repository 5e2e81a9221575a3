// TranslateAcceleratorA: key and character messages matched against an
// accelerator table, turned into WM_COMMAND as a menu pick would be.
#include "res/menu_template.h"
#include "user/accel.h"
#include "user/menu.h"
#include "user/user_private.h"

namespace plat {

namespace {

constexpr LPARAM kExtendedKey = 0x01000000;
constexpr LPARAM kAltContext = 0x20000000;

// Where `submenu` hangs in `menu` (at any depth): the menu holding it and
// its position there.
bool find_submenu(HMENU menu, HMENU submenu, HMENU* holder, int* position, int depth = 0) {
    Menu* m = handle_cast<Menu>(menu);
    if (!m || depth > kMaxMenuDepth) return false;
    for (size_t i = 0; i < m->items.size(); ++i) {
        if (m->items[i].submenu == submenu) {
            *holder = menu;
            *position = int(i);
            return true;
        }
        if (m->items[i].submenu && find_submenu(m->items[i].submenu, submenu, holder, position, depth + 1))
            return true;
    }
    return false;
}

bool matches(const MSG& msg, const ACCEL& accel) {
    if (msg.wParam != accel.key) return false;
    BYTE held = 0;
    if (GetKeyState(VK_CONTROL) & 0x8000) held |= FCONTROL;
    if (GetKeyState(VK_MENU) & 0x8000) held |= FALT;
    if (GetKeyState(VK_SHIFT) & 0x8000) held |= FSHIFT;
    if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
        // A character accelerator: only Alt must be as the table says.
        return !(accel.fVirt & FVIRTKEY) && (held & FALT) == (accel.fVirt & FALT);
    }
    if (accel.fVirt & FVIRTKEY) return held == (accel.fVirt & (FSHIFT | FCONTROL | FALT));
    // A character accelerator with Alt also matches the key itself with Alt down.
    return !(msg.lParam & kExtendedKey) && (accel.fVirt & FALT) && (msg.lParam & kAltContext);
}

// What a pick of `command` from the window's menu does: the menu hears
// WM_INITMENU (and WM_INITMENUPOPUP for its popup) first, and a grayed or
// disabled item, a disabled or minimised window sends no command.
void send_command(HWND hwnd, WORD command) {
    Window* w = handle_cast<Window>(hwnd);
    HMENU menu = w && !w->is_child() ? w->menu : nullptr;
    Menu* holder_menu = nullptr;
    bool in_menu = menu && menu_find_item(menu, command, MF_BYCOMMAND, &holder_menu);
    if (in_menu) {
        if (!IsWindowEnabled(hwnd)) return;
        HMENU holder = static_cast<HMENU>(holder_menu->handle);
        SendMessageA(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
        int position;
        HMENU parent;
        if (holder != menu && find_submenu(menu, holder, &parent, &position))
            SendMessageA(hwnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(holder), MAKELPARAM(position, FALSE));
        if (!(w = handle_cast<Window>(hwnd))) return;
        UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
        if (state != UINT(-1) && ((w->style & WS_MINIMIZE) || (state & (MF_DISABLED | MF_GRAYED)))) return;
    }
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(command, 1), 0);
}

}  // namespace

}  // namespace plat

using namespace plat;

extern "C" int WINAPI TranslateAcceleratorA(HWND window, HACCEL table, LPMSG msg) {
    if (!msg || !window) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN && msg->message != WM_CHAR &&
        msg->message != WM_SYSCHAR)
        return 0;
    if (!win_get(window)) return 0;
    AccelTable* accel = handle_cast<AccelTable>(table);
    if (!accel) {
        SetLastError(ERROR_INVALID_ACCEL_HANDLE);
        return 0;
    }
    // The handlers may destroy the table; work from a copy.
    std::vector<ACCEL> entries = accel->entries;
    for (const ACCEL& entry : entries) {
        if (!matches(*msg, entry)) continue;
        send_command(window, entry.cmd);
        return 1;
    }
    return 0;
}
