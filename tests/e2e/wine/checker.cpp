// End-to-end checker for pofurin.exe under Wine: starts the program and
// checks, through the Win32 API, what a user sees and can do: the window, its
// menu and icons, the untouched canvas, the animation's frames, the About box
// and the menu from the keyboard, and the ways out (CMD_EXIT, the menu's exit
// item, WM_CLOSE), each with exit code 0. Prints one PASS or FAIL line per
// check and the frame rates reached; the exit code is 0 only if every check
// passed.
//
// Usage: pofurin-check.exe [pofurin.exe [pofurin-probe.dll]]
// (both default to the checker's own folder).
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "probe.h"

namespace {

// The command numbers the program answers to, written out here rather than
// taken from res/resource.h so that a changed number shows up.
constexpr int CMD_ABOUT = 104;
constexpr int CMD_EXIT = 105;
constexpr int CMD_PATTERN_UME = 32771;
constexpr int CMD_SPEED_FAST = 32772;
constexpr int CMD_SPEED_NORMAL = 32773;
constexpr int CMD_PATTERN_TAKE = 32774;
constexpr int CMD_PATTERN_MATSU = 32775;

constexpr wchar_t TITLE[] = L"ポフリン発生ソフト";
constexpr wchar_t ABOUT_TITLE[] = L"ﾊﾞｰｼﾞｮﾝ情報";

// Generous bounds: a cold Wine prefix starts programs slowly.
constexpr DWORD START_TIMEOUT_MS = 60000;
constexpr DWORD STEP_TIMEOUT_MS = 10000;

int g_passed;
int g_failed;

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), size, NULL, NULL);
    return out;
}

std::string quoted(const std::wstring& text) {
    std::string out = "\"";
    out += utf8(text);
    out += '"';
    return out;
}

std::string format(const char* pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

bool check(bool ok, const std::string& name, const std::string& detail = {}) {
    (ok ? g_passed : g_failed)++;
    printf("%s %s%s%s\n", ok ? "PASS" : "FAIL", name.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    fflush(stdout);
    return ok;
}

void info(const std::string& text) {
    printf("INFO %s\n", text.c_str());
    fflush(stdout);
}

// Handles this thread's messages (the probe's answers) for up to `ms`.
void pump(DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DWORD spent = GetTickCount() - start;
        if (spent >= ms) return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, ms - spent, QS_ALLINPUT);
    }
}

// Polls `condition` every 20 ms, handling messages meanwhile.
bool wait_until(DWORD ms, const std::function<bool()>& condition) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= ms) return false;
        pump(20);
    }
}

double seconds_now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// ---------------------------------------------------------------------------
// The program's process and windows

struct Program {
    PROCESS_INFORMATION process = {};
    HWND window = NULL;
    HHOOK hook = NULL;
};

std::wstring window_text(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring class_name(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

struct WindowSearch {
    DWORD process_id;
    const wchar_t* class_name;
    HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    if (process_id == search->process_id && IsWindowVisible(window) && class_name(window) == search->class_name) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the program with the given class.
HWND find_window(const Program& program, const wchar_t* name) {
    WindowSearch search = {program.process.dwProcessId, name, NULL};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool start_program(const std::wstring& exe, Program& program) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring command_line = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), command_line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                        &program.process)) {
        check(false, "program starts", format("CreateProcess failed, error %lu", GetLastError()));
        return false;
    }
    bool shown = wait_until(START_TIMEOUT_MS, [&] {
        program.window = find_window(program, L"MY");
        return program.window != NULL;
    });
    return check(shown, "program starts and shows a window of class \"MY\"");
}

bool running(const Program& program) { return WaitForSingleObject(program.process.hProcess, 0) == WAIT_TIMEOUT; }

// Waits for the process to end and checks that it ended with exit code 0.
void check_exit(Program& program, const std::string& how) {
    bool ended = WaitForSingleObject(program.process.hProcess, STEP_TIMEOUT_MS) == WAIT_OBJECT_0;
    DWORD code = 1;
    if (ended) GetExitCodeProcess(program.process.hProcess, &code);
    check(ended && code == 0, "exit through " + how + " ends the process with exit code 0",
          ended ? format("exit code %lu", code) : "still running");
}

