// The program's resources read back through the platform's loaders, and the
// loaders on hand-made and malformed input.
#include <gtest/gtest.h>
#include <string.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <win32_host.h>
#include <windows.h>

#include "handles.h"
#include "res/dialog_template.h"
#include "res/icon_image.h"
#include "res/menu_template.h"
#include "res/resfile.h"
#include "res/resource_data.h"
#include "res_builder.h"
#include "resource.h"

extern "C" {
extern const unsigned char win32_module_resources[];
extern const size_t win32_module_resources_size;
}

namespace {

constexpr WORD kJapanese = 0x0411;

struct ModuleGuard {
    HMODULE h;
    explicit ModuleGuard(const std::vector<uint8_t>& res) : h(host_create_module(res.data(), res.size())) {}
    ~ModuleGuard() {
        if (h) host_free_module(h);
    }
};

std::string load_string(HINSTANCE instance, UINT id) {
    char buffer[256];
    int n = LoadStringA(instance, id, buffer, sizeof buffer);
    EXPECT_EQ(size_t(n), strlen(buffer));
    return std::string(buffer, size_t(n));
}

std::string menu_string(HMENU menu, UINT item, UINT flags) {
    char buffer[256];
    int n = GetMenuStringA(menu, item, buffer, sizeof buffer, flags);
    EXPECT_EQ(size_t(n), strlen(buffer));
    return std::string(buffer, size_t(n));
}

std::vector<uint8_t> resource_bytes(HMODULE module, LPCSTR type, LPCSTR name) {
    HRSRC r = FindResourceA(module, name, type);
    if (!r) return {};
    const uint8_t* p = static_cast<const uint8_t*>(LockResource(LoadResource(module, r)));
    if (!p) return {};
    return std::vector<uint8_t>(p, p + SizeofResource(module, r));
}

const HMODULE kMain = nullptr;  // NULL stands for the program's own module

// ---- The program's resources --------------------------------------------------

TEST(ProgramResources, EveryResourceIsJapaneseAndNothingElseIsThere) {
    std::vector<plat::res::ResEntry> entries;
    ASSERT_EQ(plat::res::parse_res_file(win32_module_resources, win32_module_resources_size, &entries),
              plat::res::ResError::None);
    std::set<std::pair<int, int>> found;
    for (const auto& e : entries) {
        ASSERT_TRUE(e.type.is_number);
        ASSERT_TRUE(e.name.is_number);
        EXPECT_EQ(e.language, kJapanese) << "type " << e.type.number << " name " << e.name.number;
        EXPECT_TRUE(found.insert({e.type.number, e.name.number}).second);
    }
    // Three icon images, two icon groups, menu, dialog, one string block
    // (ids 96..111), accelerators, version information, manifest.
    std::set<std::pair<int, int>> expected = {{3, 1},   {3, 2}, {3, 3},   {14, 107}, {14, 108}, {4, 109},
                                              {5, 103}, {6, 7}, {9, 109}, {16, 1},   {24, 1}};
    EXPECT_EQ(found, expected);
}

TEST(ProgramResources, FoundByNumberInJapaneseOnly) {
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    ASSERT_NE(GetModuleHandleA(nullptr), nullptr);
    const std::tuple<LPCSTR, int> all[] = {{RT_MENU, RES_MAIN},        {RT_ACCELERATOR, RES_MAIN},
                                           {RT_DIALOG, RES_ABOUT_DIALOG}, {RT_GROUP_ICON, RES_ICON_LARGE},
                                           {RT_GROUP_ICON, RES_ICON_SMALL}, {RT_STRING, 7},
                                           {RT_VERSION, 1}, {RT_MANIFEST, 1}};
    for (auto [type, name] : all) {
        SCOPED_TRACE(name);
        HRSRC exact = FindResourceExA(kMain, type, MAKEINTRESOURCEA(name), kJapanese);
        ASSERT_NE(exact, nullptr);
        EXPECT_EQ(FindResourceA(kMain, MAKEINTRESOURCEA(name), type), exact);
        EXPECT_EQ(FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(name), type), exact);
        SetLastError(0);
        EXPECT_EQ(FindResourceExA(kMain, type, MAKEINTRESOURCEA(name), MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT)),
                  nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_LANG_NOT_FOUND));
    }
    SetLastError(0);
    EXPECT_EQ(FindResourceA(kMain, MAKEINTRESOURCEA(110), RT_MENU), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceA(kMain, MAKEINTRESOURCEA(1), RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
    // "#109" is the number 109.
    EXPECT_EQ(FindResourceA(kMain, "#109", RT_MENU), FindResourceA(kMain, MAKEINTRESOURCEA(109), RT_MENU));
    EXPECT_EQ(FindResourceA(kMain, "#109", "#4"), FindResourceA(kMain, MAKEINTRESOURCEA(109), RT_MENU));
}

TEST(ProgramResources, StringsAreTheTitleAndClassName) {
    EXPECT_EQ(load_string(kMain, RES_APP_TITLE), "ポフリン発生ソフト");
    EXPECT_EQ(load_string(GetModuleHandleA(nullptr), RES_MAIN), "MY");
    // Only the low 16 bits of the identifier count.
    EXPECT_EQ(load_string(kMain, MAKELONG(RES_APP_TITLE, 0x8000)), "ポフリン発生ソフト");
}

TEST(ProgramResources, LoadStringBufferRules) {
    char buffer[32];
    // Too small: cut at a whole character (3 bytes each), always terminated.
    memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(LoadStringA(kMain, RES_APP_TITLE, buffer, 10), 9);
    EXPECT_STREQ(buffer, "ポフリ");
    EXPECT_EQ(LoadStringA(kMain, RES_APP_TITLE, buffer, 9), 6);
    EXPECT_STREQ(buffer, "ポフ");
    EXPECT_EQ(LoadStringA(kMain, RES_APP_TITLE, buffer, 28), 27);
    EXPECT_STREQ(buffer, "ポフリン発生ソフト");
    EXPECT_EQ(LoadStringA(kMain, RES_MAIN, buffer, 2), 1);
    EXPECT_STREQ(buffer, "M");
    // Size 1: only the terminator, last error untouched.
    SetLastError(0xBEEF);
    buffer[0] = 'a';
    EXPECT_EQ(LoadStringA(kMain, RES_MAIN, buffer, 1), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GetLastError(), 0xBEEFu);
    // Size 0: -1 and the buffer untouched.
    buffer[0] = 'a';
    EXPECT_EQ(LoadStringA(kMain, RES_MAIN, buffer, 0), -1);
    EXPECT_EQ(buffer[0], 'a');
    // An empty slot of an existing block, and a missing block.
    buffer[0] = 'a';
    EXPECT_EQ(LoadStringA(kMain, 104, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    buffer[0] = 'a';
    SetLastError(0);
    EXPECT_EQ(LoadStringA(kMain, 5000, buffer, sizeof buffer), 0);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadStringA(kMain, RES_MAIN, nullptr, 10), 0);
}

struct ExpectedItem {
    const char* text;
    UINT id;
};

const ExpectedItem kMenuItems[] = {
    {"ポフリンを発生させる（発生パターン梅）", CMD_PATTERN_UME},
    {"ポフリンを発生させる（発生パターン竹）", CMD_PATTERN_TAKE},
    {"ポフリンを発生させる（発生パターン松）", CMD_PATTERN_MATSU},
    {"ＰＣにがんばってもらって発生速度を速める", CMD_SPEED_FAST},
    {"発生速度を通常に戻す", CMD_SPEED_NORMAL},
    {"ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", CMD_EXIT},
};

TEST(ProgramResources, MenuBarItemsTextsAndCommands) {
    HMENU bar = LoadMenuA(kMain, MAKEINTRESOURCEA(RES_MAIN));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(menu_string(bar, 0, MF_BYPOSITION), "メニュー");
    EXPECT_EQ(menu_string(bar, 1, MF_BYPOSITION), "ヘルプ");
    EXPECT_EQ(GetMenuItemID(bar, 0), UINT(-1));
    EXPECT_EQ(GetMenuItemID(bar, 1), UINT(-1));
    EXPECT_EQ(GetSubMenu(bar, 2), nullptr);

    HMENU menu = GetSubMenu(bar, 0);
    ASSERT_NE(menu, nullptr);
    // A popup's state: its item count in bits 8..15, MF_POPUP below.
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), UINT((6 << 8) | MF_POPUP));
    EXPECT_EQ(GetMenuState(bar, 1, MF_BYPOSITION), UINT((1 << 8) | MF_POPUP));
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(menu_string(menu, UINT(i), MF_BYPOSITION), kMenuItems[i].text);
        EXPECT_EQ(GetMenuItemID(menu, i), kMenuItems[i].id);
        EXPECT_EQ(GetSubMenu(menu, i), nullptr);
        // Plain string items: not checked, greyed, disabled or separators.
        EXPECT_EQ(GetMenuState(menu, UINT(i), MF_BYPOSITION), UINT(MF_STRING));
        // Found by command from the bar too.
        EXPECT_EQ(menu_string(bar, kMenuItems[i].id, MF_BYCOMMAND), kMenuItems[i].text);
        EXPECT_EQ(GetMenuState(bar, kMenuItems[i].id, MF_BYCOMMAND), UINT(MF_STRING));
    }
    HMENU help = GetSubMenu(bar, 1);
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(GetMenuItemCount(help), 1);
    EXPECT_EQ(menu_string(help, 0, MF_BYPOSITION), "ﾊﾞｰｼﾞｮﾝ情報(&A) ...");
    EXPECT_EQ(GetMenuItemID(help, 0), UINT(CMD_ABOUT));
    EXPECT_EQ(GetMenuState(help, CMD_ABOUT, MF_BYCOMMAND), UINT(MF_STRING));
    EXPECT_TRUE(DestroyMenu(bar));
}

