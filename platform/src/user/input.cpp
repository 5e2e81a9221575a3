// Input: the US layout, key messages as the keyboard makes them,
// GetKeyState and TranslateMessage; and what a person does to a window's
// frame, buttons and menu, as every display backend reports it.
#include <string.h>

#include <win32_host.h>

#include "clock.h"
#include "user/user_private.h"

namespace plat {

namespace {

#define VK_OEM_1 0xBA
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE
#define VK_OEM_3 0xC0
#define VK_OEM_4 0xDB
#define VK_OEM_5 0xDC
#define VK_OEM_6 0xDD
#define VK_OEM_7 0xDE

struct Key {
    BYTE vk;
    BYTE scan;     // set 1 scan code
    char plain;    // character without Shift; 0 for none
    char shifted;  // with Shift
};

// The keys of a US keyboard that this platform knows.
constexpr Key kLayout[] = {
    {VK_ESCAPE, 0x01, 0x1b, 0x1b}, {'1', 0x02, '1', '!'}, {'2', 0x03, '2', '@'}, {'3', 0x04, '3', '#'},
    {'4', 0x05, '4', '$'}, {'5', 0x06, '5', '%'}, {'6', 0x07, '6', '^'}, {'7', 0x08, '7', '&'},
    {'8', 0x09, '8', '*'}, {'9', 0x0a, '9', '('}, {'0', 0x0b, '0', ')'}, {VK_OEM_MINUS, 0x0c, '-', '_'},
    {VK_OEM_PLUS, 0x0d, '=', '+'}, {VK_BACK, 0x0e, '\b', '\b'}, {VK_TAB, 0x0f, '\t', '\t'},
    {'Q', 0x10, 'q', 'Q'}, {'W', 0x11, 'w', 'W'}, {'E', 0x12, 'e', 'E'}, {'R', 0x13, 'r', 'R'},
    {'T', 0x14, 't', 'T'}, {'Y', 0x15, 'y', 'Y'}, {'U', 0x16, 'u', 'U'}, {'I', 0x17, 'i', 'I'},
    {'O', 0x18, 'o', 'O'}, {'P', 0x19, 'p', 'P'}, {VK_OEM_4, 0x1a, '[', '{'}, {VK_OEM_6, 0x1b, ']', '}'},
    {VK_RETURN, 0x1c, '\r', '\r'}, {VK_CONTROL, 0x1d, 0, 0}, {'A', 0x1e, 'a', 'A'}, {'S', 0x1f, 's', 'S'},
    {'D', 0x20, 'd', 'D'}, {'F', 0x21, 'f', 'F'}, {'G', 0x22, 'g', 'G'}, {'H', 0x23, 'h', 'H'},
    {'J', 0x24, 'j', 'J'}, {'K', 0x25, 'k', 'K'}, {'L', 0x26, 'l', 'L'}, {VK_OEM_1, 0x27, ';', ':'},
    {VK_OEM_7, 0x28, '\'', '"'}, {VK_OEM_3, 0x29, '`', '~'}, {VK_SHIFT, 0x2a, 0, 0}, {VK_OEM_5, 0x2b, '\\', '|'},
    {'Z', 0x2c, 'z', 'Z'}, {'X', 0x2d, 'x', 'X'}, {'C', 0x2e, 'c', 'C'}, {'V', 0x2f, 'v', 'V'},
    {'B', 0x30, 'b', 'B'}, {'N', 0x31, 'n', 'N'}, {'M', 0x32, 'm', 'M'}, {VK_OEM_COMMA, 0x33, ',', '<'},
    {VK_OEM_PERIOD, 0x34, '.', '>'}, {VK_OEM_2, 0x35, '/', '?'}, {VK_MENU, 0x38, 0, 0}, {VK_SPACE, 0x39, ' ', ' '},
    {VK_F1, 0x3b, 0, 0}, {VK_F1 + 1, 0x3c, 0, 0}, {VK_F1 + 2, 0x3d, 0, 0}, {VK_F4, 0x3e, 0, 0},
    {VK_F1 + 4, 0x3f, 0, 0}, {VK_F1 + 5, 0x40, 0, 0}, {VK_F1 + 6, 0x41, 0, 0}, {VK_F1 + 7, 0x42, 0, 0},
    {VK_F1 + 8, 0x43, 0, 0}, {VK_F10, 0x44, 0, 0}, {VK_UP, 0x48, 0, 0}, {VK_LEFT, 0x4b, 0, 0},
    {VK_RIGHT, 0x4d, 0, 0}, {VK_DOWN, 0x50, 0, 0},
};

const Key* key_for_vk(UINT vk) {
    for (const Key& k : kLayout)
        if (k.vk == vk) return &k;
    return nullptr;
}

// Bit 7: down; bit 0: toggled by every press. The physical state follows
// what is injected; the thread's state (GetKeyState) follows the key
// messages as they leave the queue.
BYTE g_physical[256];
BYTE g_thread[256];
// Alt went down and no other key came with it: its release is WM_SYSKEYUP.
bool g_alt_alone = false;

bool down(const BYTE* state, UINT vk) { return state[vk] & 0x80; }

void press(BYTE* state, UINT vk, bool is_down) {
    if (is_down) {
        if (!(state[vk] & 0x80)) state[vk] ^= 0x01;
        state[vk] |= 0x80;
    } else {
        state[vk] &= BYTE(~0x80);
    }
}

// The message the keyboard makes for this change, as the platform decides:
// system keys while Alt is held without Control, and for F10.
UINT key_message(UINT vk, bool is_down) {
    UINT plain = is_down ? WM_KEYDOWN : WM_KEYUP;
    UINT system = is_down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
    if (vk == VK_MENU) {
        if (is_down) {
            if (down(g_physical, VK_CONTROL)) return plain;
            g_alt_alone = true;
            return system;
        }
        bool alone = g_alt_alone && down(g_physical, VK_MENU);
        g_alt_alone = false;
        return alone ? system : plain;
    }
    if (vk == VK_F10 || (down(g_physical, VK_MENU) && !down(g_physical, VK_CONTROL))) {
        g_alt_alone = false;
        return system;
    }
    return plain;
}

bool is_extended(UINT vk) { return vk >= VK_LEFT && vk <= VK_DOWN; }

BOOL inject(UINT vk, bool is_down) {
    if (vk == 0 || vk > 254) return FALSE;
    bool was_down = down(g_physical, vk);
    UINT message = key_message(vk, is_down);
    press(g_physical, vk, is_down);
    const Key* key = key_for_vk(vk);
    LPARAM lparam = 1 | (LPARAM(key ? key->scan : 0) << 16);
    if (is_extended(vk)) lparam |= LPARAM(1) << 24;
    if (down(g_physical, VK_MENU)) lparam |= LPARAM(1) << 29;
    if (was_down) lparam |= LPARAM(1) << 30;
    if (!is_down) lparam |= LPARAM(1) << 31;
    // Keys go to the focus; without one, to the active window as system keys.
    HWND target = GetFocus();
    if (!target) {
        target = GetActiveWindow();
        if (message == WM_KEYDOWN) message = WM_SYSKEYDOWN;
        if (message == WM_KEYUP) message = WM_SYSKEYUP;
    }
    if (target)
        queue_post_input(MSG{target, message, WPARAM(vk), lparam, DWORD(clock_now_ms()), POINT{0, 0}});
    return TRUE;
}

// The character a key makes with the thread's current modifiers.
char key_char(UINT vk) {
    const Key* key = key_for_vk(vk);
    if (!key || !key->plain) return 0;
    bool control = down(g_thread, VK_CONTROL);
    bool alt = down(g_thread, VK_MENU);
    if (control) {
        // Control with Alt is AltGr, which makes nothing on this layout.
        if (alt) return 0;
        if (vk >= 'A' && vk <= 'Z') return char(vk - 'A' + 1);
        if (vk == VK_RETURN) return '\n';
        if (vk == VK_BACK) return 0x7f;
        if (vk == VK_OEM_4) return 0x1b;
        if (vk == VK_OEM_5) return 0x1c;
        if (vk == VK_OEM_6) return 0x1d;
        if (vk == VK_SPACE) return ' ';
        return 0;
    }
    return down(g_thread, VK_SHIFT) ? key->shifted : key->plain;
}

// Whether the window, and every window it lies in, takes input.
bool takes_input(HWND window) {
    for (HWND w = window; w; w = GetParent(w))
        if (!IsWindowEnabled(w)) return false;
    return IsWindow(window);
}

bool post_act(HWND window, UINT message, WPARAM wparam) {
    if (!takes_input(window)) return false;
    queue_post_input(MSG{window, message, wparam, 0, DWORD(clock_now_ms()), POINT{0, 0}});
    return true;
}

}  // namespace

void input_key_retrieved(const MSG& msg) {
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: press(g_thread, UINT(msg.wParam & 0xff), true); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: press(g_thread, UINT(msg.wParam & 0xff), false); break;
    default: break;
    }
}

