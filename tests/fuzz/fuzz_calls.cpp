// libFuzzer target: sequences of calls into the whole Win32 subset, as a
// hostile program would make them. Each input decodes into GDI objects and
// drawing, windows, messages, timers on the virtual clock, painting, menus,
// accelerators and dialogs, with live, stale, foreign, forged and null
// handles and extreme coordinates; armed reactions make the window, dialog
// and timer procedures call back into the platform (destroy themselves,
// their parent or owner, end dialogs, nest DialogBoxParamA, post quit, or run
// further calls of the input). After each input everything the input made is
// freed and the object counts must be back where they started; the
// sanitizers and libFuzzer's time and memory limits do the rest.
//
// What the harness keeps out, because the real platform would crash on it
// too: pointers that do not point to enough memory, window and dialog
// procedures that are not functions, and waits that nothing can end (a
// thread timer, the heartbeat, is always set, and ends modal loops).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <vector>

#include <windows.h>
#include <win32_host.h>

#include "handles.h"
#include "user/user_private.h"

namespace {

// ---- the input ------------------------------------------------------------

struct Input {
    const uint8_t* p = nullptr;
    size_t n = 0;
    uint8_t byte() {
        if (!n) return 0;
        --n;
        return *p++;
    }
    uint16_t u16() { return uint16_t(byte() | (byte() << 8)); }
    uint32_t u32() { return uint32_t(u16()) | (uint32_t(u16()) << 16); }
    template <class T, size_t N>
    T pick(const T (&table)[N]) {
        return table[byte() % N];
    }
};
Input in;

// ---- what this input made --------------------------------------------------

constexpr size_t kMaxMade = 48;  // of each kind, so that memory stays bounded

std::vector<HWND> g_windows;  // every window the input or the platform made (dialogs), live or not
std::vector<HDC> g_memory_dcs, g_window_dcs;
std::vector<HGDIOBJ> g_objects;  // pens, brushes, bitmaps
std::vector<HMENU> g_menus;
std::vector<HACCEL> g_accels;
std::vector<HICON> g_icons;
std::vector<UINT_PTR> g_thread_timers;
HMODULE g_module = nullptr;
std::vector<uint8_t> g_res;  // the program's resources, the module's bytes

UINT_PTR g_heartbeat = 0;
int g_budget = 0;        // reactions left for this input
int g_depth = 0;         // procedures running reactions, nested
int g_modal_depth = 0;   // DialogBoxParamA calls running
int g_beats = 0;
std::vector<HWND> g_modal;  // modal dialogs, innermost last
bool g_next_is_modal = false;

template <class T>
void keep(std::vector<T>& v, T h) {
    if (h && v.size() < kMaxMade * 4) v.push_back(h);
}

// ---- values ---------------------------------------------------------------

constexpr int kExtremes[] = {0,         1,          -1,         2,         7,           100,         199,
                             200,       1200,       4095,       4096,      16383,       16384,       16385,
                             INT32_MIN, INT32_MIN + 1, INT32_MAX, INT32_MAX - 1, 1 << 24, -(1 << 24), 0x10000000,
                             -0x10000000, 0x7fff,  -0x8000,    0x8000};

int coord() {
    switch (in.byte() % 6) {
    case 0:
    case 1: return int8_t(in.byte());
    case 2: return int16_t(in.u16());
    case 3: return int(in.u32());
    default: return in.pick(kExtremes);
    }
}

// A window or bitmap extent: extreme one way only, so no surface is huge.
void extent(int* width, int* height) {
    *width = coord();
    *height = coord();
    if ((*width > 512 || *width < -512) && (*height > 512 || *height < -512)) *height = int8_t(*height);
}

RECT rect() { return RECT{coord(), coord(), coord(), coord()}; }

const char* const kTexts[] = {"", "x", "&OK", "&&a&b", "\xff", "\xff\x6b", "\xff\x6b\x00",
                              "\xe3\x83\x9d\xe3\x83\x95", "a long text that no window would ever quite need"};
const char* text() { return in.pick(kTexts); }

// ---- handles ----------------------------------------------------------------

enum Kind { kWindow, kDc, kObject, kMenu, kAccel, kIcon, kKinds };

void* pool_entry(Kind kind, size_t index) {
    auto from = [&](auto& v) -> void* { return v.empty() ? nullptr : v[index % v.size()]; };
    switch (kind) {
    case kWindow: return from(g_windows);
    case kDc: return index & 1 ? from(g_window_dcs) : from(g_memory_dcs);
    case kObject: return index & 1 ? GetStockObject(int(index % 19)) : from(g_objects);
    case kMenu: return from(g_menus);
    case kAccel: return from(g_accels);
    case kIcon: return from(g_icons);
    default: return nullptr;
    }
}

// A handle of `kind`: mostly one the input made (maybe destroyed by now),
// sometimes null, forged, or of another kind.
void* handle(Kind kind) {
    const uint8_t sel = in.byte();
    switch (sel % 16) {
    case 0: return nullptr;
    case 1: return reinterpret_cast<void*>(uintptr_t(in.u32()));
    case 2: return reinterpret_cast<void*>((uintptr_t(in.u32()) << 32) | in.u32());
    case 3: return pool_entry(Kind(in.byte() % kKinds), in.byte());
    case 4: return g_module;
    default: return pool_entry(kind, sel / 16 + in.byte());
    }
}
HWND window() { return static_cast<HWND>(handle(kWindow)); }
HDC dc() { return static_cast<HDC>(handle(kDc)); }
HGDIOBJ object() { return handle(kObject); }
HMENU menu() { return static_cast<HMENU>(handle(kMenu)); }
HICON icon() { return static_cast<HICON>(handle(kIcon)); }
HINSTANCE instance() { return in.byte() % 4 ? g_module : nullptr; }

// ---- messages ---------------------------------------------------------------

// Pointers in messages point here, so posted ones stay valid too.
char g_text[64];
RECT g_rect;
MSG g_msg;
CREATESTRUCTA g_cs;

constexpr UINT kMessages[] = {
    WM_NULL,      WM_CREATE,     WM_DESTROY,    WM_MOVE,        WM_SIZE,       WM_ACTIVATE,   WM_SETFOCUS,
    WM_KILLFOCUS, WM_ENABLE,     WM_SETTEXT,    WM_GETTEXT,     WM_GETTEXTLENGTH, WM_PAINT,   WM_CLOSE,
    WM_ERASEBKGND, WM_SHOWWINDOW, WM_NEXTDLGCTL, WM_NCCREATE,   WM_NCDESTROY,  WM_NCCALCSIZE, WM_GETDLGCODE,
    WM_KEYDOWN,   WM_KEYUP,      WM_CHAR,       WM_SYSKEYDOWN,  WM_SYSCHAR,    WM_INITDIALOG, WM_COMMAND,
    WM_SYSCOMMAND, WM_TIMER,     WM_INITMENU,   WM_INITMENUPOPUP, WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, BM_CLICK,
    BM_GETSTATE,  BM_SETSTATE,   BM_SETSTYLE,   STM_SETICON,    STM_GETICON,   DM_SETDEFID,   DM_GETDEFID,
    WM_USER + 77, 0xC123};

constexpr WPARAM kKeys[] = {VK_RETURN, VK_ESCAPE, VK_TAB, VK_SPACE, VK_F4, VK_F10, 'O', 'A', '?', '/'};

// A message with parameters that are legal for it.
MSG make_message() {
    MSG m = {};
    m.hwnd = window();
    m.message = in.pick(kMessages);
    m.wParam = WPARAM(int(in.u32()));
    m.lParam = LPARAM(int(in.u32()));
    switch (m.message) {
    case WM_CREATE:
    case WM_NCCREATE:
        g_cs = CREATESTRUCTA{nullptr, g_module, nullptr, nullptr, 10, 10, 0, 0, 0, text(), "FuzzA", 0};
        m.lParam = reinterpret_cast<LPARAM>(&g_cs);
        break;
    case WM_SETTEXT: m.lParam = in.byte() & 1 ? reinterpret_cast<LPARAM>(text()) : 0; break;
    case WM_GETTEXT:
        m.wParam = in.byte() % (sizeof g_text + 1);
        m.lParam = in.byte() & 7 ? reinterpret_cast<LPARAM>(g_text) : 0;
        break;
    case WM_NCCALCSIZE:
        g_rect = rect();
        m.lParam = in.byte() & 7 ? reinterpret_cast<LPARAM>(&g_rect) : 0;
        break;
    case WM_GETDLGCODE: m.lParam = in.byte() & 1 ? reinterpret_cast<LPARAM>(&g_msg) : 0; break;
    case WM_ERASEBKGND:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: m.wParam = reinterpret_cast<WPARAM>(dc()); break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR: m.wParam = in.byte() & 1 ? in.pick(kKeys) : in.byte(); break;
    case WM_SYSCOMMAND: m.wParam = in.byte() & 1 ? SC_CLOSE : m.wParam; break;
    case WM_NEXTDLGCTL: m.wParam = in.byte() & 1 ? reinterpret_cast<WPARAM>(window()) : in.byte() & 1; break;
    case WM_COMMAND: m.lParam = reinterpret_cast<LPARAM>(window()); break;
    case STM_SETICON: m.wParam = reinterpret_cast<WPARAM>(icon()); break;
    case WM_TIMER: m.lParam = 0; break;  // a TIMERPROC in lParam would be called
    default: break;
    }
    return m;
}

// ---- reactions: what the procedures do when a message arrives ---------------

enum Action : uint8_t {
    kDestroySelf,
    kDestroyParent,
    kDestroyOwner,
    kDestroyAny,
    kEndDialog,
    kNestDialogBox,
    kCreateDialog,
    kPostQuit,
    kEnableOwner,
    kFocus,
    kShow,
    kMove,
    kSend,
    kRunCall,
    kAnswer,
    kReleaseErase,
    kInvalidate,
    kDestroyDialog,
    kActions
};

struct Reaction {
    UINT message;  // 0: any
    uint8_t action, arg;
    int left;
};
std::vector<Reaction> g_reactions;

void run_call();
void destroy(HWND w) {
    if (w) DestroyWindow(w);
}

INT_PTR CALLBACK dialog_proc(HWND, UINT, WPARAM, LPARAM);

INT_PTR dialog_box(HWND owner) {
    if (g_modal_depth >= 3) return 0;
    ++g_modal_depth;
    g_next_is_modal = true;
    const size_t modal = g_modal.size();
    DLGPROC proc = in.byte() % 8 ? dialog_proc : nullptr;
    INT_PTR r = DialogBoxParamA(instance(), MAKEINTRESOURCEA(in.byte() % 8 ? 103 : in.byte()), owner, proc, 0);
    g_next_is_modal = false;
    g_modal.resize(std::min(g_modal.size(), modal));
    --g_modal_depth;
    return r;
}

HWND create_dialog(HWND owner) {
    HWND d = CreateDialogParamA(instance(), MAKEINTRESOURCEA(in.byte() % 8 ? 103 : in.byte()), owner,
                                in.byte() % 8 ? dialog_proc : nullptr, 0);
    keep(g_windows, d);
    return d;
}

// Runs the reactions armed for `message`; true with `*answer` set when one
// decided the procedure's result.
bool react(HWND self, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* answer) {
    if (g_budget <= 0 || g_depth >= 6) return false;
    bool answered = false;
    ++g_depth;
    for (size_t i = 0; i < g_reactions.size() && g_budget > 0; ++i) {
        Reaction r = g_reactions[i];
        if ((r.message && r.message != message) || r.left <= 0) continue;
        --g_reactions[i].left;
        --g_budget;
        switch (r.action) {
        case kDestroySelf: destroy(self); break;
        case kDestroyParent: destroy(GetParent(self)); break;
        case kDestroyOwner: destroy(GetWindow(self, GW_OWNER)); break;
        case kDestroyAny: destroy(window()); break;
        case kEndDialog: EndDialog((r.arg & 1) || g_modal.empty() ? self : g_modal.back(), r.arg); break;
        case kNestDialogBox: dialog_box(r.arg & 1 ? self : window()); break;
        case kCreateDialog: create_dialog(r.arg & 1 ? self : window()); break;
        case kPostQuit: PostQuitMessage(r.arg); break;
        case kEnableOwner: EnableWindow(r.arg & 2 ? self : GetWindow(self, GW_OWNER), r.arg & 1); break;
        case kFocus: SetFocus(r.arg & 1 ? self : window()); break;
        case kShow: ShowWindow(self, r.arg % 12); break;
        case kMove: {
            int w, h;
            extent(&w, &h);
            MoveWindow(self, coord(), coord(), w, h, r.arg & 1);
            break;
        }
        case kSend: {
            MSG m = make_message();
            if (r.arg & 1)
                SendMessageA(m.hwnd, m.message, m.wParam, m.lParam);
            else
                PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
            break;
        }
        case kRunCall: run_call(); break;
        case kAnswer:
            answered = true;
            switch (r.arg % 6) {
            case 0: *answer = 0; break;
            case 1: *answer = 1; break;
            case 2: *answer = -1; break;
            case 3: *answer = DLGC_DEFPUSHBUTTON | DLGC_BUTTON; break;
            case 4: *answer = reinterpret_cast<LRESULT>(object()); break;  // a brush, maybe
            default: *answer = LRESULT(int(in.u32())); break;
            }
            // A client rectangle of the procedure's own.
            if (message == WM_NCCALCSIZE && lparam && !wparam) {
                RECT* client = reinterpret_cast<RECT*>(lparam);
                int w, h;
                extent(&w, &h);
                *client = RECT{coord(), coord(), w, h};
            }
            break;
        case kReleaseErase:
            if (message == WM_ERASEBKGND) ReleaseDC(self, reinterpret_cast<HDC>(wparam));
            break;
        case kDestroyDialog:
            if (!g_modal.empty()) destroy(r.arg & 1 ? g_modal.back() : GetWindow(g_modal.back(), GW_OWNER));
            else if (!g_windows.empty()) destroy(g_windows.back());
            break;
        case kInvalidate:
            InvalidateRect(self, nullptr, r.arg & 1);
            if (r.arg & 2) UpdateWindow(self);
            break;
        default: break;
        }
    }
    --g_depth;
    // A paint answered without BeginPaint would come back forever.
    if (answered && message == WM_PAINT) ValidateRect(self, nullptr);
    return answered;
}

LRESULT CALLBACK window_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    LRESULT answer = 0;
    if (react(w, m, wp, lp, &answer)) return answer;
    return DefWindowProcA(w, m, wp, lp);
}