TEST(ProgramResources, MenuMnemonicsForTheDisplay) {
    HMENU bar = LoadMenuA(kMain, MAKEINTRESOURCEA(RES_MAIN));
    ASSERT_NE(bar, nullptr);
    HOST_MENU_ITEM items[8];
    ASSERT_EQ(host_get_menu_items(bar, items, 8), 2);
    EXPECT_EQ(items[0].flags, UINT(MF_POPUP));
    EXPECT_EQ(items[0].submenu, GetSubMenu(bar, 0));
    EXPECT_EQ(items[0].mnemonic, 0u);
    EXPECT_EQ(items[0].mnemonic_offset, -1);
    ASSERT_EQ(host_get_menu_items(GetSubMenu(bar, 0), items, 8), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_STREQ(items[i].text, kMenuItems[i].text);
        EXPECT_EQ(items[i].id, kMenuItems[i].id);
        EXPECT_EQ(items[i].flags, UINT(MF_STRING));
        EXPECT_EQ(items[i].submenu, nullptr);
    }
    for (int i = 0; i < 5; ++i) EXPECT_EQ(items[i].mnemonic, 0u);
    EXPECT_EQ(items[5].mnemonic, UINT('X'));
    EXPECT_EQ(std::string(items[5].text).substr(size_t(items[5].mnemonic_offset), 2), "X)");
    ASSERT_EQ(host_get_menu_items(GetSubMenu(bar, 1), items, 8), 1);
    EXPECT_EQ(items[0].mnemonic, UINT('A'));
    EXPECT_EQ(items[0].text[items[0].mnemonic_offset - 1], '&');
    EXPECT_EQ(host_get_menu_items(GetSubMenu(bar, 1), nullptr, 0), 1);
    DestroyMenu(bar);
}

TEST(ProgramResources, AcceleratorsAreAltCharacters) {
    HACCEL table = LoadAcceleratorsA(kMain, MAKEINTRESOURCEA(RES_MAIN));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 2);
    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 4), 2);
    // Character accelerators: FALT alone, no FVIRTKEY, no end-of-table bit.
    EXPECT_EQ(entries[0].fVirt, FALT);
    EXPECT_EQ(entries[0].key, WORD('?'));
    EXPECT_EQ(entries[0].cmd, WORD(CMD_ABOUT));
    EXPECT_EQ(entries[1].fVirt, FALT);
    EXPECT_EQ(entries[1].key, WORD('/'));
    EXPECT_EQ(entries[1].cmd, WORD(CMD_ABOUT));
    ACCEL one[2] = {};
    EXPECT_EQ(CopyAcceleratorTableA(table, one, 1), 1);
    EXPECT_EQ(one[0].key, WORD('?'));
    EXPECT_EQ(one[1].key, 0);
    EXPECT_TRUE(DestroyAcceleratorTable(table));
    SetLastError(0);
    EXPECT_FALSE(DestroyAcceleratorTable(table));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ACCEL_HANDLE));
    EXPECT_EQ(CopyAcceleratorTableA(table, nullptr, 0), 0);
}

// The directory entries of an icon group, read from the raw resource.
std::vector<std::tuple<int, int, int, int>> group_images(int id) {
    std::vector<uint8_t> b = resource_bytes(kMain, RT_GROUP_ICON, MAKEINTRESOURCEA(id));
    std::vector<std::tuple<int, int, int, int>> out;
    if (b.size() < 6) return out;
    int count = b[4] | (b[5] << 8);
    for (int i = 0; i < count && size_t(6 + 14 * i + 14) <= b.size(); ++i) {
        const uint8_t* e = &b[size_t(6 + 14 * i)];
        out.emplace_back(e[0], e[1], e[2], e[6] | (e[7] << 8));  // width, height, colours, bits
    }
    return out;
}

TEST(ProgramResources, IconGroupsHoldTheirSizesAt4Bits) {
    using T = std::tuple<int, int, int, int>;
    EXPECT_EQ(group_images(RES_ICON_LARGE), (std::vector<T>{{32, 32, 16, 4}, {16, 16, 16, 4}}));
    EXPECT_EQ(group_images(RES_ICON_SMALL), (std::vector<T>{{16, 16, 16, 4}}));
}

constexpr DWORD kBlue = 0x0000FF, kCyan = 0x00FFFF, kNavy = 0x000080, kBlack = 0, kWhite = 0xFFFFFF;

HOST_ICON_IMAGE icon_image(HICON icon) {
    HOST_ICON_IMAGE image = {};
    EXPECT_TRUE(host_get_icon_image(icon, &image));
    return image;
}

