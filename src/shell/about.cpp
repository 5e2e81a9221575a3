// The About box: icon, name and version, the maker's notice, and OK.
#include "shell/shell.h"

// Shows the modal About box owned by the main window.
void open_about_box(HWND window) {
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(RES_ABOUT_DIALOG), window, about_dialog_proc, 0);
}

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        // The platform focuses the OK button.
        return TRUE;
    case WM_COMMAND:
        // OK, Enter, Escape and the close button end the box.
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