// Subclassed windows and the input's own "Button" and "Static" classes hand
// what they do not answer to the platform's procedure.
std::map<HWND, WNDPROC> g_subclassed;
WNDPROC g_button_proc, g_static_proc;

LRESULT forward(WNDPROC original, HWND w, UINT m, WPARAM wp, LPARAM lp) {
    LRESULT answer = 0;
    if (react(w, m, wp, lp, &answer)) return answer;
    return CallWindowProcA(original, w, m, wp, lp);
}
LRESULT CALLBACK subclass_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto it = g_subclassed.find(w);
    return forward(it == g_subclassed.end() ? DefWindowProcA : it->second, w, m, wp, lp);
}
LRESULT CALLBACK button_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return forward(g_button_proc, w, m, wp, lp); }
LRESULT CALLBACK static_proc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return forward(g_static_proc, w, m, wp, lp); }

INT_PTR CALLBACK dialog_proc(HWND d, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_INITDIALOG) {
        keep(g_windows, d);
        if (g_next_is_modal) g_modal.push_back(d);
        g_next_is_modal = false;
    }
    LRESULT answer = 0;
    if (react(d, m, wp, lp, &answer)) return answer;
    return m == WM_INITDIALOG;
}

void CALLBACK timer_proc(HWND w, UINT m, UINT_PTR, DWORD) {
    LRESULT ignored;
    react(w, m, 0, 0, &ignored);
}

