// Window classes: registration, lookup and the class longs.
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <memory>

#include "user/user_private.h"

namespace plat {

namespace {

// Atoms live as long as the process, as in the global atom table: a name
// registered again gets its old atom back.
constexpr ATOM kFirstAtom = 0xc000;
constexpr int kMaxExtraBytes = 0x10000;

std::vector<std::string> g_atom_names;
std::vector<std::unique_ptr<WindowClass>> g_classes;

ATOM atom_for(const char* name) {
    for (size_t i = 0; i < g_atom_names.size(); ++i)
        if (strcasecmp(g_atom_names[i].c_str(), name) == 0) return ATOM(kFirstAtom + i);
    g_atom_names.push_back(name);
    return ATOM(kFirstAtom + g_atom_names.size() - 1);
}

bool name_matches(const WindowClass& c, LPCSTR name) {
    if (IS_INTRESOURCE(name)) return c.atom == LOWORD(reinterpret_cast<ULONG_PTR>(name));
    return strcasecmp(c.name.c_str(), name) == 0;
}

// The program's own classes first (same instance), then the platform's, then
// any other of that name: this platform has one module that matters.
WindowClass* lookup(LPCSTR name, HINSTANCE instance, bool with_builtin) {
    if (!name) return nullptr;
    WindowClass* fallback = nullptr;
    WindowClass* builtin = nullptr;
    for (auto& c : g_classes) {
        if (!name_matches(*c, name)) continue;
        if (c->builtin) {
            if (with_builtin && !builtin) builtin = c.get();
        } else if (c->instance == instance) {
            return c.get();
        } else if (!fallback) {
            fallback = c.get();
        }
    }
    return builtin ? builtin : fallback;
}

}  // namespace

WindowClass* class_find(LPCSTR name, HINSTANCE instance) {
    // The platform's classes exist from the first lookup on.
    static bool builtins = false;
    if (!builtins) {
        builtins = true;
        dialog_class_register();
        button_class_register();
        static_class_register();
    }
    return lookup(name, instance, true);
}

void classes_reset() {
    // Classes outlive their windows only until here; no window points to them now.
    g_classes.erase(std::remove_if(g_classes.begin(), g_classes.end(),
                                   [](const std::unique_ptr<WindowClass>& c) { return !c->builtin; }),
                    g_classes.end());
}

WindowClass* class_register_builtin(const char* name, ATOM atom, UINT style, WNDPROC proc, int window_extra,
                                    HBRUSH background) {
    for (auto& c : g_classes)
        if (c->builtin && c->atom == atom) return c.get();
    auto c = std::make_unique<WindowClass>();
    c->name = name;
    c->atom = atom;
    c->style = style;
    c->proc = proc;
    c->window_extra = window_extra;
    c->background = background;
    c->builtin = true;
    g_classes.push_back(std::move(c));
    return g_classes.back().get();
}

}  // namespace plat

using namespace plat;

extern "C" {

ATOM WINAPI RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXA) || wc->cbClsExtra < 0 || wc->cbWndExtra < 0 ||
        wc->cbClsExtra > kMaxExtraBytes || wc->cbWndExtra > kMaxExtraBytes || !wc->lpszClassName ||
        IS_INTRESOURCE(wc->lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (auto& c : g_classes) {
        if (!c->builtin && c->instance == wc->hInstance && name_matches(*c, wc->lpszClassName)) {
            SetLastError(ERROR_CLASS_ALREADY_EXISTS);
            return 0;
        }
    }
    auto c = std::make_unique<WindowClass>();
    c->name = wc->lpszClassName;
    c->atom = atom_for(wc->lpszClassName);
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->instance = wc->hInstance;
    c->icon = wc->hIcon;
    c->small_icon = wc->hIconSm;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    if (IS_INTRESOURCE(wc->lpszMenuName)) {
        c->menu_name = wc->lpszMenuName;
    } else {
        c->menu_name_text = wc->lpszMenuName;
        c->menu_name = c->menu_name_text.c_str();
    }
    c->window_extra = wc->cbWndExtra;
    c->extra.assign(size_t(wc->cbClsExtra), 0);
    ATOM atom = c->atom;
    g_classes.push_back(std::move(c));
    return atom;
}

BOOL WINAPI UnregisterClassA(LPCSTR class_name, HINSTANCE instance) {
    WindowClass* c = lookup(class_name, instance, false);
    if (!c) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (c->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    g_classes.erase(std::find_if(g_classes.begin(), g_classes.end(),
                                 [c](const std::unique_ptr<WindowClass>& p) { return p.get() == c; }));
    return TRUE;
}

BOOL WINAPI GetClassInfoExA(HINSTANCE instance, LPCSTR class_name, WNDCLASSEXA* wc) {
    WindowClass* c = class_find(class_name, instance);
    if (!c || !wc) {
        SetLastError(c ? ERROR_INVALID_PARAMETER : ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    wc->cbSize = sizeof(WNDCLASSEXA);
    wc->style = c->style;
    wc->lpfnWndProc = c->proc;
    wc->cbClsExtra = int(c->extra.size());
    wc->cbWndExtra = c->window_extra;
    wc->hInstance = c->instance;
    wc->hIcon = c->icon;
    wc->hCursor = c->cursor;
    wc->hbrBackground = c->background;
    wc->lpszMenuName = c->menu_name;
    wc->lpszClassName = class_name;
    wc->hIconSm = c->small_icon;
    // The class atom stands for TRUE.
    return c->atom;
}

int WINAPI GetClassNameA(HWND window, LPSTR buffer, int size) {
    Window* w = win_get(window);
    if (!w || !buffer || size <= 0) return 0;
    return text_copy(w->cls->name, buffer, size);
}

ULONG_PTR WINAPI GetClassLongPtrA(HWND window, int index) {
    Window* w = win_get(window);
    if (!w) return 0;
    const WindowClass* c = w->cls;
    if (index >= 0) {
        if (!extra_fits(c->extra, index, sizeof(ULONG_PTR))) {
            SetLastError(ERROR_INVALID_INDEX);
            return 0;
        }
        ULONG_PTR value;
        memcpy(&value, &c->extra[size_t(index)], sizeof value);
        return value;
    }
    switch (index) {
    case GCLP_MENUNAME: return reinterpret_cast<ULONG_PTR>(c->menu_name);
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c->background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c->cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c->icon);
    case GCLP_HICONSM: return reinterpret_cast<ULONG_PTR>(c->small_icon);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c->instance);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c->proc);
    case GCL_STYLE: return c->style;
    case GCL_CBWNDEXTRA: return ULONG_PTR(c->window_extra);
    case GCL_CBCLSEXTRA: return c->extra.size();
    case GCW_ATOM: return c->atom;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

}  // extern "C"