void close_program(Program& program) {
    if (program.hook) UnhookWindowsHookEx(program.hook);
    if (program.process.hProcess) {
        if (running(program)) {
            TerminateProcess(program.process.hProcess, 1);
            WaitForSingleObject(program.process.hProcess, STEP_TIMEOUT_MS);
        }
        CloseHandle(program.process.hProcess);
        CloseHandle(program.process.hThread);
    }
    program = Program();
}

void command(const Program& program, int id) { PostMessageW(program.window, WM_COMMAND, id, 0); }

// ---------------------------------------------------------------------------
// The probe inside the program (probe.h)

HWND g_receiver;
LPARAM g_expected_query;
std::wstring g_answer;
bool g_answered;
int g_sequence;

LRESULT CALLBACK receiver_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if ((LPARAM)data->dwData == g_expected_query) {
            g_answer.assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
            g_answered = true;
        }
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool create_receiver() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = receiver_proc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"PofurinE2eReceiver";
    RegisterClassW(&wc);
    g_receiver = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
    return g_receiver != NULL;
}

bool inject_probe(Program& program, const std::wstring& dll_path) {
    HMODULE dll = LoadLibraryW(dll_path.c_str());
    FARPROC address = dll ? GetProcAddress(dll, PROBE_HOOK_NAME) : nullptr;
    auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(address));
    DWORD thread = GetWindowThreadProcessId(program.window, NULL);
    program.hook = hook ? SetWindowsHookExW(WH_GETMESSAGE, hook, dll, thread) : NULL;
    return check(program.hook != NULL, "probe hooked into the program's thread",
                 program.hook ? "" : format("error %lu", GetLastError()));
}

