// The window shell: start-up, the main window, message routing and the About box.
#pragma once

#include <windows.h>

#include "resource.h"

#define TEXT_BUFFER_SIZE 100
#define MAIN_WINDOW_WIDTH 200
#define MAIN_WINDOW_HEIGHT 200

extern HINSTANCE g_instance;
extern char g_title[TEXT_BUFFER_SIZE];
extern char g_window_class[TEXT_BUFFER_SIZE];

int app_main(HINSTANCE instance, HINSTANCE previous_instance, LPSTR command_line, int show_command);
BOOL start_program(HINSTANCE instance, int show_command);
ATOM register_main_class(HINSTANCE instance);
BOOL create_main_window(HINSTANCE instance, int show_command);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

void open_about_box(HWND window);
INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
