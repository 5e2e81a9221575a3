// Every text the desktop program shows (title, menu bar and items, About box
// caption and texts), read from the program's resources through the
// platform, laid out with Pango in GTK's default font: no character may fall
// back to the missing-glyph box, and the About box's text lines must fit the
// boxes the dialog template gives them. Fails on a machine with no font that
// covers the Japanese texts (scripts/setup installs one).
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <pango/pangocairo.h>

#include <string>
#include <vector>

#include <win32_host.h>
#include <windows.h>

#include "resource.h"

namespace {

// What GTK shows for a text with "&" mnemonics: the marker dropped, "&&" a
// single "&".
std::string shown(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] != '&') continue;
        if (text[i] == '&') ++i;
        out += text[i];
    }
    return out;
}

std::string window_text(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

void menu_texts(HMENU menu, std::vector<std::string>* out) {
    int n = host_get_menu_items(menu, nullptr, 0);
    ASSERT_GT(n, 0);
    std::vector<HOST_MENU_ITEM> items(size_t(n), HOST_MENU_ITEM{});
    host_get_menu_items(menu, items.data(), n);
    for (const HOST_MENU_ITEM& item : items) {
        if (!(item.flags & MF_SEPARATOR)) out->push_back(shown(item.text));
        if (item.flags & MF_POPUP) menu_texts(item.submenu, out);
    }
}

INT_PTR CALLBACK quiet_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The font GTK uses for labels and menus: the display's setting when there is
// a display, else the setting's built-in default.
std::string gtk_font_name() {
    gchar* name = nullptr;
    if (gtk_init_check(nullptr, nullptr)) {
        g_object_get(gtk_settings_get_default(), "gtk-font-name", &name, nullptr);
    } else {
        GObjectClass* settings = G_OBJECT_CLASS(g_type_class_ref(GTK_TYPE_SETTINGS));
        GParamSpec* spec = g_object_class_find_property(settings, "gtk-font-name");
        name = g_strdup(g_value_get_string(g_param_spec_get_default_value(spec)));
        g_type_class_unref(settings);
    }
    std::string font = name ? name : "";
    g_free(name);
    return font;
}

class Fonts : public ::testing::Test {
protected:
    void SetUp() override {
        font_ = gtk_font_name();
        ASSERT_FALSE(font_.empty());
        context_ = pango_font_map_create_context(pango_cairo_font_map_get_default());
        PangoFontDescription* description = pango_font_description_from_string(font_.c_str());
        pango_context_set_font_description(context_, description);
        pango_font_description_free(description);
        layout_ = pango_layout_new(context_);
    }
    void TearDown() override {
        g_object_unref(layout_);
        g_object_unref(context_);
    }

    // Characters of `text` without a glyph in the font.
    int missing_glyphs(const std::string& text) {
        pango_layout_set_text(layout_, text.c_str(), -1);
        return pango_layout_get_unknown_glyphs_count(layout_);
    }

    std::string font_;
    PangoContext* context_ = nullptr;
    PangoLayout* layout_ = nullptr;
};

TEST_F(Fonts, EveryShownTextHasAGlyphForEveryCharacter) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::vector<std::string> texts;
    char title[100] = "";
    ASSERT_GT(LoadStringA(instance, RES_APP_TITLE, title, sizeof title), 0);
    texts.push_back(title);
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(RES_MAIN));
    ASSERT_NE(menu, nullptr);
    menu_texts(menu, &texts);
    DestroyMenu(menu);

    HWND about = CreateDialogParamA(instance, MAKEINTRESOURCEA(RES_ABOUT_DIALOG), nullptr, quiet_proc, 0);
    ASSERT_NE(about, nullptr);
    texts.push_back(window_text(about));
    for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if ((GetWindowLongA(c, GWL_STYLE) & 0x1f) == SS_ICON) continue;
        std::string text = window_text(c);
        texts.push_back(GetWindowLongA(c, GWL_STYLE) & SS_NOPREFIX ? text : shown(text));
    }
    DestroyWindow(about);
    // Title, the two bar entries and their seven items, caption, two texts, OK.
    ASSERT_EQ(texts.size(), 14u);

    for (const std::string& text : texts)
        EXPECT_EQ(missing_glyphs(text), 0) << "\"" << text << "\" in " << font_ << ": characters without a glyph";
}

// The name line and the notice stand one above the other, each a label as
// tall as its text: laid out in GTK's font, each must fit its control's width,
// and the first line's ink must end above the second line's.
TEST_F(Fonts, AboutBoxLinesFitTheirBoxes) {
    HWND about = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(RES_ABOUT_DIALOG), nullptr,
                                    quiet_proc, 0);
    ASSERT_NE(about, nullptr);
    std::vector<HWND> lines;
    for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[16] = "";
        GetClassNameA(c, cls, sizeof cls);
        if (g_ascii_strcasecmp(cls, "Static") == 0 && (GetWindowLongA(c, GWL_STYLE) & 0x1f) != SS_ICON)
            lines.push_back(c);
    }
    ASSERT_EQ(lines.size(), 2u);
    RECT box[2];
    PangoRectangle ink[2];
    std::string text[2];
    for (int i = 0; i < 2; ++i) {
        GetWindowRect(lines[size_t(i)], &box[i]);
        text[i] = window_text(lines[size_t(i)]);
        PangoRectangle logical;
        pango_layout_set_text(layout_, text[i].c_str(), -1);
        pango_layout_get_pixel_extents(layout_, &ink[i], &logical);
        EXPECT_LE(logical.width, box[i].right - box[i].left) << "\"" << text[i] << "\" in " << font_;
    }
    int step = box[1].top - box[0].top;
    ASSERT_GT(step, 0);
    EXPECT_LE(ink[0].y + ink[0].height, step + ink[1].y)
        << "\"" << text[0] << "\" runs into \"" << text[1] << "\" in " << font_;
    DestroyWindow(about);
}

}  // namespace