// Asks the probe; the answer's lines, or none if it did not answer in time.
std::vector<std::wstring> ask_probe(const Program& program, ProbeRequest request) {
    static UINT query_message = RegisterWindowMessageW(PROBE_QUERY_MESSAGE_NAME);
    g_expected_query = PROBE_QUERY(++g_sequence, request);
    g_answered = false;
    PostMessageW(program.window, query_message, (WPARAM)g_receiver, g_expected_query);
    std::vector<std::wstring> lines;
    if (!wait_until(STEP_TIMEOUT_MS, [] { return g_answered; })) return lines;
    size_t start = 0;
    while (start < g_answer.size()) {
        size_t end = g_answer.find(L'\n', start);
        if (end == std::wstring::npos) end = g_answer.size();
        lines.push_back(g_answer.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::wstring> split_tabs(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        size_t end = line.find(L'\t', start);
        fields.push_back(line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) return fields;
        start = end + 1;
    }
}

// Frame timer ticks the main window has taken since the probe arrived, or -1.
long frames(const Program& program) {
    auto lines = ask_probe(program, PROBE_FRAMES);
    if (lines.empty()) return -1;
    auto fields = split_tabs(lines[0]);
    return fields.size() == 2 && fields[0] == L"frames" ? wcstol(fields[1].c_str(), NULL, 10) : -1;
}

// ---------------------------------------------------------------------------
// Screen captures of the client area

struct Image {
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, top row first
    DWORD at(int x, int y) const { return pixels[(size_t)y * width + x]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// What is on the screen over the window's client area.
Image capture_client(HWND window) {
    Image image;
    RECT client;
    POINT origin = {0, 0};
    if (!GetClientRect(window, &client) || !ClientToScreen(window, &origin)) return image;
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    if (width <= 0 || height <= 0) return image;

    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY)) {
            GdiFlush();
            const DWORD* pixels = static_cast<const DWORD*>(bits);
            image.width = width;
            image.height = height;
            image.pixels.resize((size_t)width * height);
            for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = pixels[i] & 0xffffff;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return image;
}

// Keeps a capture as a .bmp in POFURIN_E2E_DUMP_DIR, when that is set, so
// that a failed image check can be looked at.
void dump(const Image& image, const std::string& name) {
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("POFURIN_E2E_DUMP_DIR", folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || image.width == 0) return;
    std::string path = std::string(folder) + "\\" + name + ".bmp";
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = -image.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    DWORD bytes = (DWORD)(image.pixels.size() * sizeof(DWORD));
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + bytes;
    FILE* out = fopen(path.c_str(), "wb");
    if (!out) return;
    fwrite(&file, sizeof file, 1, out);
    fwrite(&header, sizeof header, 1, out);
    fwrite(image.pixels.data(), bytes, 1, out);
    fclose(out);
    info("capture kept in " + path);
}

int count_non_black(const Image& image) {
    int count = 0;
    for (DWORD p : image.pixels) count += p != 0;
    return count;
}

int count_differences(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) count += a.pixels[i] != b.pixels[i];
    return count;
}

// A frame as the pattern checks see it: the pulse disc (the one-coloured
// region around (99, 84), the middle pixel of Ellipse(100-r, 85-r, 100+r,
// 85+r)) and the grid's shapes, the other non-black pixels.
struct Frame {
    bool valid = false;
    int disc_pixels = 0;
    int disc_radius = 0;          // 100 minus the disc's leftmost column
    int disc_asymmetric = 0;      // disc pixels whose mirror about the centre is not disc
    int shape_pixels = 0;
    int shape_off_grid = 0;       // shape pixels more than 3 pixels right or below a grid point
    int shape_block_corners = 0;  // shape pixels that start a one-coloured 2 x 2 block
    std::string describe() const {
        return format("disc %d px (radius %d, %d asymmetric), shapes %d px (%d off the grid points, %d 2x2 blocks)",
                      disc_pixels, disc_radius, disc_asymmetric, shape_pixels, shape_off_grid, shape_block_corners);
    }
};

Frame analyse(const Image& image) {
    Frame frame;
    if (image.width < 120 || image.height < 100) return frame;
    frame.valid = true;
    std::vector<char> disc(image.pixels.size(), 0);
    const int cx = 99, cy = 84;
    DWORD colour = image.at(cx, cy);
    if (colour != 0) {
        int left = cx;
        std::vector<POINT> todo = {{cx, cy}};
        disc[(size_t)cy * image.width + cx] = 1;
        while (!todo.empty()) {
            POINT p = todo.back();
            todo.pop_back();
            ++frame.disc_pixels;
            if (p.x < left) left = p.x;
            const POINT next[4] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
            for (POINT n : next) {
                if (!image.inside(n.x, n.y)) continue;
                char& seen = disc[(size_t)n.y * image.width + n.x];
                if (!seen && image.at(n.x, n.y) == colour) {
                    seen = 1;
                    todo.push_back(n);
                }
            }
        }
        frame.disc_radius = 100 - left;
    }
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            DWORD p = image.at(x, y);
            if (disc[(size_t)y * image.width + x]) {
                int mx = 199 - x, my = 169 - y;
                if (image.inside(mx, my) && !disc[(size_t)my * image.width + mx]) ++frame.disc_asymmetric;
                continue;
            }
            if (p == 0) continue;
            ++frame.shape_pixels;
            if (x % 10 > 3 || y % 10 > 3) ++frame.shape_off_grid;
            if (image.inside(x + 1, y + 1) && image.at(x + 1, y) == p && image.at(x, y + 1) == p &&
                image.at(x + 1, y + 1) == p)
                ++frame.shape_block_corners;
        }
    }
    return frame;
}

bool disc_is_round(const Frame& frame) {
    return frame.disc_pixels > 0 && frame.disc_asymmetric * 50 <= frame.disc_pixels + 100;
}

// 竹: rectangles of at most 4 x 4 pixels at the grid points, nothing between.
bool looks_like_take(const Frame& frame) {
    return frame.valid && frame.shape_pixels >= 200 && frame.shape_off_grid == 0 && frame.shape_block_corners > 0;
}

// 梅: one-pixel lines running off the grid points, never a solid 2 x 2 block.
bool looks_like_ume(const Frame& frame) {
    return frame.valid && frame.shape_off_grid >= 1000 && frame.shape_block_corners * 20 <= frame.shape_pixels;
}