void input_reset() {
    memset(g_physical, 0, sizeof g_physical);
    memset(g_thread, 0, sizeof g_thread);
    g_alt_alone = false;
}

}  // namespace plat

using namespace plat;

extern "C" {

SHORT WINAPI GetKeyState(int virtual_key) {
    if (virtual_key < 0 || virtual_key > 255) return 0;
    BYTE state = g_thread[virtual_key];
    return SHORT(((state & 0x80) ? 0xff80 : 0) | (state & 0x01));
}

BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (char ch = key_char(UINT(msg->wParam))) {
            UINT message = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
            PostMessageA(msg->hwnd, message, WPARAM(BYTE(ch)), msg->lParam);
        }
        return TRUE;
    case WM_KEYUP:
    case WM_SYSKEYUP: return TRUE;
    default: return FALSE;
    }
}

BOOL host_key_down(UINT virtual_key) { return inject(virtual_key, true); }

BOOL host_key_up(UINT virtual_key) { return inject(virtual_key, false); }

BOOL host_send_key(UINT virtual_key, UINT modifiers) {
    if (virtual_key == 0 || virtual_key > 254) return FALSE;
    if (modifiers & HOST_CONTROL) inject(VK_CONTROL, true);
    if (modifiers & HOST_ALT) inject(VK_MENU, true);
    if (modifiers & HOST_SHIFT) inject(VK_SHIFT, true);
    inject(virtual_key, true);
    inject(virtual_key, false);
    if (modifiers & HOST_SHIFT) inject(VK_SHIFT, false);
    if (modifiers & HOST_ALT) inject(VK_MENU, false);
    if (modifiers & HOST_CONTROL) inject(VK_CONTROL, false);
    return TRUE;
}

BOOL host_send_char(char ch, BOOL alt) {
    if (ch == 0) return FALSE;
    for (const Key& k : kLayout) {
        if (k.plain != ch && k.shifted != ch) continue;
        UINT modifiers = (k.plain == ch ? 0 : HOST_SHIFT) | (alt ? HOST_ALT : 0);
        return host_send_key(k.vk, modifiers);
    }
    return FALSE;
}

BOOL host_close_window(HWND window) { return post_act(window, WM_SYSCOMMAND, SC_CLOSE); }

BOOL host_click_button(HWND button) { return post_act(button, BM_CLICK, 0); }

BOOL host_menu_command(HWND window, UINT command) {
    const UINT state = GetMenuState(GetMenu(window), command, MF_BYCOMMAND);
    if (state == UINT(-1) || (state & (MF_POPUP | MF_GRAYED | MF_DISABLED))) return FALSE;
    return post_act(window, WM_COMMAND, MAKEWPARAM(command, 0));
}

}  // extern "C"
