// Dialog boxes: creation from templates, the modal loop, the dialog manager
// (DefDlgProcA, IsDialogMessageA) and EndDialog.
#include <ctype.h>
#include <stdio.h>

#include <algorithm>
#include <string>

#include "backend/backend.h"
#include "geometry.h"
#include "res/dialog_template.h"
#include "user/menu.h"
#include "user/user_private.h"

namespace plat {

struct DialogInfo {
    DLGPROC proc = nullptr;
    SIZE units = {7, 16};          // dialog base units of the template font
    UINT default_id = 0;           // the default push button, 0 for none
    HWND saved_focus = nullptr;    // the control that had the focus when the dialog lost it
    INT_PTR result = 0;
    bool ended = false;            // EndDialog was called
    bool owner_disabled = false;   // modal: the owner is enabled again at the end
};

namespace {

// Dialog base units of the template's font: its average character width
// and height. Wine draws every dialog face with one substitute font, so the
// point size alone decides; these are the sizes it gives at 96 dpi.
constexpr SIZE kUnitsByPointSize[] = {
    {1, 1},   {2, 4},   {2, 5},   {3, 6},   {4, 7},   {5, 9},   {5, 10},  {6, 12},  {7, 14},
    {8, 15},  {9, 17},  {9, 17},  {10, 19}, {11, 21}, {12, 22}, {12, 23}, {14, 26}, {14, 27},
    {15, 28}, {16, 30}, {16, 31}, {17, 32}, {18, 35}, {19, 36}, {19, 37}, {20, 39}, {21, 41},
    {22, 41}, {23, 43}, {23, 44}, {24, 46}, {25, 48}, {26, 49}, {26, 51}, {27, 53}, {28, 53},
};
constexpr int kLargestPointSize = sizeof kUnitsByPointSize / sizeof kUnitsByPointSize[0];
// Without DS_SETFONT: the system font.
constexpr SIZE kSystemFontUnits = {7, 16};
// DS_SETFONT with this size asks for the message box font.
constexpr uint16_t kMessageBoxFontSize = 0x7fff;

// The platform's MulDiv: rounded half away from zero; saturated, as caller
// values may be anything.
int mul_div(int value, int numerator, int denominator) {
    int64_t product = int64_t(value) * numerator;
    int64_t half = denominator / 2;
    return saturate((product >= 0 ? product + half : product - half) / denominator);
}

SIZE template_units(const DialogTemplate& t) {
    // The box, its texts and its buttons grow together with the font the
    // controls are drawn in, whatever the template asked for.
    const SIZE drawn = backend().dialog_units();
    if (drawn.cx > 0 && drawn.cy > 0) return drawn;
    if (!t.has_font) return kSystemFontUnits;
    int size = t.point_size == kMessageBoxFontSize ? 8 : t.point_size;
    if (size < 1) size = 1;
    if (size <= kLargestPointSize) return kUnitsByPointSize[size - 1];
    SIZE largest = kUnitsByPointSize[kLargestPointSize - 1];
    return SIZE{mul_div(largest.cx, size, kLargestPointSize), mul_div(largest.cy, size, kLargestPointSize)};
}

// Any window of the dialog class is a dialog, whoever made it. Null once the
// window is gone: every window procedure may destroy it, so the result is
// never kept across anything that runs one.
DialogInfo* info_of(HWND hwnd) {
    Window* w = handle_cast<Window>(hwnd);
    if (!w) return nullptr;
    if (!w->dialog) w->dialog = new DialogInfo;
    return w->dialog;
}

DLGPROC dialog_proc(HWND hwnd) {
    Window* w = handle_cast<Window>(hwnd);
    if (!w) return nullptr;
    if (extra_fits(w->extra, DWLP_DLGPROC, sizeof(LONG_PTR)))
        return reinterpret_cast<DLGPROC>(GetWindowLongPtrA(hwnd, DWLP_DLGPROC));
    return info_of(hwnd)->proc;
}

bool is_push_button(HWND control) {
    return SendMessageA(control, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
}

void save_focus(HWND dialog) {
    HWND focus = GetFocus();
    DialogInfo* info = info_of(dialog);
    if (info && focus && IsChild(dialog, focus)) info->saved_focus = focus;
}

void restore_focus(HWND dialog) {
    Window* w = handle_cast<Window>(dialog);
    if (!w || (w->style & WS_MINIMIZE)) return;
    HWND focus = info_of(dialog)->saved_focus;
    if (!focus || !IsChild(dialog, focus)) focus = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (focus) SetFocus(focus);
}

// The default push button moves to `id`; the old one becomes a plain one.
void set_default_id(HWND dialog, UINT id) {
    DialogInfo* info = info_of(dialog);
    if (!info) return;
    HWND old_button = info->default_id ? GetDlgItem(dialog, int(info->default_id)) : nullptr;
    HWND new_button = GetDlgItem(dialog, int(id));
    info->default_id = id;
    if (old_button && old_button != new_button && is_push_button(old_button))
        SendMessageA(old_button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    if (new_button && is_push_button(new_button)) SendMessageA(new_button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

HWND find_default_button(HWND dialog) {
    for (HWND child : win_children(dialog))
        if (SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) return child;
    return nullptr;
}

// The dialog manager's own handling of what the dialog procedure left.
LRESULT default_dialog(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_ERASEBKGND: {
        HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORDLG, wparam, LPARAM(dialog)));
        if (!brush)
            brush = reinterpret_cast<HBRUSH>(DefWindowProcA(dialog, WM_CTLCOLORDLG, wparam, LPARAM(dialog)));
        // The colour handlers may have destroyed the dialog.
        RECT client;
        if (brush && GetClientRect(dialog, &client)) FillRect(reinterpret_cast<HDC>(wparam), &client, brush);
        return 1;
    }
    case WM_SHOWWINDOW:
        if (!wparam) save_focus(dialog);
        return DefWindowProcA(dialog, message, wparam, lparam);
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE)
            restore_focus(dialog);
        else
            save_focus(dialog);
        return 0;
    case WM_SETFOCUS: restore_focus(dialog); return 0;
    case DM_SETDEFID: {
        const DialogInfo* info = info_of(dialog);
        if (info && !info->ended) set_default_id(dialog, UINT(wparam));
        return 1;
    }
    case DM_GETDEFID: {
        const DialogInfo* info = info_of(dialog);
        if (!info || info->ended) return 0;
        if (info->default_id) return MAKELONG(info->default_id, DC_HASDEFID);
        if (HWND button = find_default_button(dialog)) return MAKELONG(GetDlgCtrlID(button), DC_HASDEFID);
        return 0;
    }
    case WM_NEXTDLGCTL: {
        // lparam set: wparam is the control; else wparam picks previous (non-zero) or next.
        HWND target = lparam ? reinterpret_cast<HWND>(wparam) : GetNextDlgTabItem(dialog, GetFocus(), wparam != 0);
        if (target && IsChild(dialog, target)) SetFocus(target);
        return 0;
    }
    case WM_CLOSE:
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return 0;
    default: return DefWindowProcA(dialog, message, wparam, lparam);
    }
}

bool has_mnemonic(const std::string& text, char ch) {
    int at = mnemonic_offset(text);
    return at >= 0 && tolower(static_cast<unsigned char>(text[size_t(at)])) == tolower(static_cast<unsigned char>(ch));
}

// A character typed in a dialog may be a control's mnemonic: a push button
// is clicked, another button takes the focus, a label hands the focus on.
bool dialog_mnemonic(HWND dialog, char ch) {
    for (HWND child : win_children(dialog)) {
        Window* c = handle_cast<Window>(child);
        if (!c || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
        UINT code = UINT(SendMessageA(child, WM_GETDLGCODE, 0, 0));
        // The control may have destroyed itself, or the dialog, in the meantime.
        if (!IsWindow(dialog)) return true;
        if (!(c = handle_cast<Window>(child))) continue;
        if ((code & DLGC_STATIC) && (c->style & SS_NOPREFIX)) continue;
        if (!(code & (DLGC_BUTTON | DLGC_STATIC)) || !has_mnemonic(c->text, ch)) continue;
        if (code & DLGC_STATIC) {
            if (HWND next = GetNextDlgTabItem(dialog, child, FALSE)) SetFocus(next);
        } else if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
            SendMessageA(child, BM_CLICK, 0, 0);
        } else {
            SetFocus(child);
        }
        return true;
    }
    return false;
}

// Where the dialog's window goes, `frame` being its frame around a client
// area at the origin: the template places the client area, on the owner's
// unless the style says otherwise, and a top-level dialog is kept on the
// screen. The owner may lie anywhere: the sums saturate.
POINT place_dialog(const DialogTemplate& t, SIZE units, DWORD style, const RECT& frame, HWND owner) {
    const SIZE size = {frame.right - frame.left, frame.bottom - frame.top};
    const SIZE screen = backend().screen_size();
    if (style & DS_CENTER)
        return POINT{std::max<LONG>(0, (screen.cx - size.cx) / 2), std::max<LONG>(0, (screen.cy - size.cy) / 2)};
    POINT pos = {mul_div(t.x, units.cx, 4), mul_div(t.y, units.cy, 8)};
    if (!(style & (WS_CHILD | DS_ABSALIGN)) && owner) ClientToScreen(owner, &pos);
    if (style & WS_CHILD) return pos;
    pos.x = saturating_add(pos.x, frame.left);
    pos.y = saturating_add(pos.y, frame.top);
    if (saturating_add(pos.x, size.cx) > screen.cx) pos.x = screen.cx - size.cx;
    if (saturating_add(pos.y, size.cy) > screen.cy) pos.y = screen.cy - size.cy;
    return POINT{std::max<LONG>(pos.x, 0), std::max<LONG>(pos.y, 0)};
}

// A modal dialog's owner is its top-level window, disabled while the dialog
// runs; true when this disabled it.
bool disable_owner(HWND* owner) {
    *owner = win_top_level(*owner);
    if (!IsWindowEnabled(*owner)) return false;
    EnableWindow(*owner, FALSE);
    return true;
}

// The template's controls, the last default push button the default; false
// when a control fails (the dialog is then destroyed) or the dialog is gone.
bool create_controls(HWND dialog, const DialogTemplate& t, SIZE units, HINSTANCE instance) {
    HWND default_button = nullptr;
    for (const DialogItemTemplate& item : t.items) {
        std::string control_class = dialog_control_class(item.class_name);
        // An ordinal title (an icon's resource id) travels as 0xff and the
        // number; one whose low byte would end the string early, as "#id".
        char ordinal[12] = {'\xff', char(item.title.number & 0xff), char(item.title.number >> 8), 0};
        if (!ordinal[1]) snprintf(ordinal, sizeof ordinal, "#%u", unsigned(item.title.number));
        LPCSTR title = item.title.kind == DialogId::Kind::Number ? ordinal : item.title.text.c_str();
        HWND control = control_class.empty()
                           ? nullptr
                           : CreateWindowExA(item.ex_style | WS_EX_NOPARENTNOTIFY, control_class.c_str(), title,
                                             item.style | WS_CHILD, mul_div(item.x, units.cx, 4),
                                             mul_div(item.y, units.cy, 8), mul_div(item.cx, units.cx, 4),
                                             mul_div(item.cy, units.cy, 8), dialog,
                                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance,
                                             nullptr);
        if (!IsWindow(dialog)) return false;
        if (!control) {
            if (t.style & DS_NOFAILCREATE) continue;
            DestroyWindow(dialog);
            return false;
        }
        if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
            if (default_button) SendMessageA(default_button, BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
            default_button = control;
            DialogInfo* info = info_of(dialog);
            if (!info) return false;
            info->default_id = item.id;
        }
    }
    return IsWindow(dialog);
}

// WM_INITDIALOG; TRUE from it asks for the focus on the first tab stop.
// False when the dialog is gone.
bool init_dialog(HWND dialog, DWORD style, DLGPROC proc, LPARAM param) {
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    if (proc && SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param) && IsWindow(dialog) &&
        (!(style & DS_CONTROL) || IsWindowVisible(dialog))) {
        if (HWND focus = GetNextDlgTabItem(dialog, nullptr, FALSE))
            SetFocus(focus);
        else if (!(style & WS_CHILD))
            SetFocus(dialog);
    }
    return IsWindow(dialog);
}

// Creates the dialog and its controls and sends WM_INITDIALOG; the owner of
// a modal dialog is disabled first.
HWND create_dialog(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc, LPARAM param, bool modal) {
    const SIZE units = template_units(t);
    const DWORD style = t.style | DS_3DLOOK;
    DWORD ex_style = t.ex_style | WS_EX_CONTROLPARENT;
    if (style & DS_MODALFRAME) ex_style |= WS_EX_DLGMODALFRAME;
    HMENU menu = nullptr;
    if (t.menu.kind == DialogId::Kind::Number) menu = LoadMenuA(instance, MAKEINTRESOURCEA(t.menu.number));
    if (t.menu.kind == DialogId::Kind::Text) menu = LoadMenuA(instance, t.menu.text.c_str());
    RECT frame = {0, 0, mul_div(t.cx, units.cx, 4), mul_div(t.cy, units.cy, 8)};
    AdjustWindowRectEx(&frame, style, menu != nullptr, ex_style);
    const POINT pos = place_dialog(t, units, style, frame, owner);

    const bool owner_disabled = modal && owner && disable_owner(&owner);
    // A dialog that fails, or that a window procedure destroys before it is
    // made, gives the owner back.
    auto fail = [&]() -> HWND {
        if (owner_disabled) EnableWindow(owner, TRUE);
        return nullptr;
    };
    std::string class_name = t.class_name.kind == DialogId::Kind::Text ? t.class_name.text : std::string();
    LPCSTR cls = t.class_name.kind == DialogId::Kind::Text     ? class_name.c_str()
                 : t.class_name.kind == DialogId::Kind::Number ? MAKEINTATOM(t.class_name.number)
                                                               : WC_DIALOG;
    HWND dialog = CreateWindowExA(ex_style, cls, t.caption.c_str(), style & ~WS_VISIBLE, pos.x, pos.y,
                                  frame.right - frame.left, frame.bottom - frame.top, owner, menu, instance, nullptr);
    if (!dialog) {
        if (menu) DestroyMenu(menu);
        return fail();
    }
    DialogInfo* info = info_of(dialog);
    info->proc = proc;
    info->units = units;
    info->owner_disabled = owner_disabled;
    if (extra_fits(handle_cast<Window>(dialog)->extra, DWLP_DLGPROC, sizeof(LONG_PTR)))
        SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));

    if (!create_controls(dialog, t, units, instance) || !init_dialog(dialog, style, proc, param)) return fail();
    if ((t.style & WS_VISIBLE) && !IsWindowVisible(dialog)) ShowWindow(dialog, SW_SHOWNORMAL);
    return IsWindow(dialog) ? dialog : fail();
}

