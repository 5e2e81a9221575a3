// System metrics and colours: GetSystemMetrics, GetSysColor, GetSysColorBrush.
#include <windows.h>

#include "backend/backend.h"
#include "gdi/surface.h"
#include "user/nonclient.h"

namespace plat {

namespace {

constexpr int COLOR_COUNT = COLOR_MENUBAR + 1;

// Wine's default colours.
constexpr COLORREF kSysColors[COLOR_COUNT] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // COLOR_ALTERNATEBTNFACE
    RGB(0, 0, 200),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

}  // namespace

}  // namespace plat

using namespace plat;

extern "C" {

int WINAPI GetSystemMetrics(int index) {
    const NonClientMetrics& m = kNonClient;
    switch (index) {
    case SM_CXSCREEN: return backend().screen_size().cx;
    case SM_CYSCREEN: return backend().screen_size().cy;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return m.scroll;
    case SM_CYCAPTION: return m.caption + 1;
    case SM_CXBORDER:
    case SM_CYBORDER: return m.border;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return m.edge + m.border;
    case SM_CXFRAME:
    case SM_CYFRAME: return m.edge + 2 * m.border + m.padded_border;
    case SM_CXEDGE:
    case SM_CYEDGE: return m.edge;
    case SM_CYMENU: return m.menu + 1;
    case SM_CYSMCAPTION: return m.small_caption + 1;
    case SM_CXPADDEDBORDER: return m.padded_border;
    case SM_CXICON:
    case SM_CYICON: return m.icon;
    case SM_CXSMICON:
    case SM_CYSMICON: return m.small_icon;
    default: return 0;
    }
}

DWORD WINAPI GetSysColor(int index) { return index >= 0 && index < COLOR_COUNT ? kSysColors[index] : 0; }

HBRUSH WINAPI GetSysColorBrush(int index) {
    if (index < 0 || index >= COLOR_COUNT) return nullptr;
    // Shared brushes that DeleteObject leaves alone, as on the platform.
    static HBRUSH brushes[COLOR_COUNT];
    if (GetObjectType(brushes[index]) != OBJ_BRUSH) {
        brushes[index] = CreateSolidBrush(kSysColors[index]);
        gdi_make_permanent(brushes[index]);
    }
    return brushes[index];
}

}  // extern "C"