// 松: filled ellipses reaching between the grid points, mostly solid blocks.
bool looks_like_matsu(const Frame& frame) {
    return frame.valid && frame.shape_off_grid >= 1000 && frame.shape_block_corners * 4 >= frame.shape_pixels;
}

// ---------------------------------------------------------------------------
// Keyboard

void key(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
    pump(30);
}

// Presses the keys in order and releases them in reverse.
void chord(const std::vector<WORD>& keys) {
    for (WORD vk : keys) key(vk, false);
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) key(*it, true);
}

// Chords one after the other, as a user types them.
using Keystrokes = std::vector<std::vector<WORD>>;
void type(const Keystrokes& strokes) {
    for (const auto& keys : strokes) chord(keys);
}

bool bring_to_front(HWND window) {
    return wait_until(STEP_TIMEOUT_MS, [&] {
        if (GetForegroundWindow() == window) return true;
        SetForegroundWindow(window);
        return false;
    });
}

// ---------------------------------------------------------------------------
// The checks

void check_window(const Program& program) {
    HWND window = program.window;
    check(class_name(window) == L"MY", "window class is \"MY\"", utf8(class_name(window)));
    check(window_text(window) == TITLE, "title is ポフリン発生ソフト", quoted(window_text(window)));

    RECT outer = {};
    GetWindowRect(window, &outer);
    int width = outer.right - outer.left, height = outer.bottom - outer.top;
    check(width == 200 && height == 200, "outer size is 200 x 200", format("%d x %d", width, height));

    DWORD style = (DWORD)GetWindowLongPtrW(window, GWL_STYLE);
    DWORD ex_style = (DWORD)GetWindowLongPtrW(window, GWL_EXSTYLE);
    // Created with style 0: the platform adds the caption and sibling
    // clipping, ShowWindow makes it visible; nothing else may appear.
    const DWORD allowed = WS_CAPTION | WS_CLIPSIBLINGS | WS_VISIBLE;
    check((style & WS_CAPTION) == WS_CAPTION, "window has a caption", format("style %08lx", style));
    check((style & ~allowed) == 0, "no system menu, sizing border, minimise or maximise box",
          format("style %08lx", style));
    check((ex_style & ~(DWORD)WS_EX_WINDOWEDGE) == 0, "extended style 0 (the platform's window edge allowed)",
          format("ex-style %08lx", ex_style));
    check(GetParent(window) == NULL && GetWindow(window, GW_OWNER) == NULL, "top-level window without owner");

    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    info(format("client area %ld x %ld at (%ld, %ld) inside the window", client.right, client.bottom,
                origin.x - outer.left, origin.y - outer.top));
    // The caption and the menu bar both sit above the client area.
    int above = origin.y - outer.top;
    int needed = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU);
    check(above >= needed, "client area lies below a caption and a menu bar",
          format("%d pixels above, caption + menu need %d", above, needed));
}

struct MenuEntry {
    const wchar_t* kind;
    const wchar_t* path;
    const wchar_t* text;
    int id;
    int items;
};

