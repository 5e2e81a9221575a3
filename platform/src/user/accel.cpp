// Accelerator tables: LoadAcceleratorsA, CopyAcceleratorTableA,
// DestroyAcceleratorTable.
#include "user/accel.h"

#include "res/resource_data.h"

using namespace plat;

extern "C" HACCEL WINAPI LoadAcceleratorsA(HINSTANCE instance, LPCSTR name) {
    HRSRC resource = FindResourceA(instance, name, RT_ACCELERATOR);
    if (!resource) return nullptr;
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(instance, resource)));
    std::vector<res::AccelEntry> stored;
    if (!data || !res::parse_accelerators(data, SizeofResource(instance, resource), &stored)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    AccelTable* table = new AccelTable;
    for (const res::AccelEntry& e : stored) {
        ACCEL a;
        a.fVirt = BYTE(e.flags & 0x7F);
        a.key = e.key;
        a.cmd = e.command;
        table->entries.push_back(a);
    }
    return static_cast<HACCEL>(handle_alloc(table, ObjType::Accel));
}

extern "C" int WINAPI CopyAcceleratorTableA(HACCEL handle, LPACCEL entries, int count) {
    AccelTable* table = handle_cast<AccelTable>(handle);
    if (!table) {
        SetLastError(ERROR_INVALID_ACCEL_HANDLE);
        return 0;
    }
    // Without a buffer, the number of entries.
    if (!entries) return int(table->entries.size());
    int n = count < int(table->entries.size()) ? count : int(table->entries.size());
    if (n < 0) n = 0;
    // Character keys would come back in the ANSI code page; in UTF-8 only
    // ASCII has a single byte, and it is the same in both, so keys are
    // copied as stored.
    for (int i = 0; i < n; ++i) entries[i] = table->entries[size_t(i)];
    return n;
}

extern "C" BOOL WINAPI DestroyAcceleratorTable(HACCEL handle) {
    if (!handle_cast<AccelTable>(handle)) {
        SetLastError(ERROR_INVALID_ACCEL_HANDLE);
        return FALSE;
    }
    handle_free(handle);
    return TRUE;
}
