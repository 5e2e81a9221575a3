// Host extensions: what tests, tools and display backends need from the
// platform beyond the Win32 API a program sees. Every name starts with host_.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- Modules ---------------------------------------------------------------

// A module whose resources are the given .res file bytes (copied). Size 0
// makes a module without resources. NULL, with ERROR_INVALID_DATA, when the
// bytes are not a well-formed .res file.
HMODULE host_create_module(const void* res_data, size_t size);

// Frees a module made by host_create_module, with the shared icons loaded
// from it. FALSE for the main module or an invalid handle.
BOOL host_free_module(HMODULE module);

// ---- Icons and cursors -----------------------------------------------------

typedef struct HOST_ICON_IMAGE {
    int width;
    int height;
    int bits_per_pixel;  // of the image the icon was loaded from
    BOOL is_icon;        // FALSE for a cursor
    POINT hotspot;
    BOOL has_alpha;      // pixels carry alpha in their top byte
    const DWORD* pixels;  // width * height, top-down rows, 0x00RRGGBB
    const BYTE* mask;     // width * height, top-down rows, 1 = transparent
} HOST_ICON_IMAGE;

// The decoded image of an icon or cursor; the pointers stay valid while the
// icon lives. FALSE for an invalid handle.
BOOL host_get_icon_image(HICON icon, HOST_ICON_IMAGE* image);

// ---- Menus -----------------------------------------------------------------

typedef struct HOST_MENU_ITEM {
    const char* text;   // UTF-8 as stored, "&" markers included; "" for separators
    UINT id;            // command identifier; 0 for popups and separators
    UINT flags;         // MF_POPUP, MF_SEPARATOR, MF_GRAYED, MF_CHECKED, ...
    HMENU submenu;      // for MF_POPUP items
    UINT mnemonic;      // the character after the first single "&" (as written), or 0
    int mnemonic_offset;  // its byte offset in text, or -1
} HOST_MENU_ITEM;

// Fills up to `count` items of `menu` in order and returns how many the
// menu has (so items may be NULL to ask). -1 for an invalid handle. The
// pointers stay valid until the menu is destroyed.
int host_get_menu_items(HMENU menu, HOST_MENU_ITEM* items, int count);


// ---- Clock -----------------------------------------------------------------

// Timers, message times, GetTickCount and Sleep run on the real monotonic
// clock unless the virtual clock is on. The virtual clock starts at 0 and
// moves only through host_advance_clock, Sleep, or a GetMessageA/WaitMessage
// that has nothing to return: instead of sleeping, it jumps to the next due
// timer. Pending timers keep their remaining time across a switch.
void host_use_virtual_clock(BOOL enable);

// Moves the virtual clock forward; FALSE (and nothing happens) on the real clock.
BOOL host_advance_clock(DWORD ms);

// The clock's current time in milliseconds.
int64_t host_now_ms(void);

// A wait that can never end (GetMessageA or WaitMessage with nothing queued,
// no timer that could fire and no input source, as in the headless backend)
// aborts the process with a message on stderr instead of hanging.

// ---- Keyboard input --------------------------------------------------------

// Modifier flags for host_send_key.
#define HOST_SHIFT 0x1
#define HOST_CONTROL 0x2
#define HOST_ALT 0x4

// Queues what the keyboard makes for one key going down or up: WM_KEYDOWN/UP,
// or WM_SYSKEYDOWN/UP while Alt is held (and for F10), with scan code,
// repeat count, context (Alt) and transition bits, addressed to the focus
// window (or, without one, to the active window as system keys). GetKeyState
// follows each key message as it is retrieved. FALSE for a key code outside
// 1..254.
BOOL host_key_down(UINT virtual_key);
BOOL host_key_up(UINT virtual_key);

// Presses and releases `virtual_key` with the given modifiers held around it
// (modifiers down in the order Control, Alt, Shift; up in reverse).
BOOL host_send_key(UINT virtual_key, UINT modifiers);

// Types one character as a US keyboard would: the key that makes it, with
// Shift when the character needs it ('?' is Shift + VK_OEM_2) and Alt held
// around everything when `alt` is set. FALSE (nothing queued) for a character
// the layout cannot type.
BOOL host_send_char(char ch, BOOL alt);

// ---- What a person does to a window ---------------------------------------

// Every display backend reports a person's acts through these, so that each
// produces the same messages in the same order. Each queues what the act
// makes, as input does, and returns FALSE (queuing nothing) for an invalid
// window, a disabled one, or one inside a disabled window, which takes no
// input.

// The frame's close box: WM_SYSCOMMAND with SC_CLOSE, as the system menu's
// Close sends it.
BOOL host_close_window(HWND window);

// A click on a button control: BM_CLICK, so the button notifies its parent
// as a click of its own does.
BOOL host_click_button(HWND button);

// A command chosen from the window's menu: WM_COMMAND with the command in
// the low word. FALSE as well when no enabled item of the menu has it.
BOOL host_menu_command(HWND window, UINT command);

// ---- Window surfaces -------------------------------------------------------

// A window's client-area pixels as 0x00RRGGBB, top-down rows of `*width`
// pixels; valid until the window is resized or destroyed. NULL for an invalid
// window.
const DWORD* host_window_pixels(HWND window, int* width, int* height);

// One client-area pixel as a COLORREF; CLR_INVALID outside the surface or for
// an invalid window.
COLORREF host_window_pixel(HWND window, int x, int y);

// ---- Reset -----------------------------------------------------------------

// Back to the state of process start, for tests: forgets every window
// (without sending messages), window class, queued and posted message, quit
// request, timer, focus and key state; deletes every DC and GDI object but
// the stock ones, and every module made by host_create_module; puts the
// clock back on the real one.
void host_reset_process(void);

#ifdef __cplusplus
}
#endif
