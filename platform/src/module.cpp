// Modules and the resource functions of KERNEL32: GetModuleHandleA,
// FindResource(Ex)A, LoadResource, LockResource, SizeofResource.
#include "module.h"

#include <string.h>

#include <win32_host.h>

// The program's compiled resources, when linked in (a program without any
// leaves them undefined, and its main module has no resources).
extern "C" {
__attribute__((weak)) extern const unsigned char win32_module_resources[];
__attribute__((weak)) extern const size_t win32_module_resources_size;
}

namespace plat {

namespace {

// Lives as long as the process; the pointer keeps it reachable to the end.
Module* g_main_module = nullptr;

HMODULE main_module() {
    if (g_main_module) return static_cast<HMODULE>(g_main_module->handle);
    Module* m = new Module;
    m->stock = true;  // lives as long as the process
    const unsigned char* data = win32_module_resources;
    if (data && &win32_module_resources_size) {
        size_t size = win32_module_resources_size;
        if (res::parse_res_file(data, size, &m->entries) == res::ResError::None) {
            m->data = data;
            m->size = size;
        }
    }
    HMODULE h = static_cast<HMODULE>(handle_alloc(m, ObjType::Module));
    if (h) g_main_module = m;
    return h;
}

// A type or name argument: an integer resource, "#123", or a string.
bool res_id_from_arg(LPCSTR arg, res::ResId* id) {
    if (IS_INTRESOURCE(arg)) {
        *id = res::ResId::from_number(WORD(reinterpret_cast<ULONG_PTR>(arg)));
        return true;
    }
    if (arg[0] == '#') {
        unsigned long value = 0;
        const char* p = arg + 1;
        if (!*p) return false;
        for (; *p; ++p) {
            if (*p < '0' || *p > '9') return false;
            value = value * 10 + unsigned(*p - '0');
            if (value > 0xFFFF) return false;
        }
        *id = res::ResId::from_number(WORD(value));
        return true;
    }
    *id = res::ResId::from_text(res::utf16_from_utf8(arg, strlen(arg)));
    return true;
}

// The module's entry that `resource` points at, or null.
const res::ResEntry* entry_of(const Module* m, HRSRC resource) {
    if (!m || !resource || m->entries.empty()) return nullptr;
    uintptr_t base = reinterpret_cast<uintptr_t>(m->entries.data());
    uintptr_t p = reinterpret_cast<uintptr_t>(resource);
    if (p < base) return nullptr;
    uintptr_t offset = p - base;
    if (offset % sizeof(res::ResEntry) || offset / sizeof(res::ResEntry) >= m->entries.size()) return nullptr;
    return &m->entries[offset / sizeof(res::ResEntry)];
}

}  // namespace

Module* module_from_handle(HMODULE h) { return handle_cast<Module>(h ? h : main_module()); }

void modules_reset() {
    for (void* m : handle_list_owned(ObjType::Module)) host_free_module(static_cast<HMODULE>(m));
}

void* module_find_shared(HMODULE module, const void* resource) {
    const Module* m = module_from_handle(module);
    if (!m) return nullptr;
    for (const Module::Shared& s : m->shared)
        if (s.resource == resource && handle_lookup(s.handle)) return s.handle;
    return nullptr;
}

void module_share(HMODULE module, const void* resource, void* handle) {
    if (Module* m = module_from_handle(module)) m->shared.push_back(Module::Shared{resource, handle});
}

}  // namespace plat

using namespace plat;

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR name) {
    if (!name) return main_module();
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

extern "C" HRSRC WINAPI FindResourceExA(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
    Module* m = module_from_handle(module);
    if (!m) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    res::ResId type_id, name_id;
    if (!res_id_from_arg(type, &type_id) || !res_id_from_arg(name, &name_id)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!m->data) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    // The loader's order: the language asked for, its neutral sublanguage,
    // neutral; for a neutral request also English, then whatever there is.
    WORD languages[4];
    size_t count = 0;
    auto push = [&](WORD l) {
        for (size_t i = 0; i < count; ++i)
            if (languages[i] == l) return;
        languages[count++] = l;
    };
    push(language);
    push(MAKELANGID(PRIMARYLANGID(language), SUBLANG_NEUTRAL));
    push(MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    bool neutral = PRIMARYLANGID(language) == LANG_NEUTRAL;
    if (neutral) push(MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT));

    const res::ResEntry* found = nullptr;
    switch (res::find_resource(m->entries, type_id, name_id, languages, count, neutral, &found)) {
    case res::FindResult::Found:
        return reinterpret_cast<HRSRC>(const_cast<res::ResEntry*>(found));
    case res::FindResult::TypeNotFound:
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        break;
    case res::FindResult::NameNotFound:
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        break;
    case res::FindResult::LanguageNotFound:
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        break;
    }
    return nullptr;
}

extern "C" HRSRC WINAPI FindResourceA(HMODULE module, LPCSTR name, LPCSTR type) {
    return FindResourceExA(module, type, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
}

extern "C" HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource) {
    if (!resource) return nullptr;
    const Module* m = module_from_handle(module);
    const res::ResEntry* e = entry_of(m, resource);
    if (!e) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // Resources are read-only, as in a mapped image; the handle is the data.
    return reinterpret_cast<HGLOBAL>(const_cast<uint8_t*>(m->data + e->offset));
}

extern "C" LPVOID WINAPI LockResource(HGLOBAL data) { return data; }

extern "C" DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource) {
    if (!resource) return 0;
    const res::ResEntry* e = entry_of(module_from_handle(module), resource);
    if (!e) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return DWORD(e->size);
}

extern "C" HMODULE host_create_module(const void* res_data, size_t size) {
    if (!res_data && size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Module* m = new Module;
    if (size) {
        m->bytes.assign(static_cast<const uint8_t*>(res_data), static_cast<const uint8_t*>(res_data) + size);
        if (res::parse_res_file(m->bytes.data(), m->bytes.size(), &m->entries) != res::ResError::None) {
            delete m;
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        m->data = m->bytes.data();
        m->size = m->bytes.size();
    }
    return static_cast<HMODULE>(handle_alloc(m, ObjType::Module));
}

extern "C" BOOL host_free_module(HMODULE module) {
    Module* m = handle_cast<Module>(module);
    if (!m || m->stock) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (const Module::Shared& s : m->shared) handle_free(s.handle);
    return handle_free(module) ? TRUE : FALSE;
}