// Always due some time: no wait can be endless, and a modal loop ends by
// EndDialog or, failing that, by a quit request.
void CALLBACK heartbeat(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_modal_depth) return;
    if ((++g_beats & 1) && !g_modal.empty() && IsWindow(g_modal.back()))
        EndDialog(g_modal.back(), 0);
    else
        PostQuitMessage(0);
}

// ---- the calls ------------------------------------------------------------

bool can_wait(HWND filter, UINT first, UINT last) {
    MSG m;
    if (PeekMessageA(&m, filter, first, last, PM_NOREMOVE)) return true;
    return !filter && (first == 0 && last == 0 ? true : first <= WM_TIMER && WM_TIMER <= last);
}

void pump() {
    HWND filter = in.byte() & 3 ? nullptr : window();
    UINT first = 0, last = 0;
    if (!(in.byte() & 3)) {
        first = in.pick(kMessages);
        last = in.pick(kMessages);
    }
    const int count = 1 + in.byte() % 16;
    for (int i = 0; i < count; ++i) {
        MSG m;
        const uint8_t how = in.byte();
        if (how & 1) {
            if (!can_wait(filter, first, last)) break;
            if (GetMessageA(&m, filter, first, last) < 0) break;
        } else if (!PeekMessageA(&m, filter, first, last, how & 2 ? PM_REMOVE : PM_NOREMOVE)) {
            break;
        }
        if (how & 4 && TranslateAcceleratorA(m.hwnd, static_cast<HACCEL>(handle(kAccel)), &m)) continue;
        if (how & 8 && IsDialogMessageA(window(), &m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

void create_window() {
    if (g_windows.size() >= kMaxMade) return;
    static const char* const kClasses[] = {"FuzzA", "FuzzB", "FuzzA", "Button", "Static", "#32770", "NoSuch"};
    LPCSTR cls = in.byte() % 8 ? in.pick(kClasses) : MAKEINTATOM(in.u16());
    static const DWORD kStyles[] = {WS_CHILD,  WS_POPUP,    WS_VISIBLE,      WS_CAPTION, WS_BORDER,  WS_THICKFRAME,
                                    WS_DISABLED, WS_MINIMIZE, WS_MAXIMIZE,   WS_CLIPCHILDREN, WS_TABSTOP, WS_VSCROLL,
                                    WS_HSCROLL, BS_DEFPUSHBUTTON, SS_ICON,  SS_NOPREFIX, SS_CENTERIMAGE, DS_SETFONT};
    DWORD style = 0;
    for (int i = in.byte() % 5; i > 0; --i) style |= in.pick(kStyles);
    if (!(in.byte() & 7)) style = in.u32();
    DWORD ex_style = in.byte() & 3 ? 0 : in.u32();
    int x = coord(), y = coord(), w, h;
    extent(&w, &h);
    HWND parent = window();
    HMENU m = in.byte() & 1 ? menu() : reinterpret_cast<HMENU>(uintptr_t(in.byte()));
    HWND made = CreateWindowExA(ex_style, cls, text(), style, x, y, w, h, parent, m, instance(), nullptr);
    keep(g_windows, made);
    // A class menu is the window's until a window long says otherwise.
    if (made) keep(g_menus, GetMenu(made));
}

void register_classes() {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = g_module;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(109);
    wc.lpszClassName = "FuzzA";
    RegisterClassExA(&wc);
    wc.hInstance = nullptr;
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.cbWndExtra = 40;  // DefDlgProcA looks for a dialog procedure in there
    wc.lpszClassName = "FuzzB";
    RegisterClassExA(&wc);
}

// The input's own "Button" or "Static" for its module, ahead of the platform's.
void override_control_class() {
    const bool button = in.byte() & 1;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExA(nullptr, button ? "Button" : "Static", &wc)) abort();
    (button ? g_button_proc : g_static_proc) = wc.lpfnWndProc;
    wc.lpfnWndProc = button ? button_proc : static_proc;
    wc.hInstance = g_module;
    RegisterClassExA(&wc);
}

void arm() {
    if (g_reactions.size() >= 12) g_reactions.erase(g_reactions.begin());
    Reaction r;
    r.message = in.byte() % 8 ? in.pick(kMessages) : 0;
    r.action = in.byte() % kActions;
    r.arg = in.byte();
    r.left = 1 + in.byte() % 4;
    g_reactions.push_back(r);
}

void set_window_long(HWND w) {
    static const int kIndexes[] = {GWL_STYLE, GWL_EXSTYLE, GWLP_WNDPROC, GWLP_HINSTANCE, GWLP_HWNDPARENT,
                                   GWLP_ID,   GWLP_USERDATA, DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER, 4, 32, -100};
    int index = in.byte() & 3 ? in.pick(kIndexes) : int(int8_t(in.byte()));
    LONG_PTR value = LONG_PTR(int(in.u32()));
    if (index == GWLP_HWNDPARENT) value = reinterpret_cast<LONG_PTR>(window());
    // Procedures must be functions.
    if (index == GWLP_WNDPROC) {
        WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC));
        if (!old || old == subclass_proc) return;
        g_subclassed[w] = old;
        value = reinterpret_cast<LONG_PTR>(subclass_proc);
    }
    if (index >= 0 && index < DWLP_DLGPROC + 8 && index + 8 > DWLP_DLGPROC) {
        if (index != DWLP_DLGPROC) return;
        value = in.byte() & 1 ? reinterpret_cast<LONG_PTR>(dialog_proc) : 0;
    }
    SetWindowLongPtrA(w, index, value);
}

void gdi_call(uint8_t op) {
    switch (op % 22) {
    case 0:
        if (g_memory_dcs.size() < kMaxMade) keep(g_memory_dcs, CreateCompatibleDC(in.byte() & 1 ? dc() : nullptr));
        break;
    case 1: DeleteDC(dc()); break;
    case 2: {
        if (g_objects.size() >= kMaxMade) break;
        int w, h;
        extent(&w, &h);
        if (int64_t(w) * h > (1 << 20)) h = 1;  // bounded memory, not bounded arguments
        keep(g_objects, static_cast<HGDIOBJ>(CreateCompatibleBitmap(dc(), w, h)));
        break;
    }
    case 3: {
        if (g_objects.size() >= kMaxMade) break;
        static uint32_t bits[64 * 64];
        int w = in.byte() % 70 - 2, h = in.byte() % 70 - 2;
        keep(g_objects, static_cast<HGDIOBJ>(CreateBitmap(w, h, in.byte() % 3, in.byte() & 1 ? 32 : in.byte(),
                                                          in.byte() & 1 && w * h <= 64 * 64 ? bits : nullptr)));
        break;
    }
    case 4:
        if (g_objects.size() < kMaxMade)
            keep(g_objects, static_cast<HGDIOBJ>(CreatePen(in.byte() % 8, in.byte() % 4 - 1, in.u32())));
        break;
    case 5:
        if (g_objects.size() < kMaxMade) keep(g_objects, static_cast<HGDIOBJ>(CreateSolidBrush(in.u32())));
        break;
    case 6: SelectObject(dc(), object()); break;
    case 7: DeleteObject(object()); break;
    case 8: GetCurrentObject(dc(), in.byte() % 8); break;
    case 9: {
        static uint8_t buffer[64];
        GetObjectType(object());
        GetObjectA(object(), in.byte() % (sizeof buffer + 1), in.byte() & 1 ? buffer : nullptr);
        break;
    }
    case 10: {
        static uint8_t buffer[4096];
        GetBitmapBits(static_cast<HBITMAP>(object()), LONG(in.u16() % (sizeof buffer + 1)) - (in.byte() & 1),
                      in.byte() & 1 ? buffer : nullptr);
        break;
    }
    case 11: {
        static const DWORD kRops[] = {BLACKNESS, WHITENESS, PATCOPY, SRCCOPY, 0x00AA0029, 0};
        int w, h;
        extent(&w, &h);
        PatBlt(dc(), coord(), coord(), w, h, in.pick(kRops));
        break;
    }
    case 12: {
        static const DWORD kRops[] = {SRCCOPY, BLACKNESS, WHITENESS, PATCOPY, 0x00AA0029};
        int x = coord(), y = coord(), w = coord(), h = coord();
        BitBlt(dc(), x, y, w, h, dc(), coord(), coord(), in.pick(kRops));
        break;
    }
    case 13: {
        POINT p;
        MoveToEx(dc(), coord(), coord(), in.byte() & 1 ? &p : nullptr);
        break;
    }
    case 14: LineTo(dc(), coord(), coord()); break;
    case 15: {
        RECT r = rect();
        Rectangle(dc(), r.left, r.top, r.right, r.bottom);
        break;
    }
    case 16: {
        RECT r = rect();
        Ellipse(dc(), r.left, r.top, r.right, r.bottom);
        break;
    }
    case 17: {
        int x = coord(), y = coord();
        if (in.byte() & 1)
            SetPixel(dc(), x, y, in.u32());
        else
            GetPixel(dc(), x, y);
        break;
    }
    case 18: {
        RECT r = rect();
        HBRUSH brush = in.byte() & 1 ? reinterpret_cast<HBRUSH>(uintptr_t(in.byte() % 40))
                                     : static_cast<HBRUSH>(object());
        FillRect(dc(), in.byte() & 7 ? &r : nullptr, brush);
        break;
    }
    case 19: GetDeviceCaps(dc(), in.byte()); break;
    case 20: GetSysColorBrush(int(int8_t(in.byte()))), GetSysColor(int(int8_t(in.byte()))); break;
    default: GetStockObject(int(int8_t(in.byte()))); break;
    }
}

void window_call(uint8_t op) {
    HWND w = window();
    switch (op % 30) {
    case 0: create_window(); break;
    case 1: DestroyWindow(w); break;
    case 2: ShowWindow(w, int(int8_t(in.byte())) % 14); break;
    case 3: UpdateWindow(w); break;
    case 4: {
        int width, height;
        extent(&width, &height);
        MoveWindow(w, coord(), coord(), width, height, in.byte() & 1);
        break;
    }
    case 5: {
        RECT r = rect();
        InvalidateRect(w, in.byte() & 3 ? &r : nullptr, in.byte() & 1);
        break;
    }
    case 6: {
        RECT r = rect();
        ValidateRect(w, in.byte() & 3 ? &r : nullptr);
        break;
    }
    case 7: {
        RECT r;
        GetUpdateRect(w, in.byte() & 1 ? &r : nullptr, in.byte() & 1);
        GetClientRect(w, &r);
        GetWindowRect(w, &r);
        break;
    }
    case 8: {
        POINT p = {coord(), coord()};
        if (in.byte() & 1)
            ClientToScreen(w, &p);
        else
            ScreenToClient(w, &p);
        break;
    }
    case 9: EnableWindow(w, in.byte() & 1); break;
    case 10: SetFocus(w); break;
    case 11: GetParent(w), GetWindow(w, in.byte() % 8), IsChild(w, window()), GetDlgCtrlID(w); break;
    case 12: SetWindowTextA(w, in.byte() & 7 ? text() : nullptr); break;
    case 13: GetWindowTextA(w, g_text, int(in.byte() % (sizeof g_text + 1))), GetWindowTextLengthA(w); break;
    case 14: set_window_long(w); break;
    case 15:
        GetWindowLongPtrA(w, int(int8_t(in.byte())));
        GetWindowLongA(w, int(int8_t(in.byte())));
        GetClassLongPtrA(w, int(int8_t(in.byte())));
        GetClassNameA(w, g_text, int(in.byte() % (sizeof g_text + 1)));
        break;
    case 16: {
        if (g_window_dcs.size() < kMaxMade) keep(g_window_dcs, GetDC(in.byte() & 7 ? w : nullptr));
        break;
    }
    case 17: ReleaseDC(w, dc()); break;
    case 18: {
        PAINTSTRUCT ps;
        if (BeginPaint(w, in.byte() & 7 ? &ps : nullptr) && in.byte() & 1) EndPaint(w, &ps);
        break;
    }
    case 19: {
        MSG m = make_message();
        SendMessageA(m.hwnd, m.message, m.wParam, m.lParam);
        break;
    }
    case 20: {
        MSG m = make_message();
        PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
        break;
    }
    case 21: pump(); break;
    case 22: {
        MSG m = make_message();
        switch (in.byte() % 4) {
        case 0: DispatchMessageA(&m); break;
        case 1: TranslateMessage(&m); break;
        case 2: IsDialogMessageA(window(), &m); break;
        default: TranslateAcceleratorA(w, static_cast<HACCEL>(handle(kAccel)), &m); break;
        }
        break;
    }
    case 23: {
        static const UINT kElapse[] = {0, 1, 10, 100, 1000, 0x7fffffff, 0xffffffff};
        HWND target = in.byte() & 1 ? w : nullptr;
        UINT_PTR id = SetTimer(target, in.byte(), in.pick(kElapse), in.byte() & 1 ? timer_proc : nullptr);
        if (!target) keep(g_thread_timers, id);
        break;
    }
    case 24: {
        HWND target = in.byte() & 1 ? w : nullptr;
        UINT_PTR id = target || g_thread_timers.empty() ? in.byte() : g_thread_timers[in.byte() % g_thread_timers.size()];
        if (target || id != g_heartbeat) KillTimer(target, id);
        break;
    }
    case 25: {
        static const DWORD kTimes[] = {0, 1, 9, 10, 100, 1000, 100000};
        if (in.byte() & 1)
            host_advance_clock(in.pick(kTimes));
        else
            Sleep(in.pick(kTimes));
        GetTickCount();
        break;
    }
    case 26: {
        static const UINT kVirtualKeys[] = {VK_RETURN, VK_ESCAPE, VK_TAB, VK_SPACE, VK_F4, VK_F10,
                                            VK_MENU,   VK_SHIFT,  VK_CONTROL, 'O', 'A', 0, 255};
        switch (in.byte() % 4) {
        case 0: host_send_key(in.pick(kVirtualKeys), in.byte() & 7); break;
        case 1: host_send_char(char(in.byte()), in.byte() & 1); break;
        case 2: host_key_down(in.pick(kVirtualKeys)); break;
        default: host_key_up(in.pick(kVirtualKeys)); break;
        }
        GetKeyState(int(int16_t(in.u16())));
        break;
    }
    case 27: arm(); break;
    case 28: {
        int width = 0, height = 0;
        host_window_pixels(w, &width, &height);
        host_window_pixel(w, coord(), coord());
        GetFocus(), GetActiveWindow(), IsWindowVisible(w), IsWindowEnabled(w);
        FindWindowA(in.byte() & 1 ? "#32770" : nullptr, in.byte() & 1 ? text() : nullptr);
        break;
    }
    default: {
        RECT r = rect(), s = rect(), out;
        POINT p = {coord(), coord()};
        IntersectRect(&out, &r, &s), UnionRect(&out, &r, &s), PtInRect(&r, p), EqualRect(&r, &s);
        OffsetRect(&r, coord(), coord()), InflateRect(&s, coord(), coord());
        AdjustWindowRectEx(&r, in.u32(), in.byte() & 1, in.u32());
        GetSystemMetrics(int(int8_t(in.byte())));
        break;
    }
    }
}

void resource_call(uint8_t op) {
    static const UINT kIds[] = {103, 104, 107, 108, 109, 32512, 0, 1, 999};
    LPCSTR name = in.byte() & 7 ? MAKEINTRESOURCEA(in.pick(kIds)) : text();
    switch (op % 16) {
    case 0:
        if (g_menus.size() < kMaxMade) keep(g_menus, LoadMenuA(instance(), name));
        break;
    case 1: DestroyMenu(menu()); break;
    case 2: {
        HMENU m = in.byte() & 1 ? GetMenu(window()) : menu();
        GetMenuItemCount(m), GetMenuItemID(m, int8_t(in.byte())), GetSubMenu(m, int8_t(in.byte()));
        GetMenuStringA(m, in.u16(), g_text, int(in.byte() % (sizeof g_text + 1)) - 1, in.byte() & MF_BYPOSITION);
        GetMenuState(m, in.u16(), in.byte() & MF_BYPOSITION);
        HOST_MENU_ITEM items[4];
        host_get_menu_items(m, in.byte() & 1 ? items : nullptr, in.byte() % 5);
        break;
    }
    case 3:
        if (g_accels.size() < kMaxMade) keep(g_accels, LoadAcceleratorsA(instance(), name));
        break;
    case 4: {
        ACCEL entries[4];
        CopyAcceleratorTableA(static_cast<HACCEL>(handle(kAccel)), in.byte() & 1 ? entries : nullptr,
                              int(in.byte() % 6) - 1);
        break;
    }
    case 5: DestroyAcceleratorTable(static_cast<HACCEL>(handle(kAccel))); break;
    case 6:
        if (g_icons.size() < kMaxMade) keep(g_icons, in.byte() & 1 ? LoadIconA(instance(), name) : LoadCursorA(instance(), name));
        break;
    case 7: {
        if (g_icons.size() >= kMaxMade) break;
        static const UINT kFlags[] = {0, LR_SHARED, LR_DEFAULTSIZE, LR_SHARED | LR_DEFAULTSIZE};
        keep(g_icons, static_cast<HICON>(LoadImageA(instance(), name, in.byte() % 4, int(in.byte() % 70) - 2,
                                                   int(in.byte() % 70) - 2, in.pick(kFlags))));
        break;
    }
    case 8: {
        ICONINFO info;
        if (g_objects.size() < kMaxMade && GetIconInfo(icon(), in.byte() & 7 ? &info : nullptr)) {
            keep(g_objects, static_cast<HGDIOBJ>(info.hbmMask));
            keep(g_objects, static_cast<HGDIOBJ>(info.hbmColor));
        }
        break;
    }
    case 9: in.byte() & 1 ? DestroyIcon(icon()) : DestroyCursor(icon()); break;
    case 10: {
        HOST_ICON_IMAGE image;
        host_get_icon_image(icon(), in.byte() & 1 ? &image : nullptr);
        LoadStringA(instance(), in.pick(kIds), g_text, int(in.byte() % (sizeof g_text + 1)));
        break;
    }
    case 11: dialog_box(window()); break;
    case 12: create_dialog(window()); break;
    case 13: EndDialog(window(), in.byte()); break;
    case 14: {
        HWND d = window();
        RECT r = rect();
        MapDialogRect(d, in.byte() & 1 ? &r : nullptr);
        GetDlgItem(d, int(int16_t(in.u16())));
        GetNextDlgTabItem(d, window(), in.byte() & 1);
        MSG m = make_message();
        DefDlgProcA(d, m.message, m.wParam, m.lParam);
        break;
    }
    default: override_control_class(); break;
    }
}

void run_call() {
    const uint8_t op = in.byte();
    switch (op % 4) {
    case 0: gdi_call(in.byte()); break;
    case 1:
    case 2: window_call(in.byte()); break;
    default: resource_call(in.byte()); break;
    }
}

// ---- each input -------------------------------------------------------------

DWORD g_user_baseline = 0;

size_t live_windows() { return plat::win_list().size(); }

void fail(const char* what, size_t value, size_t expected) {
    fprintf(stderr, "fuzz_calls: %s: %zu, expected %zu\n", what, value, expected);
    abort();
}

// Frees everything the input made; the counts must be back to the start.
void clean_up() {
    g_budget = 0;
    g_reactions.clear();
    // Top-level windows first: each takes its children and owned windows.
    for (int round = 0; round < 4 && live_windows(); ++round)
        for (HWND w : plat::win_list())
            if (IsWindow(w) && !GetParent(w)) DestroyWindow(w);
    for (HWND w : plat::win_list()) DestroyWindow(w);
    if (live_windows()) fail("windows left", live_windows(), 0);
    for (HDC d : g_window_dcs) ReleaseDC(nullptr, d);
    for (HDC d : g_memory_dcs) DeleteDC(d);
    for (HGDIOBJ o : g_objects) DeleteObject(o);
    for (HMENU m : g_menus) DestroyMenu(m);
    for (HACCEL a : g_accels) DestroyAcceleratorTable(a);
    for (HICON i : g_icons) DestroyIcon(i);
    host_free_module(g_module);
    const DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (gdi) fail("GDI objects left", gdi, 0);
    if (user != g_user_baseline) fail("USER objects", user, g_user_baseline);
    if (plat::handle_count(plat::ObjType::Module) != 1) fail("modules", plat::handle_count(plat::ObjType::Module), 1);
    host_reset_process();
    host_use_virtual_clock(TRUE);
    g_windows.clear();
    g_memory_dcs.clear();
    g_window_dcs.clear();
    g_objects.clear();
    g_menus.clear();
    g_accels.clear();
    g_icons.clear();
    g_thread_timers.clear();
    g_subclassed.clear();
    g_modal.clear();
    g_modal_depth = g_depth = 0;
}

std::vector<uint8_t> read_file(const char* path) {
    FILE* f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "fuzz_calls: cannot read %s\n", path);
        abort();
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;) bytes.insert(bytes.end(), chunk, chunk + n);
    fclose(f);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_res = read_file(FUZZ_MODULE_RES);
    host_use_virtual_clock(TRUE);
    // The system's own cursor lives as long as the process: part of the start.
    GetModuleHandleA(nullptr);
    LoadCursorA(nullptr, IDC_ARROW);
    for (int i = 0; i <= DEFAULT_GUI_FONT; ++i) GetStockObject(i);
    g_user_baseline = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    in = Input{data, size};
    g_module = host_create_module(g_res.data(), g_res.size());
    if (!g_module) abort();
    register_classes();
    g_heartbeat = SetTimer(nullptr, 0, 50, heartbeat);
    g_budget = 400;
    g_beats = 0;
    while (in.n) run_call();
    clean_up();
    return 0;
}