// Every pixel of a concentric target: `bands` from the outside in, a pixel
// in the innermost disc holding its centre; outside all: transparent.
void expect_target(const HOST_ICON_IMAGE& image, const std::vector<std::pair<double, DWORD>>& bands) {
    double centre = (image.width - 1) / 2.0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            double d = std::hypot(x - centre, y - centre);
            bool inside = false;
            DWORD colour = 0;
            for (auto [radius, c] : bands)
                if (d <= radius) {
                    inside = true;
                    colour = c;
                }
            size_t at = size_t(y) * image.width + x;
            ASSERT_EQ(image.mask[at], inside ? 0 : 1) << x << "," << y;
            ASSERT_EQ(image.pixels[at], inside ? colour : kBlack) << x << "," << y;
        }
    }
}

TEST(ProgramResources, LargeIconIsATargetOnTransparency) {
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_LARGE),
                                               IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    HOST_ICON_IMAGE image = icon_image(icon);
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.height, 32);
    EXPECT_EQ(image.bits_per_pixel, 4);
    EXPECT_TRUE(image.is_icon);
    EXPECT_EQ(image.hotspot.x, 16);
    EXPECT_EQ(image.hotspot.y, 16);
    expect_target(image, {{15.3, kBlue}, {11.0, kCyan}, {5.5, kNavy}});
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(host_get_icon_image(icon, &image));
}

TEST(ProgramResources, LargeIconsSixteenPixelImageIsBlackAndWhite) {
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_LARGE),
                                               IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(icon, nullptr);
    HOST_ICON_IMAGE image = icon_image(icon);
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.height, 16);
    EXPECT_EQ(image.bits_per_pixel, 4);
    expect_target(image, {{7.3, kBlack}, {6.2, kWhite}, {4.0, kBlack}, {2.9, kWhite}, {1.0, kBlack}});
    DestroyIcon(icon);
}

TEST(ProgramResources, SmallIconIsASmallerTarget) {
    HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_SMALL),
                                               IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(icon, nullptr);
    HOST_ICON_IMAGE image = icon_image(icon);
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.bits_per_pixel, 4);
    expect_target(image, {{7.3, kBlue}, {5.2, kNavy}, {2.9, kCyan}});
    DestroyIcon(icon);
}

TEST(ProgramResources, LoadIconGivesSharedStandardSizeIcons) {
    HICON large = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_LARGE));
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_LARGE)), large);
    HOST_ICON_IMAGE image = icon_image(large);
    EXPECT_EQ(image.width, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(image.height, GetSystemMetrics(SM_CYICON));
    // Shared icons survive DestroyIcon.
    EXPECT_TRUE(DestroyIcon(large));
    EXPECT_TRUE(host_get_icon_image(large, &image));

    // The small icon has only a 16x16 image: stretched to the standard size.
    HICON small = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_SMALL));
    ASSERT_NE(small, nullptr);
    HICON native = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_SMALL), IMAGE_ICON, 0, 0, 0));
    ASSERT_NE(native, nullptr);
    HOST_ICON_IMAGE big = icon_image(small), src = icon_image(native);
    ASSERT_EQ(big.width, 32);
    ASSERT_EQ(src.width, 16);
    EXPECT_EQ(big.bits_per_pixel, 4);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            ASSERT_EQ(big.pixels[y * 32 + x], src.pixels[(y / 2) * 16 + x / 2]);
            ASSERT_EQ(big.mask[y * 32 + x], src.mask[(y / 2) * 16 + x / 2]);
        }
    DestroyIcon(native);
    EXPECT_FALSE(host_get_icon_image(native, &src));
}

TEST(ProgramResources, GetIconInfoGivesMaskAndColourBitmaps) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ICON_LARGE));
    ASSERT_NE(icon, nullptr);
    HOST_ICON_IMAGE image = icon_image(icon);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_TRUE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 16u);
    EXPECT_EQ(info.yHotspot, 16u);
    ASSERT_NE(info.hbmColor, nullptr);
    ASSERT_NE(info.hbmMask, nullptr);
    BITMAP bm = {};
    ASSERT_EQ(GetObjectA(info.hbmColor, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 32);
    EXPECT_EQ(bm.bmHeight, 32);
    std::vector<uint32_t> colour(32 * 32), mask(32 * 32);
    ASSERT_EQ(GetBitmapBits(info.hbmColor, LONG(colour.size() * 4), colour.data()), LONG(colour.size() * 4));
    ASSERT_EQ(GetBitmapBits(info.hbmMask, LONG(mask.size() * 4), mask.data()), LONG(mask.size() * 4));
    for (size_t i = 0; i < colour.size(); ++i) {
        ASSERT_EQ(colour[i] & 0xFFFFFF, image.pixels[i]);
        ASSERT_EQ(mask[i] & 0xFFFFFF, image.mask[i] ? 0xFFFFFFu : 0u);
    }
    EXPECT_TRUE(DeleteObject(info.hbmColor));
    EXPECT_TRUE(DeleteObject(info.hbmMask));
    SetLastError(0);
    EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(uintptr_t(0x7777)), &info));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_CURSOR_HANDLE));
}

TEST(ProgramResources, AboutDialogTemplate) {
    std::vector<uint8_t> bytes = resource_bytes(kMain, RT_DIALOG, MAKEINTRESOURCEA(RES_ABOUT_DIALOG));
    ASSERT_FALSE(bytes.empty());
    plat::DialogTemplate t;
    ASSERT_TRUE(plat::parse_dialog_template(bytes.data(), bytes.size(), &t));
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.style, 0x00C800C0u);
    EXPECT_EQ(t.style, DWORD(DS_MODALFRAME | DS_SETFONT | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(t.ex_style, 0u);
    EXPECT_EQ(std::make_tuple(t.x, t.y, t.cx, t.cy), std::make_tuple(22, 17, 230, 75));
    EXPECT_EQ(t.menu.kind, plat::DialogId::Kind::None);
    EXPECT_EQ(t.class_name.kind, plat::DialogId::Kind::None);
    EXPECT_EQ(t.caption, "ﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_TRUE(t.has_font);
    EXPECT_EQ(t.point_size, 8);
    EXPECT_EQ(t.font_name, "System");
    ASSERT_EQ(t.items.size(), 4u);

    struct Expected {
        uint32_t id, style;
        int x, y, cx, cy;
        const char* cls;
        const char* text;  // null: the title is icon RES_ICON_LARGE
    };
    const Expected expected[] = {
        {IDCANCEL, WS_CHILD | WS_VISIBLE | SS_ICON, 14, 9, 20, 20, "Static", nullptr},
        {0xFFFF, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, 49, 10, 119, 8, "Static",
         "ポフリン発生 Version 1.0"},
        {0xFFFF, WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 49, 20, 119, 8, "Static", nullptr},
        {IDOK, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 195, 6, 30, 11, "Button", "OK"},
    };
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const plat::DialogItemTemplate& item = t.items[i];
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(item.style, expected[i].style);
        EXPECT_EQ(item.ex_style, 0u);
        EXPECT_EQ(std::make_tuple(item.x, item.y, item.cx, item.cy),
                  std::make_tuple(expected[i].x, expected[i].y, expected[i].cx, expected[i].cy));
        // Predefined classes are stored as atoms.
        EXPECT_EQ(item.class_name.kind, plat::DialogId::Kind::Number);
        EXPECT_EQ(plat::dialog_control_class(item.class_name), expected[i].cls);
        EXPECT_TRUE(item.creation_data.empty());
        if (i == 0) {
            EXPECT_EQ(item.title.kind, plat::DialogId::Kind::Number);
            EXPECT_EQ(item.title.number, RES_ICON_LARGE);
        } else {
            EXPECT_EQ(item.title.kind, plat::DialogId::Kind::Text);
            if (expected[i].text) {
                EXPECT_EQ(item.title.text, expected[i].text);
            }
        }
    }
    // The maker's notice: one line of text.
    EXPECT_FALSE(t.items[2].title.text.empty());
    EXPECT_EQ(t.items[2].title.text.find('\n'), std::string::npos);
}

TEST(ProgramResources, ManifestAsksForUtf8AndNoDpiAwareness) {
    std::vector<uint8_t> bytes = resource_bytes(kMain, RT_MANIFEST, MAKEINTRESOURCEA(1));
    std::string text(bytes.begin(), bytes.end());
    size_t at = text.find("<activeCodePage xmlns=\"http://schemas.microsoft.com/SMI/2019/WindowsSettings\">UTF-8"
                          "</activeCodePage>");
    EXPECT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.find("dpiAware"), std::string::npos);
    EXPECT_EQ(text.find("dpiAwareness"), std::string::npos);
}