void check_menu(const Program& program) {
    // Bar entries carry -1: GetMenuItemID's answer for a drop-down.
    static const MenuEntry expected[] = {
        {L"bar", L"0", L"メニュー", -1, 6},
        {L"item", L"0.0", L"ポフリンを発生させる（発生パターン梅）", CMD_PATTERN_UME, 0},
        {L"item", L"0.1", L"ポフリンを発生させる（発生パターン竹）", CMD_PATTERN_TAKE, 0},
        {L"item", L"0.2", L"ポフリンを発生させる（発生パターン松）", CMD_PATTERN_MATSU, 0},
        {L"item", L"0.3", L"ＰＣにがんばってもらって発生速度を速める", CMD_SPEED_FAST, 0},
        {L"item", L"0.4", L"発生速度を通常に戻す", CMD_SPEED_NORMAL, 0},
        {L"item", L"0.5", L"ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)", CMD_EXIT, 0},
        {L"bar", L"1", L"ヘルプ", -1, 1},
        {L"item", L"1.0", L"ﾊﾞｰｼﾞｮﾝ情報(&A) ...", CMD_ABOUT, 0},
    };
    auto lines = ask_probe(program, PROBE_MENU);
    if (!check(!lines.empty(), "probe answers from inside the program")) return;
    check(lines[0] == L"menu\tyes", "window has a menu bar");

    size_t count = lines.size() - 1;
    check(count == std::size(expected), "menu has 2 drop-downs with 7 items in all",
          format("%zu entries", count));
    for (size_t i = 0; i < std::size(expected) && i + 1 < lines.size(); ++i) {
        const MenuEntry& e = expected[i];
        auto fields = split_tabs(lines[i + 1]);
        if (fields.size() != 7) {
            check(false, "menu entry " + utf8(e.path), utf8(lines[i + 1]));
            continue;
        }
        std::wstring want = std::wstring(e.kind) + L" " + e.path + L" \"" + e.text + L"\" id " +
                            std::to_wstring(e.id) + L" items " + std::to_wstring(e.items);
        std::wstring got = fields[0] + L" " + fields[1] + L" \"" + fields[2] + L"\" id " + fields[3] + L" items " +
                           fields[6];
        check(got == want, "menu entry " + utf8(want), got == want ? "" : "got " + utf8(got));
        // Plain string items, never checked, greyed or separated.
        check(fields[4] == L"0" && fields[5] == L"0", "menu entry " + utf8(e.path) + " is a plain enabled string",
              "type " + utf8(fields[4]) + ", state " + utf8(fields[5]));
    }
}

void check_icons(const Program& program) {
    auto lines = ask_probe(program, PROBE_ICONS);
    if (!check(lines.size() == 2, "probe describes both class icons")) return;
    for (const auto& line : lines) info("class " + utf8(line));
    // The 32 x 32 image of icon 107: a target, blue outside, a cyan ring and
    // a navy centre, on a transparent background.
    auto large = split_tabs(lines[0]);
    check(large.size() == 6 && large[0] == L"icon" && large[1] == L"large" && large[4] == L"yes",
          "class icon is icon resource 107");
    check(large.size() == 6 && large[2] == L"32" && large[3] == L"32", "class icon is 32 x 32");
    check(large.size() == 6 && large[5] == L"clear,blue,cyan,navy", "class icon shows the blue-cyan-navy target",
          large.size() == 6 ? utf8(large[5]) : "");
    // Icon 108 holds one 16 x 16 image: blue outside, a navy ring, a cyan
    // centre. LoadIcon scales it to the system's icon size.
    auto small = split_tabs(lines[1]);
    int size = GetSystemMetrics(SM_CXICON);
    check(small.size() == 6 && small[0] == L"icon" && small[1] == L"small" && small[4] == L"yes",
          "small class icon is icon resource 108");
    bool sized = small.size() == 6 && small[2] == small[3] &&
                 (small[2] == L"16" || small[2] == std::to_wstring(size));
    check(sized, "small class icon is the 16 x 16 image (at most scaled to the system icon size)",
          small.size() == 6 ? utf8(small[2] + L" x " + small[3]) : "");
    check(small.size() == 6 && small[5] == L"clear,blue,navy,cyan",
          "small class icon shows the blue-navy-cyan target", small.size() == 6 ? utf8(small[5]) : "");
}

bool all_black(const Image& image) { return image.width > 0 && count_non_black(image) == 0; }

void check_untouched_canvas(const Program& program) {
    Image first = capture_client(program.window);
    if (!all_black(first)) dump(first, "untouched");
    check(all_black(first), "before any command the client area shows the untouched canvas (black)",
          format("%d x %d, %d non-black pixels", first.width, first.height, count_non_black(first)));
    pump(700);
    Image later = capture_client(program.window);
    long ticks = frames(program);
    check(all_black(later) && ticks == 0, "no frame is drawn before a command",
          format("%ld frames, %d non-black pixels", ticks, count_non_black(later)));
}