bool load_template(HINSTANCE instance, LPCSTR name, DialogTemplate* t) {
    HRSRC resource = FindResourceA(instance, name, RT_DIALOG);
    if (!resource) return false;
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(instance, resource)));
    if (!data || !parse_dialog_template(data, SizeofResource(instance, resource), t)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

// The modal loop: every message of the thread is retrieved here, the
// dialog's through IsDialogMessageA, all others dispatched as usual, until
// EndDialog. The dialog shows the first time the queue runs dry.
INT_PTR run_modal(HWND dialog) {
    bool hidden = true;
    for (;;) {
        const DialogInfo* info = info_of(dialog);
        if (!info) return 0;
        if (info->ended) break;
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (hidden) {
                ShowWindow(dialog, SW_SHOWNORMAL);
                hidden = false;
            }
            GetMessageA(&msg, nullptr, 0, 0);
        }
        if (msg.message == WM_QUIT) {
            // The program's own loop must see the quit request too.
            PostQuitMessage(int(msg.wParam));
            if (!IsWindow(dialog)) return 0;
            break;
        }
        if (!IsWindow(dialog)) return 0;
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!IsWindow(dialog)) return 0;
        // A busy timer must not keep the dialog from showing.
        if (hidden && msg.message == WM_TIMER) {
            ShowWindow(dialog, SW_SHOWNORMAL);
            hidden = false;
        }
    }
    // Ended without EndDialog (a quit request): the owner is enabled here.
    // The result is taken first: the owner's WM_ENABLE may destroy the dialog.
    DialogInfo* info = info_of(dialog);
    const INT_PTR result = info->result;
    const bool enable_owner = info->owner_disabled;
    info->owner_disabled = false;
    HWND owner = handle_cast<Window>(dialog)->owner;
    if (enable_owner && owner) EnableWindow(owner, TRUE);
    DestroyWindow(dialog);
    return result;
}