TEST(ProgramResources, VersionInformationIsOneJapaneseTable) {
    std::vector<uint8_t> bytes = resource_bytes(kMain, RT_VERSION, MAKEINTRESOURCEA(1));
    plat::res::VersionInfo v;
    ASSERT_TRUE(plat::res::parse_version_info(bytes.data(), bytes.size(), &v));
    EXPECT_EQ(v.file_version_ms, 0x00010000u);
    EXPECT_EQ(v.file_version_ls, 0u);
    EXPECT_EQ(v.product_version_ms, 0x00010000u);
    EXPECT_EQ(v.product_version_ls, 0u);
    EXPECT_EQ(v.file_os, 0x00040004u);  // VOS_NT_WINDOWS32
    EXPECT_EQ(v.file_type, 1u);         // VFT_APP
    EXPECT_EQ(v.file_flags, 0u);
    EXPECT_EQ(v.translations, std::vector<uint32_t>{1200u << 16 | kJapanese});
    ASSERT_EQ(v.tables.size(), 1u);
    EXPECT_EQ(v.tables[0].name, u"041104b0");
    std::set<std::u16string> keys;
    for (const auto& [key, value] : v.tables[0].strings) keys.insert(key);
    EXPECT_EQ(keys, (std::set<std::u16string>{u"CompanyName", u"FileDescription", u"FileVersion", u"InternalName",
                                              u"LegalCopyright", u"OriginalFilename", u"ProductName",
                                              u"ProductVersion"}));
    auto text = [&](const char16_t* key) {
        const std::u16string* value = plat::res::version_string(v, key);
        return value ? plat::res::utf8_from_utf16(*value) : std::string("(none)");
    };
    EXPECT_EQ(text(u"ProductName"), "ポフリン発生ソフト");
    EXPECT_EQ(text(u"FileDescription"), "ポフリン発生ソフト");
    EXPECT_EQ(text(u"FileVersion"), "1.0.0.0");
    EXPECT_EQ(text(u"ProductVersion"), "1.0.0.0");
    EXPECT_EQ(text(u"OriginalFilename"), "pofurin.exe");
    EXPECT_EQ(text(u"Comments"), "(none)");
}

// ---- Loaders on hand-made modules --------------------------------------------

