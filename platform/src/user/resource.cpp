// String resources: LoadStringA.
#include <string.h>

#include <windows.h>

#include "res/resfile.h"
#include "res/resource_data.h"

using namespace plat;

extern "C" int WINAPI LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
    if (size == 0) return -1;
    if (!buffer || size < 0) return 0;
    // Strings are stored sixteen to a block: block n + 1 holds ids 16n..16n+15.
    WORD low = LOWORD(id);
    std::u16string text;
    HRSRC block = FindResourceA(instance, MAKEINTRESOURCEA((low >> 4) + 1), RT_STRING);
    if (block) {
        const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(instance, block)));
        res::string_table_entry(data, SizeofResource(instance, block), low & 0xF, &text);
    }
    // Converted to the ANSI code page (UTF-8), cut at a whole character.
    std::string utf8 = res::utf8_from_utf16(text);
    size_t n = res::utf8_fit(utf8, size_t(size) - 1);
    memcpy(buffer, utf8.data(), n);
    buffer[n] = '\0';
    return int(n);
}