LRESULT CALLBACK dialog_class_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefDlgProcA(dialog, message, wparam, lparam);
}

}  // namespace

void dialog_window_dying(Window* w) {
    delete w->dialog;
    w->dialog = nullptr;
}

void dialog_class_register() {
    class_register_builtin("#32770", LOWORD(reinterpret_cast<ULONG_PTR>(WC_DIALOG)), CS_DBLCLKS, dialog_class_proc,
                           DLGWINDOWEXTRA, nullptr);
}

}  // namespace plat

using namespace plat;

extern "C" {

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR template_name, HWND owner, DLGPROC proc, LPARAM param) {
    // A bad owner is 0; every other failure -1.
    if (owner && !win_get(owner)) return 0;
    DialogTemplate t;
    if (!load_template(instance, template_name, &t)) return -1;
    HWND dialog = create_dialog(instance, t, owner, proc, param, true);
    return dialog ? run_modal(dialog) : -1;
}

HWND WINAPI CreateDialogParamA(HINSTANCE instance, LPCSTR template_name, HWND owner, DLGPROC proc, LPARAM param) {
    if (owner && !win_get(owner)) return nullptr;
    DialogTemplate t;
    if (!load_template(instance, template_name, &t)) return nullptr;
    return create_dialog(instance, t, owner, proc, param, false);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    Window* w = win_get(dialog);
    if (!w || !w->dialog) return FALSE;
    DialogInfo* info = w->dialog;
    info->result = result;
    info->ended = true;
    HWND owner = w->owner;
    const bool enable_owner = info->owner_disabled;
    info->owner_disabled = false;
    // From here on window procedures run, and any of them may destroy the
    // dialog: only its handle is used.
    if (owner && enable_owner) EnableWindow(owner, TRUE);
    if (!IsWindow(dialog)) return TRUE;
    if (IsChild(dialog, GetFocus())) SetFocus(dialog);
    // Hidden without WM_SHOWWINDOW; the owner becomes active again.
    win_hide_quietly(dialog);
    if (GetActiveWindow() == dialog) {
        if (owner && IsWindowEnabled(owner) && IsWindowVisible(owner))
            focus_set_active(owner);
        else
            focus_activate_other(dialog);
    }
    // Wakes the modal loop.
    PostMessageA(dialog, WM_NULL, 0, 0);
    return TRUE;
}