TEST(ResourceLoaders, ModulesAndTheirHandles) {
    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("other.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(host_free_module(GetModuleHandleA(nullptr)));

    ModuleGuard empty(std::vector<uint8_t>{});
    ASSERT_NE(empty.h, nullptr);
    SetLastError(0);
    EXPECT_EQ(FindResourceA(empty.h, MAKEINTRESOURCEA(1), RT_MENU), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));

    std::vector<uint8_t> data = {1, 2, 3, 4, 5};
    ModuleGuard m(ResBuilder().add(10, u"blob", kJapanese, data).bytes);
    ASSERT_NE(m.h, nullptr);
    // Names match without regard to case.
    HRSRC r = FindResourceA(m.h, "BLOB", MAKEINTRESOURCEA(10));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(FindResourceA(m.h, "Blob", MAKEINTRESOURCEA(10)), r);
    EXPECT_EQ(SizeofResource(m.h, r), 5u);
    const uint8_t* p = static_cast<const uint8_t*>(LockResource(LoadResource(m.h, r)));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(p, p + 5), data);
    // A resource handle of one module means nothing to another.
    EXPECT_EQ(LoadResource(kMain, r), nullptr);
    EXPECT_EQ(SizeofResource(empty.h, r), 0u);
    EXPECT_EQ(LoadResource(m.h, nullptr), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
    EXPECT_EQ(FindResourceA(m.h, "#70000", MAKEINTRESOURCEA(10)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    HMODULE freed = m.h;
    EXPECT_TRUE(host_free_module(freed));
    m.h = nullptr;
    EXPECT_FALSE(host_free_module(freed));
    SetLastError(0);
    EXPECT_EQ(FindResourceA(freed, "BLOB", MAKEINTRESOURCEA(10)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_EQ(LoadStringA(freed, 1, reinterpret_cast<LPSTR>(data.data()), 5), 0);
}

TEST(ResourceLoaders, LanguageChoice) {
    ResBuilder b;
    b.add(6, 1, 0x0409, string_block({u"english"}))
        .add(6, 1, 0x0411, string_block({u"japanese"}))
        .add(6, 1, 0x0000, string_block({u"neutral"}))
        .add(6, 2, 0x0409, string_block({u"english 2"}))
        .add(6, 2, 0x0411, string_block({u"japanese 2"}))
        .add(6, 3, 0x0411, string_block({u"japanese 3"}));
    ModuleGuard m(b.bytes);
    ASSERT_NE(m.h, nullptr);
    auto text_of = [&](HRSRC r) {
        std::u16string t;
        const uint8_t* p = static_cast<const uint8_t*>(LockResource(LoadResource(m.h, r)));
        plat::res::string_table_entry(p, SizeofResource(m.h, r), 0, &t);
        return plat::res::utf8_from_utf16(t);
    };
    auto find = [&](int block, WORD lang) { return FindResourceExA(m.h, RT_STRING, MAKEINTRESOURCEA(block), lang); };
    EXPECT_EQ(text_of(find(1, 0x0411)), "japanese");
    EXPECT_EQ(text_of(find(1, 0x0409)), "english");
    EXPECT_EQ(text_of(find(1, 0x0000)), "neutral");
    EXPECT_EQ(text_of(find(1, 0x0407)), "neutral");  // German: falls back to neutral
    EXPECT_EQ(text_of(find(2, 0x0000)), "english 2");  // neutral request: English next
    EXPECT_EQ(text_of(find(3, 0x0000)), "japanese 3");  // then whatever there is
    SetLastError(0);
    EXPECT_EQ(find(2, 0x0407), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_LANG_NOT_FOUND));
    EXPECT_EQ(load_string(m.h, 16), "english 2");
    EXPECT_EQ(load_string(m.h, 32), "japanese 3");
}

TEST(ResourceLoaders, StringTableMalformedBlocks) {
    std::vector<uint8_t> overlong;
    put16(overlong, 3);
    put16(overlong, 'a');
    put16(overlong, 'b');
    put16(overlong, 'c');
    put16(overlong, 200);  // longer than what is left
    put16(overlong, 'z');
    ModuleGuard m(ResBuilder().add(6, 1, kJapanese, overlong).bytes);
    ASSERT_NE(m.h, nullptr);
    EXPECT_EQ(load_string(m.h, 0), "abc");
    EXPECT_EQ(load_string(m.h, 1), "");
    EXPECT_EQ(load_string(m.h, 2), "");
    EXPECT_EQ(load_string(m.h, 15), "");
}

// A version information block: header, key, value and children, each part
// DWORD aligned; `value_length` as the header states it.
std::vector<uint8_t> version_block(const std::u16string& key, uint16_t type, const std::vector<uint8_t>& value,
                                   uint16_t value_length, const std::vector<std::vector<uint8_t>>& children = {}) {
    std::vector<uint8_t> b(6, 0);
    put_text(b, key);
    pad4(b);
    b.insert(b.end(), value.begin(), value.end());
    for (const auto& child : children) {
        pad4(b);
        b.insert(b.end(), child.begin(), child.end());
    }
    b[0] = uint8_t(b.size());
    b[1] = uint8_t(b.size() >> 8);
    b[2] = uint8_t(value_length);
    b[3] = uint8_t(value_length >> 8);
    b[4] = uint8_t(type);
    return b;
}

std::vector<uint8_t> version_text_value(const std::u16string& text) {
    std::vector<uint8_t> b;
    put_text(b, text);
    return b;
}

TEST(ResourceLoaders, VersionInformationBlocks) {
    using plat::res::parse_version_info;
    std::vector<uint8_t> fixed;
    put32(fixed, 0xFEEF04BD);
    put32(fixed, 0x00010000);
    for (uint32_t v : {0x00010000u, 0x00020003u, 0x00040005u, 0u, 0x3Fu, 0u, 4u, 1u, 0u, 0u, 0u}) put32(fixed, v);
    std::vector<uint8_t> translations;
    put32(translations, 1200u << 16 | 0x0409);
    put32(translations, 1200u << 16 | 0x0411);
    // The text's stated length is in bytes, as some writers give it: it
    // runs past the NUL.
    auto table = [](const char16_t* name, const char16_t* text) {
        return version_block(name, 1, {}, 0, {version_block(u"ProductName", 1, version_text_value(text), 8)});
    };
    // An unknown block, a table no translation names, tables named in either
    // case; `extra` is one more child of the root.
    auto build = [&](const std::vector<uint8_t>& fixed_part, const std::vector<uint8_t>& extra = {}) {
        std::vector<std::vector<uint8_t>> children = {
            version_block(u"Unknown", 0, {1, 2, 3}, 3),
            version_block(u"StringFileInfo", 1, {}, 0,
                          {table(u"040704b0", u"Ger"), table(u"041104B0", u"Jap"), table(u"040904b0", u"Eng")}),
            version_block(u"VarFileInfo", 1, {}, 0, {version_block(u"Translation", 0, translations, 8)})};
        if (!extra.empty()) children.push_back(extra);
        return version_block(u"VS_VERSION_INFO", 0, fixed_part, uint16_t(fixed_part.size()), children);
    };
    std::vector<uint8_t> good = build(fixed);
    plat::res::VersionInfo v;
    ASSERT_TRUE(parse_version_info(good.data(), good.size(), &v));
    EXPECT_EQ(v.file_version_ms, 0x00010000u);
    EXPECT_EQ(v.file_version_ls, 0x00020003u);
    EXPECT_EQ(v.product_version_ms, 0x00040005u);
    EXPECT_EQ(v.file_type, 1u);
    ASSERT_EQ(v.tables.size(), 3u);
    EXPECT_EQ(v.tables[1].strings.at(0).second, u"Jap");
    EXPECT_EQ(v.translations.size(), 2u);
    const std::u16string* name = plat::res::version_string(v, u"ProductName");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(*name, u"Eng");  // the first translation's table
    EXPECT_EQ(plat::res::version_string(v, u"productname"), nullptr);

    // Every cut leaves the root longer than the data.
    for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(parse_version_info(good.data(), n, &v)) << n;
    std::vector<uint8_t> overlong = version_block(u"X", 0, {}, 0);
    overlong[0] = 0xFF;  // longer than its parent
    const std::vector<uint8_t> bad[] = {
        build(fixed, overlong),
        build(fixed, std::vector<uint8_t>(8, 0)),  // a zero-length child
        build(std::vector<uint8_t>(fixed.begin() + 4, fixed.end())),  // no signature
        build(std::vector<uint8_t>(fixed.begin(), fixed.begin() + 48)),  // fixed information cut short
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(parse_version_info(b.data(), b.size(), &v));
        EXPECT_TRUE(v.tables.empty());
    }
    std::vector<uint8_t> renamed = good;
    renamed[6] = 'W';
    EXPECT_FALSE(parse_version_info(renamed.data(), renamed.size(), &v));
    EXPECT_FALSE(parse_version_info(nullptr, 0, &v));
}

TEST(ResourceLoaders, ExtendedMenuTemplate) {
    std::vector<uint8_t> t;
    put16(t, 1);  // version
    put16(t, 4);  // offset to items
    put32(t, 0);  // help id
    // POPUP "&File" { "&Open" 10 (grayed), separator, "E&xit" 11 (checked, last) }, "&Help" 12 (last)
    auto item = [&](uint32_t type, uint32_t state, uint32_t id, uint16_t info, const std::u16string& text) {
        put32(t, type);
        put32(t, state);
        put32(t, id);
        put16(t, info);
        put_text(t, text);
        pad4(t);
    };
    item(0, 0, 0, 0x01, u"&File");
    put32(t, 0);  // popup help id
    item(0, MF_GRAYED, 10, 0, u"&Open");
    item(MF_SEPARATOR, 0, 0, 0, u"");
    item(0, MF_CHECKED, 11, 0x80, u"E&xit");
    item(0, 0, 12, 0x80, u"&&Help &me");
    ModuleGuard m(ResBuilder().add(4, u"MAIN", kJapanese, t).bytes);
    ASSERT_NE(m.h, nullptr);
    HMENU bar = LoadMenuA(m.h, "main");
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), UINT((3 << 8) | MF_POPUP));
    EXPECT_EQ(GetMenuState(bar, 10, MF_BYCOMMAND), UINT(MF_GRAYED));
    EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION), UINT(MF_SEPARATOR));
    EXPECT_EQ(GetMenuState(bar, 11, MF_BYCOMMAND), UINT(MF_CHECKED));
    EXPECT_EQ(GetMenuItemID(bar, 1), 12u);
    EXPECT_EQ(menu_string(file, 1, MF_BYPOSITION), "");
    HOST_MENU_ITEM items[3];
    ASSERT_EQ(host_get_menu_items(file, items, 3), 3);
    EXPECT_EQ(items[0].mnemonic, UINT('O'));
    EXPECT_EQ(items[1].mnemonic, 0u);
    EXPECT_EQ(items[2].mnemonic, UINT('x'));
    ASSERT_EQ(host_get_menu_items(bar, items, 3), 2);
    EXPECT_EQ(items[1].mnemonic, UINT('m'));  // "&&" is a literal ampersand
    EXPECT_EQ(items[1].mnemonic_offset, 8);

    // GetMenuStringA: the length without a buffer, cut at whole characters.
    EXPECT_EQ(GetMenuStringA(bar, 0, nullptr, 0, MF_BYPOSITION), 5);
    char small[4] = "zzz";
    EXPECT_EQ(GetMenuStringA(bar, 0, small, 4, MF_BYPOSITION), 3);
    EXPECT_STREQ(small, "&Fi");
    SetLastError(0);
    EXPECT_EQ(GetMenuStringA(bar, 99, small, 4, MF_BYCOMMAND), 0);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MENU_ITEM_NOT_FOUND));
    EXPECT_EQ(GetMenuState(bar, 99, MF_BYCOMMAND), UINT(-1));
    EXPECT_EQ(GetMenuState(bar, 5, MF_BYPOSITION), UINT(-1));
    EXPECT_EQ(GetMenuItemID(bar, -1), UINT(-1));

    // DestroyMenu takes the popups with it.
    size_t menus = plat::handle_count(plat::ObjType::Menu);
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_EQ(plat::handle_count(plat::ObjType::Menu), menus - 2);
    SetLastError(0);
    EXPECT_EQ(GetMenuItemCount(file), -1);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_MENU_HANDLE));
    EXPECT_FALSE(DestroyMenu(bar));
    EXPECT_EQ(GetSubMenu(bar, 0), nullptr);
}