// Opens the About box with the keystrokes, checks it and the animation
// behind it, and closes it with `close_key`.
void check_about_box(const Program& program, const Keystrokes& keys, const std::string& keys_name,
                     WORD close_key, const std::string& close_name, bool animating) {
    check(bring_to_front(program.window), "main window comes to the foreground for " + keys_name);
    type(keys);
    HWND dialog = NULL;
    bool opened = wait_until(STEP_TIMEOUT_MS, [&] {
        dialog = find_window(program, L"#32770");
        return dialog != NULL;
    });
    if (!check(opened, keys_name + " opens a dialog")) return;
    check(window_text(dialog) == ABOUT_TITLE, "the dialog is titled ﾊﾞｰｼﾞｮﾝ情報", utf8(window_text(dialog)));
    check(GetWindow(dialog, GW_OWNER) == program.window, "the About box is owned by the main window");
    check(wait_until(STEP_TIMEOUT_MS, [&] { return !IsWindowEnabled(program.window); }),
          "the main window takes no input while the About box is open");
    if (animating) {
        long before = frames(program);
        pump(600);
        long after = frames(program);
        check(before >= 0 && after > before, "the animation goes on behind the About box",
              format("%ld -> %ld frames", before, after));
    }

    check(bring_to_front(dialog), "About box is in the foreground for " + close_name);
    chord({close_key});
    bool closed = wait_until(STEP_TIMEOUT_MS, [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
    check(closed, close_name + " closes the About box");
    check(closed && IsWindow(program.window) && IsWindowEnabled(program.window) && running(program),
          "the main window lives on, enabled, after the About box");
}

void check_animation(const Program& program) {
    command(program, CMD_PATTERN_TAKE);
    long ticks = 0;
    bool started = wait_until(STEP_TIMEOUT_MS, [&] { return (ticks = frames(program)) >= 3; });
    check(started, "pattern 竹 starts the frame timer", format("%ld frames", ticks));
    pump(150);  // the last frame's paint reaches the screen
    Image first = capture_client(program.window);
    pump(700);
    Image second = capture_client(program.window);
    int changed = count_differences(first, second);
    check(changed > 0, "frames change over time after the command", format("%d pixels changed", changed));

    Frame a = analyse(first), b = analyse(second);
    if (!looks_like_take(a) || !disc_is_round(a)) dump(first, "take-first");
    if (!looks_like_take(b) || !disc_is_round(b)) dump(second, "take-second");
    check(looks_like_take(a) && looks_like_take(b), "frames show 竹: small rectangles at the grid points only",
          a.describe() + "; " + b.describe());
    check(disc_is_round(a) && disc_is_round(b), "frames show the pulse disc centred at (100, 85)",
          a.describe() + "; " + b.describe());
    check(b.disc_radius > a.disc_radius, "the pulse disc grows from frame to frame",
          format("radius %d, then %d", a.disc_radius, b.disc_radius));
}

// Frames per second the program draws, counted by the probe over `seconds`.
double frame_rate(const Program& program, double seconds) {
    long first = frames(program);
    double start = seconds_now();
    pump((DWORD)(seconds * 1000));
    long last = frames(program);
    double elapsed = seconds_now() - start;
    return first >= 0 && last >= 0 && elapsed > 0 ? (last - first) / elapsed : -1;
}

void check_speeds(const Program& program) {
    double normal = frame_rate(program, 2.0);
    command(program, CMD_SPEED_FAST);
    pump(300);
    double fast = frame_rate(program, 2.0);
    command(program, CMD_SPEED_NORMAL);
    pump(300);
    double normal_again = frame_rate(program, 2.0);
    info(format("frame rate under Wine: normal %.1f/s (100 ms timer), fast %.1f/s (10 ms timer), "
                "normal again %.1f/s",
                normal, fast, normal_again));
    // A 100 ms timer cannot tick more than 10 times a second; the loose lower
    // bound only says that it ticks at all.
    check(normal >= 2 && normal <= 12, "normal speed draws about 10 frames a second", format("%.1f/s", normal));
    // A 10 ms timer asks for ten times the frames (Wine delivers them on an
    // idle machine); half of that still tells it from a 20 or 30 ms timer.
    check(fast >= normal * 5, "fast speed draws at least five times the frames of normal speed",
          format("fast %.1f/s, normal %.1f/s", fast, normal));
    check(normal_again >= 2 && normal_again <= 12, "normal speed after fast returns to about 10 frames a second",
          format("%.1f/s", normal_again));
}

// Switches to a pattern and looks at a frame whose pulse disc is still small,
// so that most of the grid shows. Pattern commands set the normal speed; the
// fast one brings the disc's next small radius sooner.
void check_pattern(const Program& program, int id, const std::string& name, bool (*looks_like)(const Frame&)) {
    long before = frames(program);
    command(program, id);
    command(program, CMD_SPEED_FAST);
    Image image;
    Frame frame;
    bool drawn = wait_until(STEP_TIMEOUT_MS, [&] {
        if (frames(program) < before + 3) return false;
        frame = analyse(image = capture_client(program.window));
        return frame.valid && frame.disc_radius >= 2 && frame.disc_radius <= 50 && disc_is_round(frame);
    });
    bool ok = drawn && looks_like(frame) && disc_is_round(frame);
    if (!ok) dump(image, "pattern-" + std::to_string(id));
    check(ok, "pattern " + name, frame.describe());
}

std::wstring own_folder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(NULL, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    SetConsoleOutputCP(CP_UTF8);
    std::wstring exe = argc > 1 ? argv[1] : own_folder() + L"pofurin.exe";
    std::wstring dll = argc > 2 ? argv[2] : own_folder() + L"pofurin-probe.dll";
    info("program " + utf8(exe));
    if (!check(create_receiver(), "checker window for the probe's answers")) return 1;

    // First run: everything a user sees, then CMD_EXIT.
    Program program;
    if (start_program(exe, program)) {
        check_window(program);
        if (inject_probe(program, dll)) {
            check_menu(program);
            check_icons(program);
            check_untouched_canvas(program);
            check_about_box(program, {{VK_MENU, VK_SHIFT, VK_OEM_2}}, "Alt+?", VK_ESCAPE, "Escape", false);
            // The window repaints where the box was; the canvas must still be untouched.
            Image after;
            bool black = wait_until(3000, [&] { return all_black(after = capture_client(program.window)); });
            if (!black) dump(after, "after-about");
            check(black && frames(program) == 0, "the About box leaves the untouched canvas",
                  format("%d non-black pixels", count_non_black(after)));
            check_animation(program);
            check_about_box(program, {{VK_MENU, VK_OEM_2}}, "Alt+/", VK_RETURN, "Enter", true);
            check_speeds(program);
            check_pattern(program, CMD_PATTERN_UME, "梅 draws one-pixel lines from the grid points", looks_like_ume);
            check_pattern(program, CMD_PATTERN_MATSU, "松 draws filled ellipses around the grid points",
                          looks_like_matsu);
        }
        command(program, CMD_EXIT);
        check_exit(program, "CMD_EXIT (WM_COMMAND 105)");
        check(!IsWindow(program.window), "the main window is gone after CMD_EXIT");
    }
    close_program(program);

    // Second run: the menu from the keyboard. Alt selects the bar, the arrows
    // open a drop-down, and an item's "&" letter chooses it.
    if (start_program(exe, program)) {
        check_about_box(program, {{VK_MENU}, {VK_RIGHT}, {VK_DOWN}, {'A'}}, "Alt, Right, Down, A (the About item)",
                        VK_ESCAPE, "Escape", false);
        check(bring_to_front(program.window), "main window comes to the foreground for Alt, Down, X");
        type({{VK_MENU}, {VK_DOWN}, {'X'}});
        check_exit(program, "the menu's exit item (Alt, Down, X)");
    }
    close_program(program);

    // Third run: the platform's WM_CLOSE.
    if (start_program(exe, program)) {
        PostMessageW(program.window, WM_CLOSE, 0, 0);
        check_exit(program, "WM_CLOSE");
    }
    close_program(program);

    printf("%s: %d passed, %d failed\n", g_failed ? "FAILED" : "OK", g_passed, g_failed);
    return g_failed == 0 && g_passed > 0 ? 0 : 1;
}