LRESULT WINAPI DefDlgProcA(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    Window* w = handle_cast<Window>(dialog);
    if (!w) return 0;
    if (extra_fits(w->extra, DWLP_MSGRESULT, sizeof(LONG_PTR))) SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
    DLGPROC proc = dialog_proc(dialog);
    INT_PTR result = proc ? proc(dialog, message, wparam, lparam) : 0;
    if (!result && IsWindow(dialog)) {
        switch (message) {
        case WM_ERASEBKGND:
        case WM_SHOWWINDOW:
        case WM_ACTIVATE:
        case WM_SETFOCUS:
        case DM_SETDEFID:
        case DM_GETDEFID:
        case WM_NEXTDLGCTL:
        case WM_CLOSE: return default_dialog(dialog, message, wparam, lparam);
        case WM_INITDIALOG: break;
        default: return DefWindowProcA(dialog, message, wparam, lparam);
        }
    }
    // Colour and WM_INITDIALOG answers are the procedure's own; others go through DWLP_MSGRESULT.
    if ((message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) || message == WM_INITDIALOG) return result;
    if (!(w = handle_cast<Window>(dialog)) || !extra_fits(w->extra, DWLP_MSGRESULT, sizeof(LONG_PTR))) return 0;
    return GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
}

BOOL WINAPI IsDialogMessageA(HWND dialog, LPMSG msg) {
    if (!msg || !handle_cast<Window>(dialog)) return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
    UINT code = UINT(SendMessageA(msg->hwnd, WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(msg)));
    if (!(code & DLGC_WANTMESSAGE)) {
        switch (msg->message) {
        case WM_KEYDOWN:
            switch (msg->wParam) {
            case VK_TAB:
                if (code & DLGC_WANTTAB) break;
                SendMessageA(dialog, WM_NEXTDLGCTL, (GetKeyState(VK_SHIFT) & 0x8000) != 0, 0);
                return TRUE;
            case VK_ESCAPE:
                SendMessageA(dialog, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
                return TRUE;
            case VK_RETURN: {
                // The focused push button if it is the default, else the default id, else IDOK.
                HWND focus = GetFocus();
                DWORD def;
                if (IsChild(dialog, focus) && (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
                    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(focus));
                } else if (HIWORD(def = DWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0))) == DC_HASDEFID) {
                    HWND button = GetDlgItem(dialog, LOWORD(def));
                    if (!button || IsWindowEnabled(button))
                        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(LOWORD(def), BN_CLICKED),
                                     reinterpret_cast<LPARAM>(button));
                } else {
                    SendMessageA(dialog, WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(focus));
                }
                return TRUE;
            }
            default: break;
            }
            break;
        case WM_CHAR:
            if (code & DLGC_WANTCHARS) break;
            if (msg->wParam == '\t' && (code & DLGC_WANTTAB)) break;
            [[fallthrough]];
        case WM_SYSCHAR:
            if (dialog_mnemonic(dialog, char(msg->wParam))) return TRUE;
            break;
        default: break;
        }
    }
    TranslateMessage(msg);
    DispatchMessageA(msg);
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    if (!win_get(dialog)) return nullptr;
    for (HWND child : win_children(dialog))
        if (handle_cast<Window>(child)->id == id) return child;
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