TEST(ResourceLoaders, MalformedMenusAreRefused) {
    std::vector<uint8_t> full = resource_bytes(kMain, RT_MENU, MAKEINTRESOURCEA(RES_MAIN));
    ASSERT_GT(full.size(), 8u);
    std::vector<plat::MenuTemplateItem> items;
    ASSERT_TRUE(plat::parse_menu_template(full.data(), full.size(), &items));
    // Every shorter prefix is missing something.
    for (size_t n = 0; n < full.size(); ++n)
        EXPECT_FALSE(plat::parse_menu_template(full.data(), n, &items)) << n;
    // No end flag anywhere: the list runs off the end.
    std::vector<uint8_t> endless = {0, 0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        put16(endless, 0);
        put16(endless, 1);
        put_text(endless, u"x");
    }
    EXPECT_FALSE(plat::parse_menu_template(endless.data(), endless.size(), &items));
    // Popups nested deeper than any real menu.
    std::vector<uint8_t> deep = {0, 0, 0, 0};
    for (int i = 0; i < 40; ++i) {
        put16(deep, MF_POPUP | MF_END);
        put_text(deep, u"p");
    }
    EXPECT_FALSE(plat::parse_menu_template(deep.data(), deep.size(), &items));
    std::vector<uint8_t> version = {2, 0, 0, 0, 0x80, 0, 1, 0, 'a', 0, 0, 0};
    EXPECT_FALSE(plat::parse_menu_template(version.data(), version.size(), &items));

    ModuleGuard m(ResBuilder().add(4, 1, kJapanese, endless).bytes);
    SetLastError(0);
    size_t before = plat::handle_count(plat::ObjType::Menu);
    EXPECT_EQ(LoadMenuA(m.h, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    EXPECT_EQ(plat::handle_count(plat::ObjType::Menu), before);
}

TEST(ResourceLoaders, AcceleratorTables) {
    std::vector<uint8_t> t;
    const uint16_t rows[][3] = {{FVIRTKEY | FCONTROL, 'N', 1}, {FVIRTKEY | FSHIFT, VK_F10, 2}, {0x80, 'q', 3}, {0, 'z', 4}};
    for (auto& r : rows) {
        put16(t, r[0]);
        put16(t, r[1]);
        put16(t, r[2]);
        put16(t, 0);
    }
    ModuleGuard m(ResBuilder().add(9, 1, kJapanese, t).add(9, 2, kJapanese, {1, 2, 3, 4}).bytes);
    HACCEL a = LoadAcceleratorsA(m.h, MAKEINTRESOURCEA(1));
    ASSERT_NE(a, nullptr);
    // The entry flagged last ends the table.
    ASSERT_EQ(CopyAcceleratorTableA(a, nullptr, 0), 3);
    ACCEL e[3];
    ASSERT_EQ(CopyAcceleratorTableA(a, e, 3), 3);
    EXPECT_EQ(e[0].fVirt, FVIRTKEY | FCONTROL);
    EXPECT_EQ(e[1].key, VK_F10);
    EXPECT_EQ(e[2].fVirt, 0);
    EXPECT_EQ(e[2].key, WORD('q'));
    EXPECT_EQ(e[2].cmd, 3);
    EXPECT_EQ(CopyAcceleratorTableA(a, e, 0), 0);
    EXPECT_EQ(CopyAcceleratorTableA(a, e, -5), 0);
    DestroyAcceleratorTable(a);
    // Shorter than one entry.
    SetLastError(0);
    EXPECT_EQ(LoadAcceleratorsA(m.h, MAKEINTRESOURCEA(2)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
}

// A module with one icon group `name` of the given images (ids 1..n).
std::vector<uint8_t> icon_module(const std::vector<std::pair<GroupImage, std::vector<uint8_t>>>& images) {
    ResBuilder b;
    std::vector<GroupImage> dir;
    for (auto& [g, data] : images) {
        b.add(3, g.id, kJapanese, data);
        GroupImage e = g;
        e.bytes = data.size();
        dir.push_back(e);
    }
    b.add(14, 50, kJapanese, group(true, dir));
    return b.bytes;
}

std::vector<uint8_t> plain_image(int size, int bits, uint32_t index) {
    std::vector<uint32_t> palette(bits <= 8 ? (1u << bits) : 0);
    for (size_t i = 0; i < palette.size(); ++i) palette[i] = uint32_t(i * 0x010101);
    return dib(size, size, bits, palette, std::vector<uint32_t>(size_t(size * size), index), {});
}

TEST(ResourceLoaders, IconImageChoice) {
    ModuleGuard m(icon_module({{{16, 16, 8, 1, 0}, plain_image(16, 8, 1)},
                               {{32, 32, 4, 2, 0}, plain_image(32, 4, 2)},
                               {{32, 32, 8, 3, 0}, plain_image(32, 8, 3)},
                               {{48, 48, 8, 4, 0}, plain_image(48, 8, 4)}}));
    ASSERT_NE(m.h, nullptr);
    auto pick = [&](int cx, int cy, UINT flags) {
        HICON h = static_cast<HICON>(LoadImageA(m.h, MAKEINTRESOURCEA(50), IMAGE_ICON, cx, cy, flags));
        HOST_ICON_IMAGE image = icon_image(h);
        std::tuple<int, int, DWORD> r{image.width, image.bits_per_pixel, image.pixels ? image.pixels[0] : 0};
        DestroyIcon(h);
        return r;
    };
    // Nearest size, then nearest depth to the screen's 32 bits.
    EXPECT_EQ(pick(0, 0, LR_DEFAULTSIZE), std::make_tuple(32, 8, DWORD(0x030303)));
    EXPECT_EQ(pick(16, 16, 0), std::make_tuple(16, 8, DWORD(0x010101)));
    // 32 and 48 are as near to 40: the first image of the best depth, stretched.
    EXPECT_EQ(pick(40, 40, 0), std::make_tuple(40, 8, DWORD(0x030303)));
    EXPECT_EQ(pick(46, 46, 0), std::make_tuple(46, 8, DWORD(0x040404)));
    EXPECT_EQ(pick(0, 0, 0), std::make_tuple(16, 8, DWORD(0x010101)));  // no size: the first image's
    EXPECT_EQ(LoadImageA(m.h, MAKEINTRESOURCEA(50), IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_EQ(LoadImageA(m.h, MAKEINTRESOURCEA(51), IMAGE_ICON, 0, 0, 0), nullptr);
}

TEST(ResourceLoaders, SharedIconsGoWithTheirModule) {
    HMODULE h = host_create_module(nullptr, 0);
    ASSERT_NE(h, nullptr);
    host_free_module(h);
    std::vector<uint8_t> res = icon_module({{{16, 16, 4, 1, 0}, plain_image(16, 4, 3)}});
    HMODULE mod = host_create_module(res.data(), res.size());
    ASSERT_NE(mod, nullptr);
    HICON icon = LoadIconA(mod, MAKEINTRESOURCEA(50));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(mod, MAKEINTRESOURCEA(50)), icon);
    HOST_ICON_IMAGE image;
    EXPECT_TRUE(host_get_icon_image(icon, &image));
    EXPECT_TRUE(host_free_module(mod));
    EXPECT_FALSE(host_get_icon_image(icon, &image));
}

TEST(ResourceLoaders, IconDecodingDepthsAndAlpha) {
    // 1 bpp black/white: monochrome, GetIconInfo gives a double-height mask only.
    std::vector<uint32_t> px = {0, 1, 1, 0};
    ModuleGuard mono(icon_module({{{2, 2, 1, 1, 0}, dib(2, 2, 1, {0, 0xFFFFFF}, px, {0, 0, 1, 0})}}));
    HICON icon = static_cast<HICON>(LoadImageA(mono.h, MAKEINTRESOURCEA(50), IMAGE_ICON, 0, 0, 0));
    ASSERT_NE(icon, nullptr);
    HOST_ICON_IMAGE image = icon_image(icon);
    ASSERT_EQ(image.width, 2);
    EXPECT_EQ(std::vector<DWORD>(image.pixels, image.pixels + 4), (std::vector<DWORD>{0, kWhite, kWhite, 0}));
    EXPECT_EQ(std::vector<BYTE>(image.mask, image.mask + 4), (std::vector<BYTE>{0, 0, 1, 0}));
    ICONINFO info;
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_EQ(info.hbmColor, nullptr);
    BITMAP bm = {};
    ASSERT_EQ(GetObjectA(info.hbmMask, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 2);
    EXPECT_EQ(bm.bmHeight, 4);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);

    // 32 bpp with alpha and no mask: transparent where alpha is not full.
    std::vector<uint32_t> argb = {0xFF102030, 0x80405060, 0x00000000, 0xFFFFFFFF};
    ModuleGuard alpha(icon_module({{{2, 2, 32, 1, 0}, dib(2, 2, 32, {}, argb, {})}}));
    icon = static_cast<HICON>(LoadImageA(alpha.h, MAKEINTRESOURCEA(50), IMAGE_ICON, 0, 0, 0));
    ASSERT_NE(icon, nullptr);
    image = icon_image(icon);
    EXPECT_TRUE(image.has_alpha);
    EXPECT_EQ(image.bits_per_pixel, 32);
    EXPECT_EQ(std::vector<DWORD>(image.pixels, image.pixels + 4), argb);
    EXPECT_EQ(std::vector<BYTE>(image.mask, image.mask + 4), (std::vector<BYTE>{0, 1, 1, 0}));
    DestroyIcon(icon);

    // 8 bpp with a short palette: indexes past it are black.
    ModuleGuard pal(icon_module({{{2, 1, 8, 1, 0}, dib(2, 1, 8, {0x112233, 0x445566}, {1, 7}, {0, 0})}}));
    icon = static_cast<HICON>(LoadImageA(pal.h, MAKEINTRESOURCEA(50), IMAGE_ICON, 0, 0, 0));
    ASSERT_NE(icon, nullptr);
    image = icon_image(icon);
    EXPECT_EQ(image.height, 1);
    EXPECT_EQ(image.pixels[0], 0x445566u);
    EXPECT_EQ(image.pixels[1], 0u);
    DestroyIcon(icon);
}

TEST(ResourceLoaders, MalformedIconsAreRefused) {
    std::vector<uint8_t> mask(16 * 16, 0);
    mask[0] = 1;
    std::vector<uint32_t> palette(16, 0x808080);
    std::vector<uint8_t> good = dib(16, 16, 4, palette, std::vector<uint32_t>(16 * 16, 5), mask);
    plat::IconImage out;
    ASSERT_TRUE(plat::decode_icon_image(good.data(), good.size(), 0, 0, &out));
    EXPECT_EQ(std::count(out.mask.begin(), out.mask.end(), 1), 1);
    // Cut inside the header, palette or colour bits: refused. Cut inside the
    // mask: decoded as opaque.
    size_t colour_end = 40 + 64 + 16 * 8;
    ASSERT_EQ(good.size(), colour_end + 16 * 4);
    for (size_t n = 0; n < good.size(); ++n) {
        bool ok = plat::decode_icon_image(good.data(), n, 0, 0, &out);
        EXPECT_EQ(ok, n >= colour_end) << n;
        if (ok) {
            EXPECT_EQ(std::count(out.mask.begin(), out.mask.end(), 1), 0);
        }
    }
    auto with = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> b = good;
        for (int k = 0; k < 4; ++k) b[at + k] = uint8_t(v >> (8 * k));
        return plat::decode_icon_image(b.data(), b.size(), 0, 0, &out);
    };
    EXPECT_FALSE(with(0, 12));            // unsupported header
    EXPECT_FALSE(with(4, 0));             // zero width
    EXPECT_FALSE(with(4, 0x80000000u));   // negative width
    EXPECT_FALSE(with(4, 100000));        // huge width
    EXPECT_FALSE(with(8, 0xFFFFFFE0u));   // negative height
    EXPECT_FALSE(with(16, 1));            // compressed
    EXPECT_FALSE(with(32, 0x40000000u));  // palette count capped at 256, still past the end
    EXPECT_FALSE(plat::decode_icon_image(good.data(), good.size(), 5000, 16, &out));
    EXPECT_FALSE(plat::decode_icon_image(nullptr, 100, 0, 0, &out));

    // A group whose count runs past its data, and one naming a missing image.
    std::vector<uint8_t> dir = group(true, {{16, 16, 4, 1, good.size()}});
    dir[4] = 5;
    ModuleGuard bad(ResBuilder().add(3, 1, kJapanese, good).add(14, 50, kJapanese, dir).bytes);
    EXPECT_EQ(LoadIconA(bad.h, MAKEINTRESOURCEA(50)), nullptr);
    ModuleGuard missing(ResBuilder()
                            .add(3, 1, kJapanese, good)
                            .add(14, 50, kJapanese, group(true, {{16, 16, 4, 9, good.size()}}))
                            .bytes);
    SetLastError(0);
    EXPECT_EQ(LoadIconA(missing.h, MAKEINTRESOURCEA(50)), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST(ResourceLoaders, CursorsSystemAndFromModules) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);
    HOST_ICON_IMAGE image = icon_image(arrow);
    EXPECT_FALSE(image.is_icon);
    EXPECT_EQ(image.hotspot.x, 0);
    EXPECT_EQ(image.hotspot.y, 0);
    // Outline black, inside white, the rest transparent.
    EXPECT_EQ(image.mask[0], 0);
    EXPECT_EQ(image.pixels[0], kBlack);
    EXPECT_EQ(image.mask[5 * image.width + 2], 0);
    EXPECT_EQ(image.pixels[5 * image.width + 2], kWhite);
    EXPECT_EQ(image.mask[image.width - 1], 1);
    EXPECT_EQ(image.mask[size_t(image.width) * image.height - 1], 1);
    EXPECT_TRUE(DestroyCursor(arrow));
    EXPECT_TRUE(host_get_icon_image(arrow, &image));
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)), nullptr);
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(RES_ICON_LARGE)), nullptr);

    // A 32x32 cursor with its hot spot at (3, 4).
    std::vector<uint8_t> cur;
    put16(cur, 3);
    put16(cur, 4);
    std::vector<uint8_t> bits = dib(32, 32, 1, {0, 0xFFFFFF}, std::vector<uint32_t>(32 * 32, 1),
                                    std::vector<uint8_t>(32 * 32, 0));
    cur.insert(cur.end(), bits.begin(), bits.end());
    std::vector<uint8_t> dir = group(false, {{32, 32, 1, 1, cur.size()}});
    ModuleGuard m(ResBuilder().add(1, 1, kJapanese, cur).add(12, u"HAND", kJapanese, dir).bytes);
    HCURSOR hand = LoadCursorA(m.h, "hand");
    ASSERT_NE(hand, nullptr);
    image = icon_image(hand);
    EXPECT_FALSE(image.is_icon);
    EXPECT_EQ(image.width, 32);
    EXPECT_EQ(image.hotspot.x, 3);
    EXPECT_EQ(image.hotspot.y, 4);
    EXPECT_EQ(image.pixels[0], kWhite);
    // Stretched to 64: the hot spot moves with the picture.
    HCURSOR big = static_cast<HCURSOR>(LoadImageA(m.h, "HAND", IMAGE_CURSOR, 64, 64, 0));
    ASSERT_NE(big, nullptr);
    image = icon_image(big);
    EXPECT_EQ(image.width, 64);
    EXPECT_EQ(image.hotspot.x, 6);
    EXPECT_EQ(image.hotspot.y, 8);
    EXPECT_TRUE(DestroyCursor(big));
    EXPECT_FALSE(host_get_icon_image(big, &image));
}

