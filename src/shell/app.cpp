// Start-up: strings, window class, the main window and the message loop.
#include "shell/shell.h"

HINSTANCE g_instance;
char g_title[TEXT_BUFFER_SIZE];
char g_window_class[TEXT_BUFFER_SIZE];

// Runs the program; the result is the process's exit code.
int app_main(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command) {
    (void)previous_instance;
    (void)command_line;
    if (!start_program(instance, show_command)) return 0;
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(RES_MAIN));

    // Accelerators first, against the window the message is addressed to.
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0)) {
        if (!TranslateAcceleratorA(message.hwnd, accelerators, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return (int)message.wParam;
}

// Everything before the message loop: strings, class, the shown main window.
BOOL start_program(HINSTANCE instance, int show_command) {
    LoadStringA(instance, RES_APP_TITLE, g_title, TEXT_BUFFER_SIZE);
    LoadStringA(instance, RES_MAIN, g_window_class, TEXT_BUFFER_SIZE);
    register_main_class(instance);
    return create_main_window(instance, show_command);
}

// Registers class "MY" with the main menu and the program's icons.
ATOM register_main_class(HINSTANCE instance) {
    WNDCLASSEXA wc;
    wc.cbSize = sizeof(WNDCLASSEXA);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = main_window_proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(RES_ICON_LARGE));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(RES_MAIN);
    wc.lpszClassName = g_window_class;
    wc.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(RES_ICON_SMALL));
    return RegisterClassExA(&wc);
}

// Creates and shows the fixed-size main window: caption and border only.
BOOL create_main_window(HINSTANCE instance, int show_command) {
    g_instance = instance;
    HWND window = CreateWindowExA(0, g_window_class, g_title, WS_OVERLAPPED, CW_USEDEFAULT, 0, MAIN_WINDOW_WIDTH,
                                  MAIN_WINDOW_HEIGHT, NULL, NULL, instance, NULL);
    if (!window) return FALSE;
    ShowWindow(window, show_command);
    UpdateWindow(window);
    return TRUE;
}