HWND WINAPI GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    if (!win_get(dialog)) return nullptr;
    if (control && !IsChild(dialog, control)) return nullptr;
    std::vector<HWND> stops;
    for (HWND child : win_children(dialog)) {
        Window* c = handle_cast<Window>(child);
        if ((c->style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE)) stops.push_back(child);
    }
    if (stops.empty()) return nullptr;
    // From the control (or an edge) in the asked direction, wrapping around.
    std::vector<HWND> children = win_children(dialog);
    auto at = std::find(children.begin(), children.end(), control);
    if (at == children.end()) return previous ? stops.back() : stops.front();
    size_t n = children.size();
    size_t index = size_t(at - children.begin());
    for (size_t step = 1; step <= n; ++step) {
        HWND candidate = children[(previous ? index + n - step : index + step) % n];
        if (std::find(stops.begin(), stops.end(), candidate) != stops.end()) return candidate;
    }
    return nullptr;
}

BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect) {
    Window* w = win_get(dialog);
    if (!w || !w->dialog || !rect) return FALSE;
    SIZE u = w->dialog->units;
    rect->left = mul_div(rect->left, u.cx, 4);
    rect->right = mul_div(rect->right, u.cx, 4);
    rect->top = mul_div(rect->top, u.cy, 8);
    rect->bottom = mul_div(rect->bottom, u.cy, 8);
    return TRUE;
}

}  // extern "C"