TEST(ResourceLoaders, ExtendedDialogTemplate) {
    std::vector<uint8_t> t;
    put16(t, 1);
    put16(t, 0xFFFF);
    put32(t, 77);                      // help id
    put32(t, WS_EX_DLGMODALFRAME);     // ex style
    put32(t, DS_SETFONT | WS_CAPTION);  // style
    put16(t, 2);                       // controls
    for (int v : {-5, 6, 100, 50}) put16(t, uint32_t(v));
    put16(t, 0xFFFF);  // menu 200
    put16(t, 200);
    put_text(t, u"MyDialogClass");
    put_text(t, u"タイトル");
    put16(t, 9);    // point size
    put16(t, 700);  // weight
    t.push_back(1);  // italic
    t.push_back(128);  // charset
    put_text(t, u"MS Shell Dlg");
    pad4(t);
    put32(t, 5);  // help id
    put32(t, 0);
    put32(t, WS_CHILD | WS_VISIBLE);
    for (int v : {1, 2, 3, 4}) put16(t, uint32_t(v));
    put32(t, 0x12345);  // 32-bit id
    put_text(t, u"MyControl");
    put16(t, 0xFFFF);  // title: resource 300
    put16(t, 300);
    put16(t, 3);  // three bytes of creation data
    t.push_back(7);
    t.push_back(8);
    t.push_back(9);
    pad4(t);
    put32(t, 0);
    put32(t, 0);
    put32(t, WS_CHILD);
    for (int v : {0, 0, 10, 10}) put16(t, uint32_t(v));
    put32(t, 1);
    put16(t, 0xFFFF);
    put16(t, 0x0081);  // Edit
    put_text(t, u"");
    put16(t, 0);

    plat::DialogTemplate d;
    ASSERT_TRUE(plat::parse_dialog_template(t.data(), t.size(), &d));
    EXPECT_TRUE(d.extended);
    EXPECT_EQ(d.help_id, 77u);
    EXPECT_EQ(d.ex_style, DWORD(WS_EX_DLGMODALFRAME));
    EXPECT_EQ(d.style, DWORD(DS_SETFONT | WS_CAPTION));
    EXPECT_EQ(std::make_tuple(d.x, d.y, d.cx, d.cy), std::make_tuple(-5, 6, 100, 50));
    EXPECT_EQ(d.menu.kind, plat::DialogId::Kind::Number);
    EXPECT_EQ(d.menu.number, 200);
    EXPECT_EQ(d.class_name.text, "MyDialogClass");
    EXPECT_EQ(d.caption, "タイトル");
    EXPECT_EQ(d.point_size, 9);
    EXPECT_EQ(d.weight, 700);
    EXPECT_TRUE(d.italic);
    EXPECT_EQ(d.charset, 128);
    EXPECT_EQ(d.font_name, "MS Shell Dlg");
    ASSERT_EQ(d.items.size(), 2u);
    EXPECT_EQ(d.items[0].help_id, 5u);
    EXPECT_EQ(d.items[0].id, 0x12345u);
    EXPECT_EQ(plat::dialog_control_class(d.items[0].class_name), "MyControl");
    EXPECT_EQ(d.items[0].title.kind, plat::DialogId::Kind::Number);
    EXPECT_EQ(d.items[0].title.number, 300);
    EXPECT_EQ(d.items[0].creation_data, (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_EQ(plat::dialog_control_class(d.items[1].class_name), "Edit");
    EXPECT_EQ(d.items[1].title.kind, plat::DialogId::Kind::Text);
    EXPECT_EQ(d.items[1].title.text, "");

    // Every prefix is refused: the last control ends exactly at the end.
    for (size_t n = 0; n < t.size(); ++n) EXPECT_FALSE(plat::parse_dialog_template(t.data(), n, &d)) << n;
    std::vector<uint8_t> about = resource_bytes(kMain, RT_DIALOG, MAKEINTRESOURCEA(RES_ABOUT_DIALOG));
    for (size_t n = 0; n < about.size(); ++n)
        EXPECT_FALSE(plat::parse_dialog_template(about.data(), n, &d)) << n;
    // More controls announced than stored.
    std::vector<uint8_t> more = about;
    more[8] = 9;
    EXPECT_FALSE(plat::parse_dialog_template(more.data(), more.size(), &d));
    // A creation data count beyond the end.
    std::vector<uint8_t> extra = t;
    extra[extra.size() - 2] = 0xFF;
    EXPECT_FALSE(plat::parse_dialog_template(extra.data(), extra.size(), &d));
}

}  // namespace
